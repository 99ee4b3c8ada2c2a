#include "DemoProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <regex>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace marrowfin::demotest {

namespace {

constexpr int kStartTimeoutMs = 10000;

} // namespace

DemoProcess::DemoProcess(const std::vector<std::string>& extraArguments)
{
    char folder[] = "/tmp/marrowfin-demo-test-XXXXXX";
    if (::mkdtemp(folder) == nullptr)
        return;
    m_dataDir = folder;
    std::vector<std::string> arguments{MARROWFIN_DEMO_SITE_BINARY, "--port", "0", "--data-dir", m_dataDir,
                                       "--exit-on-stdin-close"};
    arguments.insert(arguments.end(), extraArguments.begin(), extraArguments.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int fds[2];
    int lifeline[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return;
    // The demo stops when this pipe's write end closes, which the kernel does when the test process ends in any
    // way, so a crashed test never leaves a demo behind holding ctest's output pipe.
    if (::pipe2(lifeline, O_CLOEXEC) != 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return;
    }
    const std::string log = m_dataDir + "/demo-site.log";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, lifeline[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int spawned = ::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    ::close(lifeline[0]);
    m_lifeline = lifeline[1];
    if (spawned != 0) {
        m_pid = -1;
        ::close(fds[0]);
        return;
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    std::string output;
    while (output.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd pfd{fds[0], POLLIN, 0};
        if (::poll(&pfd, 1, 200) <= 0)
            continue;
        char buffer[512];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        output.append(buffer, std::size_t(n));
    }
    ::close(fds[0]);
    m_readyLine = output.substr(0, output.find('\n'));
    static const std::regex ready(
        R"(^marrowfin-demo-site ready host=\S+ site=(\d+) utorrent=(\d+) vuze=(\d+) ca=(.+)$)");
    std::smatch match;
    if (std::regex_match(m_readyLine, match, ready)) {
        m_sitePort = unsigned(std::stoul(match[1]));
        m_utorrentPort = unsigned(std::stoul(match[2]));
        m_vuzePort = unsigned(std::stoul(match[3]));
        m_caFile = match[4];
    }
}

DemoProcess::~DemoProcess()
{
    stop();
    if (!m_dataDir.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_dataDir, ec);
    }
}

int DemoProcess::stop()
{
    // SIGTERM before the lifeline: a closed lifeline alone starts the demo's stop too, and a SIGTERM that came
    // while it ended would find the default action back and kill it.
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
    }
    if (m_lifeline >= 0) {
        ::close(m_lifeline);
        m_lifeline = -1;
    }
    if (m_pid <= 0)
        return -1;
    int status = 0;
    // Bounded: a demo that ignores SIGTERM is killed after five seconds and reported as such.
    for (int i = 0; i < 500; ++i) {
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        ::usleep(10000);
    }
    ::kill(m_pid, SIGKILL);
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return -1;
}

std::string DemoProcess::host() const
{
    return "127.0.0.1:" + std::to_string(m_sitePort);
}

std::string DemoProcess::site(const std::string& path) const
{
    return "http://" + host() + path;
}

std::string DemoProcess::secureSite(const std::string& path) const
{
    return "https://" + host() + path;
}

std::string DemoProcess::utorrent(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_utorrentPort) + path;
}

std::string DemoProcess::vuze(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_vuzePort) + path;
}

} // namespace marrowfin::demotest
