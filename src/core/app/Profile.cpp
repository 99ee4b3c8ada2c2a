#include "Profile.h"

#include "MarrowfinVersion.h"

#include "core/net/CookieStore.h"
#include "core/net/HttpContext.h"
#include "core/settings/BuildVersionRecord.h"
#include "core/settings/SettingsKeys.h"
#include "core/settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace marrowfin {

using namespace Qt::Literals::StringLiterals;

Profile::Profile(const StartupOptions& options)
    : m_configDir(configDirFor(options)), m_settings(std::make_shared<SettingsStore>(m_configDir)),
      m_cookies(std::make_shared<CookieStore>(m_configDir + u'/' + QString::fromLatin1(CookieStore::kFileName)))
{
    AppConfig::setCurrent(options.config());
    SettingsStore::setShared(m_settings);
    auto http = std::make_shared<HttpContext>(m_cookies, options.caFile());
    http->setBrowserUserAgent(m_settings->text(SettingsKeys::browserUserAgent).value_or(QString()));
    HttpContext::setDefaultContext(std::move(http));
    if (const std::optional<QString> note = m_settings->recoveryNote())
        m_problems.append(*note);
    if (const std::optional<QString> aside = m_cookies->movedAsidePath())
        m_problems.append(u"The cookie file could not be read; it was kept as %1 and the site may ask you to sign in "
                          u"again."_s.arg(*aside));
}

Profile::~Profile() = default;

QString Profile::configDirFor(const StartupOptions& options)
{
    return options.configDir().isEmpty() ? SettingsStore::defaultConfigDir() : QDir(options.configDir()).absolutePath();
}

std::optional<QString> Profile::folderProblem(const QString& dir)
{
    const auto systemReason = [](int error) { return QString::fromLocal8Bit(std::strerror(error)); };
    QString path = QDir::cleanPath(QDir(dir).absolutePath());
    bool missing = false; // `path` is a parent of the folder, which is still to be made
    for (;;) {
        const QByteArray encoded = QFile::encodeName(path);
        struct stat status = {};
        if (::stat(encoded.constData(), &status) == 0) {
            if (!S_ISDIR(status.st_mode)) {
                const QString what = missing ? path : u"it"_s;
                return S_ISREG(status.st_mode) ? u"%1 is a file, not a folder"_s.arg(what)
                                               : u"%1 is not a folder"_s.arg(what);
            }
            if (::access(encoded.constData(), missing ? W_OK | X_OK : R_OK | W_OK | X_OK) != 0) {
                const int error = errno;
                return missing ? u"it cannot be made in %1: %2"_s.arg(path, systemReason(error)) : systemReason(error);
            }
            return std::nullopt;
        }
        // A part of the path that is missing, or a file where a folder should be: the parent tells which.
        const int error = errno;
        if ((error != ENOENT && error != ENOTDIR) || path == QDir::rootPath()) {
            return systemReason(error);
        }
        missing = true;
        path = QFileInfo(path).path();
    }
}

bool Profile::recordBuildVersion()
{
    return marrowfin::recordBuildVersion(*m_settings, QString::fromLatin1(MARROWFIN_VERSION));
}

} // namespace marrowfin
