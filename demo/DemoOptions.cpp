#include "DemoOptions.h"

#include <QCommandLineParser>
#include <QStringList>

#include <boost/asio/ip/address.hpp>

#include <unistd.h>

namespace marrowfin::demo {

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr const char* kProgramName = "marrowfin-demo-site";

template <class Number>
std::optional<Number> parseNumber(const QString& text, long long low, long long high)
{
    bool ok = false;
    const long long value = text.toLongLong(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return Number(value);
}

bool plainName(const QString& name)
{
    if (name.isEmpty() || name.size() > 40)
        return false;
    for (const QChar c : name) {
        if (c.unicode() > 127 || (!c.isLetterOrNumber() && c != u'_' && c != u'-' && c != u'.'))
            return false;
    }
    return true;
}

} // namespace

std::filesystem::path DemoOptions::effectiveDataDir() const
{
    if (!dataDir.empty())
        return dataDir;
    const std::string folder = "marrowfin-demo-site-" + std::to_string(sitePort);
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state == '/')
        return std::filesystem::path(state) / folder;
    return std::filesystem::path("/tmp") / ("marrowfin-demo-site-" + std::to_string(::getuid())) / folder;
}

ParsedOptions DemoOptions::parse(const std::vector<std::string>& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        u"A local stand-in for the torrent index site and for the uTorrent and Vuze web interfaces."_s);
    const QCommandLineOption help({u"h"_s, u"help"_s}, u"Show this help."_s);
    const QCommandLineOption port(u"port"_s, u"The site's port (HTTP and HTTPS); 0 picks a free one."_s, u"PORT"_s);
    const QCommandLineOption host(u"host"_s, u"The loopback address to listen on (default 127.0.0.1)."_s, u"HOST"_s);
    const QCommandLineOption utorrentPort(u"utorrent-port"_s, u"The uTorrent simulator's port (0: free)."_s, u"PORT"_s);
    const QCommandLineOption vuzePort(u"vuze-port"_s, u"The Vuze simulator's port (0: free)."_s, u"PORT"_s);
    const QCommandLineOption clientUser(u"client-user"_s, u"The clients' web interface user (empty: none)."_s,
                                        u"NAME"_s);
    const QCommandLineOption clientPassword(u"client-password"_s, u"The clients' web interface password."_s,
                                            u"PASSWORD"_s);
    const QCommandLineOption user(u"user"_s, u"A site user (repeatable); demo:demo is always there."_s,
                                  u"NAME:PASSWORD"_s);
    const QCommandLineOption captcha(u"captcha"_s, u"The sign-in form asks for a captcha."_s);
    const QCommandLineOption lifetime(u"session-lifetime"_s, u"Seconds a sign-in lasts (default 3600)."_s,
                                      u"SECONDS"_s);
    const QCommandLineOption seed(u"seed"_s, u"The catalogue's seed (default 1)."_s, u"N"_s);
    const QCommandLineOption torrents(u"torrents"_s, u"How many torrents the catalogue has (default 2500)."_s, u"N"_s);
    const QCommandLineOption latency(u"latency-ms"_s, u"Milliseconds added before every answer."_s, u"MS"_s);
    const QCommandLineOption latencyFor(
        u"latency-for"_s, u"Milliseconds added before the answers of one path (repeatable)."_s, u"PATH=MS"_s);
    const QCommandLineOption fail(
        u"fail"_s, u"Inject a failure: drop, 500, slow, 429, 404, 403 or challenge, optionally :/path-prefix."_s,
        u"MODE[:PREFIX]"_s);
    const QCommandLineOption dataDir(u"data-dir"_s, u"Where the certificates are kept."_s, u"DIR"_s);
    const QCommandLineOption movieHost(u"movie-host"_s, u"The film database host detail pages link to."_s, u"HOST"_s);
    const QCommandLineOption threads(u"threads"_s, u"io threads, 1 or 2 (default 2)."_s, u"N"_s);
    const QCommandLineOption verbose(u"verbose"_s, u"Print one line per request on stderr."_s);
    const QCommandLineOption exitOnStdinClose(u"exit-on-stdin-close"_s,
                                              u"Stop when standard input is closed (when the parent goes)."_s);
    parser.addOptions({help, port,    host,      utorrentPort, vuzePort, clientUser,      clientPassword,
                       user, captcha, lifetime,  seed,         torrents, latency,         latencyFor,
                       fail, dataDir, movieHost, threads,      verbose,  exitOnStdinClose});

    QStringList list;
    for (const std::string& argument : arguments)
        list.append(QString::fromLocal8Bit(argument));
    ParsedOptions parsed;
    auto error = [&](const QString& message) {
        parsed.message = message.toStdString() + "\n";
        parsed.exitCode = 2;
        return parsed;
    };
    if (!parser.parse(list))
        return error(parser.errorText());
    if (parser.isSet(help)) {
        // Without a QCoreApplication the parser knows no program name and writes a placeholder for it.
        parsed.message =
            parser.helpText().replace(u"<executable_name>"_s, QLatin1StringView(kProgramName)).toStdString();
        return parsed;
    }
    if (!parser.positionalArguments().isEmpty())
        return error(u"unexpected argument: "_s + parser.positionalArguments().constFirst());

    DemoOptions options;
    auto portOf = [&](const QCommandLineOption& option, unsigned short& into) {
        if (!parser.isSet(option))
            return true;
        const auto value = parseNumber<unsigned short>(parser.value(option), 0, 65535);
        if (value)
            into = *value;
        return value.has_value();
    };
    if (!portOf(port, options.sitePort) || !portOf(utorrentPort, options.utorrentPort) ||
        !portOf(vuzePort, options.vuzePort))
        return error(u"a port is a number from 0 to 65535"_s);
    if (parser.isSet(host)) {
        options.host = parser.value(host).toStdString();
        boost::system::error_code ec;
        const auto address =
            boost::asio::ip::make_address(options.host == "localhost" ? "127.0.0.1" : options.host, ec);
        if (ec || !address.is_loopback())
            return error(u"--host must be a loopback address"_s);
    }
    if (parser.isSet(clientUser))
        options.clientUser = parser.value(clientUser).toStdString();
    if (parser.isSet(clientPassword))
        options.clientPassword = parser.value(clientPassword).toStdString();
    for (const QString& pair : parser.values(user)) {
        const auto colon = pair.indexOf(u':');
        if (colon <= 0 || !plainName(pair.left(colon)))
            return error(u"--user takes NAME:PASSWORD, the name of letters, digits, _ - and ."_s);
        options.users[pair.left(colon).toStdString()] = pair.mid(colon + 1).toStdString();
    }
    options.captcha = parser.isSet(captcha);
    if (parser.isSet(lifetime)) {
        const auto value = parseNumber<long long>(parser.value(lifetime), 1, 365LL * 86400);
        if (!value)
            return error(u"--session-lifetime takes seconds, at least 1"_s);
        options.sessionLifetime = std::chrono::seconds(*value);
    }
    if (parser.isSet(seed)) {
        bool ok = false;
        options.seed = parser.value(seed).toULongLong(&ok);
        if (!ok)
            return error(u"--seed takes a number"_s);
    }
    if (parser.isSet(torrents)) {
        const auto value = parseNumber<int>(parser.value(torrents), 20, 200000);
        if (!value)
            return error(u"--torrents takes a number from 20 to 200000"_s);
        options.torrentCount = *value;
    }
    if (parser.isSet(latency)) {
        const auto value = parseNumber<long long>(parser.value(latency), 0, 600000);
        if (!value)
            return error(u"--latency-ms takes milliseconds"_s);
        options.latency = std::chrono::milliseconds(*value);
    }
    for (const QString& text : parser.values(fail)) {
        const auto rule = FailurePlan::parse(text.toStdString());
        if (!rule)
            return error(
                u"--fail takes drop, 500, slow, 429, 404, 403 or challenge, optionally followed by :/path-prefix"_s);
        options.failures.push_back(*rule);
    }
    for (const QString& text : parser.values(latencyFor)) {
        auto delay = FailurePlan::parseDelay(text.toStdString());
        if (!delay)
            return error(u"--latency-for takes /path=milliseconds"_s);
        options.delays.push_back(std::move(*delay));
    }
    if (parser.isSet(dataDir))
        options.dataDir = parser.value(dataDir).toStdString();
    if (parser.isSet(movieHost))
        options.movieHost = parser.value(movieHost).toStdString();
    if (parser.isSet(threads)) {
        const auto value = parseNumber<int>(parser.value(threads), 1, 2);
        if (!value)
            return error(u"--threads is 1 or 2"_s);
        options.threads = *value;
    }
    options.verbose = parser.isSet(verbose);
    options.exitOnStdinClose = parser.isSet(exitOnStdinClose);
    parsed.options = std::move(options);
    return parsed;
}

} // namespace marrowfin::demo
