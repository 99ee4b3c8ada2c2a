#pragma once

#include "support/QtTestSupport.h"

#include <QByteArray>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <sys/stat.h>

namespace marrowfin::testing {

struct HelperRun
{
    int exitCode = -1;
    QStringList lines;
    QString errors;
};

// Starts the second process (SettingsStoreHelper.cpp) with the given arguments; finishHelper() waits for it.
inline std::unique_ptr<QProcess> startHelper(const QStringList& arguments)
{
    auto process = std::make_unique<QProcess>();
    process->start(QStringLiteral(MARROWFIN_SETTINGS_HELPER), arguments);
    process->waitForStarted();
    return process;
}

inline HelperRun finishHelper(QProcess& process)
{
    process.waitForFinished(240'000);
    HelperRun run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.lines = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The helper's "dump" in a fresh process, which parses the store file from scratch as a restart does (within one
// process QSettings answers from its cache and hides the INI quirks). Empty when the helper failed.
inline QJsonObject dumpInFreshProcess(const QString& configDir, const QStringList& kindKeys)
{
    const auto process = startHelper(QStringList{QStringLiteral("dump"), configDir} + kindKeys);
    const HelperRun run = finishHelper(*process);
    if (run.exitCode != 0 || run.lines.size() != 1) {
        return {};
    }
    return QJsonDocument::fromJson(run.lines.first().toUtf8()).object();
}

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Permission bits (st_mode & 07777) of a path, or -1 when it cannot be inspected.
inline int modeOf(const QString& path)
{
    struct stat info
    {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
}

using MessageCapture = test::MessageCapture;

} // namespace marrowfin::testing
