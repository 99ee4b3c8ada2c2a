#include "core/config/AppConfig.h"

#include "core/app/StartupOptions.h"

#include <QCommandLineParser>

#include <gtest/gtest.h>

using namespace marrowfin;
using namespace Qt::Literals::StringLiterals;

namespace {

AppConfig parse(const QStringList& arguments, StartupOptions& options)
{
    QCommandLineParser parser;
    options.addTo(parser);
    EXPECT_TRUE(parser.parse(QStringList{u"marrowfin"_s} + arguments)) << parser.errorText().toStdString();
    options.read(parser);
    return options.config();
}

} // namespace

TEST(AppConfig, OptionsBeatTheEnvironmentWhichBeatsTheBuiltInValuesAndHostNamesLoseThePort)
{
    const AppConfig builtIn = AppConfig::builtIn();
    const std::pair<const char*, const char*> environment[] = {{"MARROWFIN_SITE_HOST", "env.example:81"},
                                                               {"MARROWFIN_IMDB_HOST", "movies.example"},
                                                               {"MARROWFIN_CONFIG_DIR", "/tmp/from-env"},
                                                               {"MARROWFIN_CAPTCHA_IMAGE_HOST", ""}};
    for (const auto& [name, value] : environment) {
        qputenv(name, value);
    }
    StartupOptions options;
    const AppConfig config = parse({u"--site-host"_s, u"cli.example:82"_s, u"--ca-file"_s, u"/tmp/ca.pem"_s}, options);
    EXPECT_EQ(config.siteHost, u"cli.example:82"_s);
    EXPECT_EQ(config.imdbHost, u"movies.example"_s);
    EXPECT_EQ(config.captchaImageHost, builtIn.captchaImageHost) << "an empty variable leaves the built-in value";
    EXPECT_EQ(options.configDir(), u"/tmp/from-env"_s);
    EXPECT_EQ(options.caFile(), u"/tmp/ca.pem"_s);

    StartupOptions overridden;
    (void)parse({u"--config-dir"_s, u"/tmp/from-option"_s}, overridden);
    EXPECT_EQ(overridden.configDir(), u"/tmp/from-option"_s);
    for (const auto& [name, value] : environment) {
        qunsetenv(name);
    }

    // Cookie domains carry no port, so the host name drops it, and an IPv6 address its brackets. (A name with a port is
    // dropped to its host name by Logout's cookie test.)
    AppConfig hostOnly = AppConfig::builtIn();
    hostOnly.siteHost = u"[::1]:8080"_s;
    EXPECT_EQ(hostOnly.siteHostName(), u"::1"_s);
}
