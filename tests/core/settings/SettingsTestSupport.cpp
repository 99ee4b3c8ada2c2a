#include "SettingsTestSupport.h"

#include <QFile>
#include <QJsonDocument>

#include <sys/stat.h>

namespace marrowfin::testing {

namespace {

std::mutex g_messagesMutex;
std::vector<MessageCapture::Message> g_messages;
QtMessageHandler g_previousHandler = nullptr;

void captureMessage(QtMsgType, const QMessageLogContext& context, const QString& text)
{
    std::lock_guard guard(g_messagesMutex);
    g_messages.push_back({QString::fromUtf8(context.category ? context.category : "default"), text});
}

} // namespace

std::unique_ptr<QProcess> startHelper(const QStringList& arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProgram(QStringLiteral(MARROWFIN_SETTINGS_HELPER));
    process->setArguments(arguments);
    process->start();
    process->waitForStarted();
    return process;
}

HelperRun finishHelper(QProcess& process)
{
    process.waitForFinished(240'000);
    HelperRun run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    run.lines = out.split(u'\n', Qt::SkipEmptyParts);
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QJsonObject dumpInFreshProcess(const QString& configDir, const QStringList& kindKeys)
{
    auto process = startHelper(QStringList{QStringLiteral("dump"), configDir} + kindKeys);
    const HelperRun run = finishHelper(*process);
    if (run.exitCode != 0 || run.lines.size() != 1) {
        return {};
    }
    return QJsonDocument::fromJson(run.lines.first().toUtf8()).object();
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

int modeOf(const QString& path)
{
    struct stat info
    {};
    if (::stat(path.toLocal8Bit().constData(), &info) != 0) {
        return -1;
    }
    return int(info.st_mode & 07777);
}

MessageCapture::MessageCapture()
{
    std::lock_guard guard(g_messagesMutex);
    g_messages.clear();
    g_previousHandler = qInstallMessageHandler(captureMessage);
}

MessageCapture::~MessageCapture()
{
    qInstallMessageHandler(g_previousHandler);
}

std::vector<MessageCapture::Message> MessageCapture::messages() const
{
    std::lock_guard guard(g_messagesMutex);
    return g_messages;
}

bool MessageCapture::anyContains(const QString& needle) const
{
    for (const auto& message : messages()) {
        if (message.text.contains(needle)) {
            return true;
        }
    }
    return false;
}

bool MessageCapture::anyFromCategory(const QString& category) const
{
    for (const auto& message : messages()) {
        if (message.category == category) {
            return true;
        }
    }
    return false;
}

} // namespace marrowfin::testing
