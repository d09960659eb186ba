#pragma once

// Inside the Internet library: the handles behind its calls and the engine
// that drives libcurl for them. A connection keeps one curl multi handle,
// whose connection cache holds the server connection between transfers; a
// transfer's data is buffered up to a limit (then curl is paused) and handed
// out by the read calls, which run the transfer on the caller's thread.

#include "platform/net/internet.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace net {

namespace detail {

using Clock = std::chrono::steady_clock;

extern std::atomic<uint32_t> g_defaultConnectTimeout;
extern std::atomic<uint32_t> g_defaultReceiveTimeout;
extern std::atomic<uint32_t> g_defaultHeadersTimeout;

// The server's last reply on this thread.
void clearResponse();
void setResponse(std::string text);
bool hasResponse();
const std::string& responseText();

// Sets the thread's last error; returns false.
bool fail(uint32_t code);
uint32_t errorOf(CURLcode code);

bool hasControl(std::string_view s);
bool sameText(std::string_view a, std::string_view b);
// Escapes every byte of a path but the "/" separators.
std::string escapePath(std::string_view path);
// A host name as it may stand in a URL (letters, digits, "-", ".", "_", or
// a bracketed IPv6 address): anything else could change the URL's meaning.
bool validHost(std::string_view host);
// Splits "host", "host:port", "[v6]" or "[v6]:port"; false for a port that
// is not a number from 1 to 65535.
bool splitServer(std::string_view server, std::string& host, uint16_t& port);

} // namespace detail

enum class HandleKind { Session, Connection, FtpFile, HttpRequest };

struct InternetHandle {
    explicit InternetHandle(HandleKind k, InternetHandle* p)
        : kind(k)
        , parent(p)
    {
        if (p) {
            connectTimeout = p->connectTimeout;
            receiveTimeout = p->receiveTimeout;
            headersTimeout = p->headersTimeout;
            waitCheck = p->waitCheck;
        }
    }
    virtual ~InternetHandle() = default;

    HandleKind kind;
    InternetHandle* parent;
    std::vector<InternetHandle*> children;
    uint32_t connectTimeout = detail::g_defaultConnectTimeout;
    uint32_t receiveTimeout = detail::g_defaultReceiveTimeout;
    uint32_t headersTimeout = detail::g_defaultHeadersTimeout;
    InternetWaitCheck waitCheck;
};

namespace detail {

struct Transfer;

struct Session : InternetHandle {
    Session()
        : InternetHandle(HandleKind::Session, nullptr)
    {
    }
    std::string agent;
    std::string proxy; // empty: direct
};

struct Connection : InternetHandle {
    Connection(Session* s)
        : InternetHandle(HandleKind::Connection, s)
    {
        multi = curl_multi_init();
    }
    ~Connection() override
    {
        if (multi)
            curl_multi_cleanup(multi);
    }
    Session& session() const { return *static_cast<Session*>(parent); }

    uint32_t service = INTERNET_SERVICE_HTTP;
    std::string host; // as it stands in a URL
    uint16_t port = 0;
    bool hasUser = false, hasPassword = false;
    std::string user, password;
    std::string ftpDirectory; // empty: where the login left us; "/..." absolute, else relative
    CURLM* multi = nullptr; // keeps the server connection between transfers
    Transfer* ftpFile = nullptr; // the open FTP file, one at a time
};

// One transfer on a connection: an FTP file, an HTTP request or the short
// probe that logs in or changes the FTP directory.
struct Transfer : InternetHandle {
    Transfer(HandleKind k, Connection* c)
        : InternetHandle(k, c)
    {
    }
    ~Transfer() override { release(); }

    Connection& connection() const { return *static_cast<Connection*>(parent); }
    void release()
    {
        if (easy) {
            if (added)
                curl_multi_remove_handle(connection().multi, easy);
            curl_easy_cleanup(easy);
            easy = nullptr;
        }
        if (headerList) {
            curl_slist_free_all(headerList);
            headerList = nullptr;
        }
        added = false;
    }
    size_t buffered() const { return data.size() - readPos; }

    CURL* easy = nullptr;
    curl_slist* headerList = nullptr;
    bool added = false;
    std::string url;
    bool started = false; // HTTP: sent
    bool done = false;
    CURLcode result = CURLE_OK;
    uint32_t errorOverride = 0; // a timeout, a cancel or a refused reply of our own

    std::string data; // received, not yet read from readPos on
    size_t readPos = 0;
    bool paused = false;
    uint64_t consumed = 0;
    Clock::time_point lastActivity;

    // HTTP reply
    std::string statusLine;
    long status = 0;
    std::vector<std::pair<std::string, std::string>> headers;
    bool headersComplete = false;
    bool followsRedirect = false;
    bool answersChallenge = false;
    int challenges = 0;
    // FTP reply lines
    std::string ftpReply;
    bool ftpPreliminary = false; // a 1xx reply: the file is coming
};

// Handles known to be open; closing a handle closes those below it first.
HINTERNET registerHandle(InternetHandle* h);
bool isLive(InternetHandle* h);
void closeTree(InternetHandle* h);

std::string serverUrl(const Connection& c);
// The URL of a directory of the FTP server, ending in "/".
std::string ftpDirectoryUrl(const Connection& c, const std::string& dir);
// The connection's directory after a change to path.
std::string joinFtpDirectory(const std::string& current, const std::string& path);

bool setupEasy(Transfer& t, const std::string& url);
bool start(Transfer& t);
// Lets the connection's transfers run until ready() holds or t has ended.
// False when nothing arrived for the receive timeout or the deadline passed
// (ERROR_INTERNET_TIMEOUT), or the wait check said stop
// (ERROR_INTERNET_OPERATION_CANCELLED); t then counts as ended with that
// error (transferError).
bool pump(Transfer& t, const std::function<bool()>& ready, Clock::time_point deadline = Clock::time_point::max());
// The deadline of a wait for the head of a reply that begins now.
Clock::time_point headersDeadline(const Transfer& t);
// Ends t with an error of our own.
void endTransfer(Transfer& t, uint32_t code);
uint32_t transferError(const Transfer& t);
// Runs a transfer that fetches nothing (login, directory change) to its end.
bool probe(Connection& c, const std::string& url);

} // namespace detail

} // namespace net
