#pragma once

// Real servers on 127.0.0.1 for the download tests: Python's http.server and
// an FTP server from pyftpdlib (tests/platform/net/netservers.py), each on a
// free port, stopped when the object goes. The server also ends by itself
// when this process dies (it watches its standard input).

#include <cstdint>
#include <filesystem>
#include <string>

namespace tavix::testing {

class TestServer {
public:
    enum class Kind { Http, Ftp };

    // Serves root. With a user, HTTP asks for it under /private/ and FTP
    // logs it in to home (root when empty). Throws std::runtime_error when
    // the server does not start.
    TestServer(Kind kind, const std::filesystem::path& root, const std::string& user = {},
        const std::string& password = {}, const std::filesystem::path& home = {});
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    uint16_t port() const { return port_; }
    // "127.0.0.1:<port>", as a host name that carries its port.
    std::string hostname() const;

private:
    void stop();

    int pid_ = -1;
    int stdinFd_ = -1;
    uint16_t port_ = 0;
};

// A loopback port that refuses connections for the object's lifetime (bound,
// never listening, so no other test can take it meanwhile).
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    uint16_t port() const { return port_; }
    std::string hostname() const;

private:
    int fd_ = -1;
    uint16_t port_ = 0;
};

// Bytes that differ from block to block, so a misplaced block shows.
std::string patternBytes(size_t size, unsigned seed = 1);

} // namespace tavix::testing
