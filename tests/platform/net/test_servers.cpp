#include "tests/platform/net/test_servers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace tavix::testing {

namespace {

// Debian's interpreter carries pyftpdlib; a python3 earlier on the PATH may not.
const std::string& python()
{
    static const std::string chosen = [] {
        for (const char* candidate : { "/usr/bin/python3", "python3" }) {
            const std::string probe = std::string(candidate) + " -c 'import pyftpdlib' >/dev/null 2>&1";
            if (std::system(probe.c_str()) == 0)
                return std::string(candidate);
        }
        return std::string("python3");
    }();
    return chosen;
}

} // namespace

TestServer::TestServer(Kind kind, const std::filesystem::path& root, const std::string& user,
    const std::string& password, const std::filesystem::path& home)
{
    std::vector<std::string> args { python(), TAVIX_NET_SERVERS_SCRIPT, kind == Kind::Http ? "http" : "ftp",
        root.string() };
    if (!user.empty()) {
        args.push_back(user);
        args.push_back(password);
        if (kind == Kind::Ftp)
            args.push_back((home.empty() ? root : home).string());
    }
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
        throw std::runtime_error("test server: no pipes");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    stdinFd_ = in[1];
    if (rc != 0) {
        close(out[0]);
        close(stdinFd_);
        throw std::runtime_error("test server: cannot start " + args[0]);
    }
    pid_ = pid;

    // The first line is "PORT <n>".
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p { out[0], POLLIN, 0 };
        if (poll(&p, 1, 200) <= 0)
            continue;
        char buf[256];
        const ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0)
            break;
        line.append(buf, static_cast<size_t>(n));
    }
    close(out[0]);
    if (line.rfind("PORT ", 0) == 0)
        port_ = static_cast<uint16_t>(std::atoi(line.c_str() + 5));
    if (port_ == 0) {
        stop();
        throw std::runtime_error("test server did not start (" + std::string(kind == Kind::Ftp ? "ftp" : "http")
            + "; pyftpdlib is installed by scripts/install-deps.sh)");
    }
}

TestServer::~TestServer()
{
    stop();
}

void TestServer::stop()
{
    if (stdinFd_ >= 0) {
        close(stdinFd_);
        stdinFd_ = -1;
    }
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
}

std::string TestServer::hostname() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

RefusingPort::RefusingPort()
{
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0
        || getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw std::runtime_error("no free loopback port");
    port_ = ntohs(addr.sin_port);
}

RefusingPort::~RefusingPort()
{
    if (fd_ >= 0)
        close(fd_);
}

std::string RefusingPort::hostname() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

std::string patternBytes(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    uint32_t x = 2463534242u ^ seed;
    for (size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = static_cast<char>(x & 0xff);
    }
    return bytes;
}

} // namespace tavix::testing
