#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <optional>

namespace marrowfin {

// The one way a file of the profile is written: the settings, the cookies, the watch state, the sends under way and
// the window's place. A file is replaced whole: a temporary file beside it (owner-only from its creation) takes the
// bytes, is flushed to the disk and closed, each step checked, and only then is renamed over the file. A step that
// fails leaves the file as it was and the temporary file removed.
//
// Why not QSaveFile: a full disk shows late, in the flush at close, and the QSaveFile of the Qt we build on does not
// see that failure; it renames a torn file over a good one and reports success.
//
// Tests make a step fail through failStep(), as SQLite's I/O-error tests do: every step counts (creating the
// temporary file, each write, the flush to the disk, the close, the rename, a removal), over all threads of the
// process. The environment variable MARROWFIN_TEST_FAIL_WRITE ("N", or "N:EIO", "N:ENOSPC", "N:EROFS") sets the
// same from outside, for a test that drives a program.
//
// Threads: one ProfileFile per thread at a time; the step counter is shared and atomic.
class ProfileFile final
{
public:
    explicit ProfileFile(QString path);
    // Removes the temporary file unless commit() succeeded.
    ~ProfileFile();
    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    // Creates the temporary file (mode 0600). False when it cannot be made; errorString() says why.
    [[nodiscard]] bool open();
    // Buffered; a full buffer goes to the disk at once. False once any step has failed.
    [[nodiscard]] bool write(QByteArrayView bytes);
    // Writes what is buffered, flushes the file to the disk, closes it and renames it over the file. False when any
    // step failed (this one or an earlier write): the file is then as it was.
    [[nodiscard]] bool commit();

    // A sentence naming the file and the reason: "cannot write /p/watch.json: No space left on device".
    [[nodiscard]] const QString& errorString() const { return m_error; }
    [[nodiscard]] const QString& path() const { return m_path; }

    // Replaces `path` with `bytes` in one go. Absent on success, else errorString()'s sentence.
    [[nodiscard]] static std::optional<QString> replace(const QString& path, QByteArrayView bytes);
    // Removes `path` (counted as one step; a file already gone is no failure). Absent on success.
    [[nodiscard]] static std::optional<QString> remove(const QString& path);

    // Writes that failed in this process so far, and the last one's sentence: an executable compares the count
    // before and after an action to learn that something it changed is not on disk.
    [[nodiscard]] static quint64 failures();
    [[nodiscard]] static QString lastFailure();
    // Called (on the failing thread) after each failed write with its sentence; one listener per process, for the
    // window to say so. Null removes it.
    static void setFailureListener(std::function<void(const QString&)> listener);

    // Test hook: the `n`th step from now (1 = the next) fails with `error` (an errno value); 0 turns it off.
    static void failStep(int n, int error);
    // Steps taken so far in this process: a test counts an action's steps to walk a failure over each of them.
    [[nodiscard]] static qint64 steps();

private:
    bool flushBuffer();
    bool fail(const char* what, int error);

    QString m_path;
    QString m_temporary;
    QByteArray m_buffer;
    int m_fd = -1;
    bool m_failed = false;
    bool m_committed = false;
    QString m_error;
};

} // namespace marrowfin
