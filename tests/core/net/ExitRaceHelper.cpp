// A process whose worker thread is still cleaning up after a TLS transfer when the process exits. OpenSSL frees its
// state at exit; a thread's clean-up running into that crashed commands now and then as they ended. The HTTP layer
// makes exit wait for such a thread: this helper's own exit handler, which runs after the libraries' clean-up, says
// whether the thread's handle was gone by then.
//   marrowfin_exit_race_helper URL CA_FILE       status 0 when it was, 4 when not, 3 when the transfer failed
#include "core/net/CurlTransfer.h"
#include "core/net/HttpContext.h"

#include <QByteArray>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

std::atomic<bool> g_transferred{false};
std::atomic<bool> g_handleGone{false};

// Made before the HTTP layer's per-thread handle, so destroyed after it: the handle is gone when this goes.
struct AfterHandle
{
    ~AfterHandle() { g_handleGone = true; }
};
thread_local AfterHandle t_afterHandle;

// Made after the handle, so destroyed before it: a clean-up that takes a while. Function-local, so that it is
// registered for destruction when first reached, not with this file's other thread-local objects.
struct SlowCleanUp
{
    ~SlowCleanUp() { std::this_thread::sleep_for(std::chrono::milliseconds(300)); }
};
void cleanUpSlowly()
{
    thread_local SlowCleanUp slowCleanUp;
    (void)&slowCleanUp;
}

// Registered before anything else, so it runs after every other exit handler.
void lastExitHandler()
{
    for (int i = 0; i < 10 && !g_handleGone; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::_Exit(g_handleGone ? 0 : 4);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        return 2;
    }
    std::atexit(&lastExitHandler);
    const QByteArray url(argv[1]);
    const QString caFile = QString::fromLocal8Bit(argv[2]);
    std::thread([url, caFile] {
        (void)&t_afterHandle;
        marrowfin::HttpContext context(nullptr, caFile);
        marrowfin::TransferRequest request;
        request.url = url;
        request.method = "GET";
        if (!marrowfin::performTransfer(request, context)) {
            std::_Exit(3);
        }
        cleanUpSlowly();
        g_transferred = true;
    }).detach();
    while (!g_transferred) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return 0;
}
