#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

// The main thread's event loop for tests whose operations deliver through queued calls.
namespace marrowfin::test {

// The process's application object, made on first use on the main thread.
inline QCoreApplication& application()
{
    static int argc = 1;
    static char name[] = "marrowfin_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    return app ? *app : *QCoreApplication::instance();
}

// Runs the event loop until `done` holds; false if it never does (a hang guard, not a timing check).
template <typename Predicate>
bool processEventsUntil(Predicate done, int guardMilliseconds = 120000)
{
    application();
    QDeadlineTimer deadline(guardMilliseconds);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

} // namespace marrowfin::test
