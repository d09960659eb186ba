#include "platform/net/internet.h"

#include "platform/win/errors.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string_view>
#include <strings.h>
#include <vector>

namespace net {

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<uint32_t> g_defaultConnectTimeout { 60000 };
std::atomic<uint32_t> g_defaultReceiveTimeout { 60000 };

thread_local bool t_hasResponse = false;
thread_local std::string t_lastResponse;

void clearResponse()
{
    t_hasResponse = false;
    t_lastResponse.clear();
}

void setResponse(std::string text)
{
    t_hasResponse = true;
    t_lastResponse = std::move(text);
}

bool fail(uint32_t code)
{
    win::setLastError(code);
    return false;
}

uint32_t errorOf(CURLcode code)
{
    switch (code) {
    case CURLE_OK:
        return win::ERROR_SUCCESS;
    case CURLE_UNSUPPORTED_PROTOCOL:
        return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case CURLE_URL_MALFORMAT:
        return ERROR_INTERNET_INVALID_URL;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_COULDNT_CONNECT:
        return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_OPERATION_TIMEDOUT:
        return ERROR_INTERNET_TIMEOUT;
    case CURLE_LOGIN_DENIED:
        return ERROR_INTERNET_INCORRECT_PASSWORD;
    case CURLE_REMOTE_ACCESS_DENIED:
    case CURLE_REMOTE_FILE_NOT_FOUND:
    case CURLE_FTP_COULDNT_RETR_FILE:
    case CURLE_QUOTE_ERROR:
        return ERROR_INTERNET_EXTENDED_ERROR;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_FTP_WEIRD_PASV_REPLY:
    case CURLE_FTP_WEIRD_227_FORMAT:
    case CURLE_FTP_CANT_GET_HOST:
    case CURLE_GOT_NOTHING:
        return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_FTP_ACCEPT_FAILED:
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
        return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_SEND_ERROR:
        return ERROR_INTERNET_CONNECTION_RESET;
    case CURLE_TOO_MANY_REDIRECTS:
        return ERROR_HTTP_REDIRECT_FAILED;
    case CURLE_OUT_OF_MEMORY:
        return win::ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_INTERNET_INTERNAL_ERROR;
    }
}

// Characters of a URL path segment that need no escape.
bool unreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

bool hasControl(std::string_view s)
{
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// Escapes every byte of a path but the "/" separators.
std::string escapePath(std::string_view path)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (unreserved(c) || c == '/') {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// A host name as it may stand in a URL: letters, digits, "-", ".", "_", or a
// bracketed IPv6 address. Anything else could change the URL's meaning.
bool validHost(std::string_view host)
{
    if (host.empty())
        return false;
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']')
            return false;
        return std::all_of(host.begin() + 1, host.end() - 1,
            [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.'; });
    }
    return std::all_of(host.begin(), host.end(),
        [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_'; });
}

// Splits "host", "host:port", "[v6]" or "[v6]:port". False for a port that
// is not a number from 1 to 65535.
bool splitServer(std::string_view server, std::string& host, uint16_t& port)
{
    port = 0;
    size_t colon = std::string_view::npos;
    if (!server.empty() && server.front() == '[') {
        const size_t close = server.find(']');
        if (close == std::string_view::npos)
            return false;
        if (close + 1 < server.size()) {
            if (server[close + 1] != ':')
                return false;
            colon = close + 1;
        }
    } else {
        colon = server.find(':');
    }
    host = std::string(server.substr(0, colon));
    if (colon == std::string_view::npos)
        return true;
    const std::string_view digits = server.substr(colon + 1);
    if (digits.empty() || digits.size() > 5
        || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    const long value = std::stol(std::string(digits));
    if (value < 1 || value > 65535)
        return false;
    port = static_cast<uint16_t>(value);
    return true;
}

} // namespace

enum class HandleKind { Session, Connection, FtpFile, HttpRequest };

struct InternetHandle {
    explicit InternetHandle(HandleKind k, InternetHandle* p)
        : kind(k)
        , parent(p)
    {
        if (p) {
            connectTimeout = p->connectTimeout;
            receiveTimeout = p->receiveTimeout;
        }
    }
    virtual ~InternetHandle() = default;

    HandleKind kind;
    InternetHandle* parent;
    std::vector<InternetHandle*> children;
    uint32_t connectTimeout = g_defaultConnectTimeout;
    uint32_t receiveTimeout = g_defaultReceiveTimeout;
};

namespace {

std::mutex g_handlesMutex;
std::set<InternetHandle*> g_handles;

template <class T> T* registerHandle(T* h)
{
    std::lock_guard lock(g_handlesMutex);
    g_handles.insert(h);
    if (h->parent)
        h->parent->children.push_back(h);
    return h;
}

bool isLive(InternetHandle* h)
{
    std::lock_guard lock(g_handlesMutex);
    return h && g_handles.count(h) != 0;
}

struct Session : InternetHandle {
    Session()
        : InternetHandle(HandleKind::Session, nullptr)
    {
    }
    std::string agent;
    std::string proxy; // empty: direct
};

struct Transfer;

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
    uint32_t errorOverride = 0; // a timeout of our own

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

constexpr size_t kPauseAbove = 256 * 1024;

size_t onWrite(char* ptr, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (t->buffered() >= kPauseAbove) {
        t->paused = true;
        return CURL_WRITEFUNC_PAUSE;
    }
    if (t->readPos > 0 && t->readPos >= t->data.size() / 2) {
        t->data.erase(0, t->readPos);
        t->readPos = 0;
    }
    t->data.append(ptr, n);
    t->lastActivity = Clock::now();
    return n;
}

std::string trimLine(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    return std::string(line);
}

bool sameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

size_t onHeader(char* ptr, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    const std::string line = trimLine(std::string_view(ptr, n));
    t->lastActivity = Clock::now();
    if (t->kind == HandleKind::HttpRequest) {
        if (line.rfind("HTTP/", 0) == 0) {
            t->statusLine = line;
            t->headers.clear();
            const size_t sp = line.find(' ');
            t->status = sp == std::string::npos ? 0 : std::strtol(line.c_str() + sp + 1, nullptr, 10);
            setResponse(line);
        } else if (line.empty()) {
            bool location = false;
            for (const auto& h : t->headers)
                location = location || sameText(h.first, "Location");
            const bool interim = t->status >= 100 && t->status < 200;
            const bool redirect = t->followsRedirect && location && t->status >= 300 && t->status < 400;
            // curl answers the first challenge with the credentials itself.
            const bool challenge = t->status == 401 && t->answersChallenge && t->challenges++ == 0;
            if (!interim && !redirect && !challenge)
                t->headersComplete = true;
        } else {
            const size_t colon = line.find(':');
            if (colon != std::string::npos) {
                std::string value = line.substr(colon + 1);
                value.erase(0, value.find_first_not_of(" \t"));
                t->headers.emplace_back(line.substr(0, colon), value);
            }
        }
        return n;
    }
    // FTP: the server's reply lines; "123-" goes on, "123 " ends a reply.
    if (!t->ftpReply.empty())
        t->ftpReply += "\r\n";
    t->ftpReply += line;
    if (line.size() >= 4 && std::isdigit(static_cast<unsigned char>(line[0])) && line[3] == ' ') {
        setResponse(t->ftpReply);
        if (line[0] == '1')
            t->ftpPreliminary = true;
        t->ftpReply.clear();
    } else if (line.size() == 3 && std::isdigit(static_cast<unsigned char>(line[0]))) {
        setResponse(t->ftpReply);
        t->ftpReply.clear();
    }
    return n;
}

std::string serverUrl(const Connection& c)
{
    std::string url = c.service == INTERNET_SERVICE_FTP ? "ftp://" : "http://";
    url += c.host;
    if (c.port != 0)
        url += ":" + std::to_string(c.port);
    return url;
}

// The URL of a directory of the FTP server, ending in "/".
std::string ftpDirectoryUrl(const Connection& c, const std::string& dir)
{
    std::string url = serverUrl(c) + "/";
    if (dir.empty())
        return url;
    if (dir.front() == '/') {
        url += "%2F";
        const std::string rest = dir.substr(1);
        if (!rest.empty())
            url += escapePath(rest) + "/";
        return url;
    }
    return url + escapePath(dir) + "/";
}

// The connection's directory after a change to path: absolute paths replace
// it, relative ones are appended; doubled and trailing "/" are dropped.
std::string joinFtpDirectory(const std::string& current, const std::string& path)
{
    std::string joined = path.empty() || path.front() == '/' ? path : (current.empty() ? path : current + "/" + path);
    std::string out;
    for (char c : joined) {
        if (c == '/' && !out.empty() && out.back() == '/')
            continue;
        out += c;
    }
    while (out.size() > 1 && out.back() == '/')
        out.pop_back();
    return out;
}

bool setupEasy(Transfer& t, const std::string& url)
{
    Connection& c = t.connection();
    t.easy = curl_easy_init();
    if (!t.easy)
        return fail(ERROR_INTERNET_OUT_OF_HANDLES);
    t.url = url;
    CURL* e = t.easy;
    curl_easy_setopt(e, CURLOPT_URL, url.c_str());
    curl_easy_setopt(e, CURLOPT_PRIVATE, &t);
    curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onWrite);
    curl_easy_setopt(e, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(e, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(t.connectTimeout));
    curl_easy_setopt(e, CURLOPT_PROXY, c.session().proxy.c_str());
    if (!c.session().agent.empty())
        curl_easy_setopt(e, CURLOPT_USERAGENT, c.session().agent.c_str());
    if (c.service == INTERNET_SERVICE_FTP) {
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "ftp");
        curl_easy_setopt(e, CURLOPT_FTP_FILEMETHOD, static_cast<long>(CURLFTPMETHOD_SINGLECWD));
        curl_easy_setopt(e, CURLOPT_SERVER_RESPONSE_TIMEOUT, static_cast<long>((t.receiveTimeout + 999) / 1000));
        if (c.hasUser)
            curl_easy_setopt(e, CURLOPT_USERNAME, c.user.c_str());
        if (c.hasPassword)
            curl_easy_setopt(e, CURLOPT_PASSWORD, c.password.c_str());
    } else {
        curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http");
        curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http");
        curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
        t.followsRedirect = true;
        if (c.hasUser && !c.user.empty()) {
            curl_easy_setopt(e, CURLOPT_USERNAME, c.user.c_str());
            curl_easy_setopt(e, CURLOPT_PASSWORD, c.password.c_str());
            curl_easy_setopt(e, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_ANY));
            t.answersChallenge = true;
        }
    }
    return true;
}

bool start(Transfer& t)
{
    t.lastActivity = Clock::now();
    if (curl_multi_add_handle(t.connection().multi, t.easy) != CURLM_OK)
        return fail(ERROR_INTERNET_INTERNAL_ERROR);
    t.added = true;
    t.started = true;
    return true;
}

// Lets the connection's transfers run until ready() holds or t has ended.
// False when nothing arrived for the receive timeout; t then counts as
// ended with ERROR_INTERNET_TIMEOUT.
template <class Ready> bool pump(Transfer& t, Ready ready)
{
    Connection& c = t.connection();
    for (;;) {
        if (ready() || t.done)
            return true;
        if (t.paused && t.buffered() < kPauseAbove) {
            t.paused = false;
            curl_easy_pause(t.easy, CURLPAUSE_CONT);
        }
        int running = 0;
        curl_multi_perform(c.multi, &running);
        int left = 0;
        while (CURLMsg* msg = curl_multi_info_read(c.multi, &left)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            char* priv = nullptr;
            curl_easy_getinfo(msg->easy_handle, CURLINFO_PRIVATE, &priv);
            auto* owner = reinterpret_cast<Transfer*>(priv);
            if (owner) {
                owner->done = true;
                owner->result = msg->data.result;
            }
        }
        if (ready() || t.done)
            return true;
        const auto idle = Clock::now() - t.lastActivity;
        const auto limit = std::chrono::milliseconds(t.receiveTimeout);
        if (!t.paused && idle >= limit) {
            t.done = true;
            t.errorOverride = ERROR_INTERNET_TIMEOUT;
            if (t.added) {
                curl_multi_remove_handle(c.multi, t.easy);
                t.added = false;
            }
            return false;
        }
        const auto wait = std::min<Clock::duration>(limit - idle, std::chrono::milliseconds(100));
        curl_multi_poll(c.multi, nullptr, 0,
            static_cast<int>(
                std::max<long long>(1, std::chrono::duration_cast<std::chrono::milliseconds>(wait).count())),
            nullptr);
    }
}

uint32_t transferError(const Transfer& t)
{
    if (t.errorOverride)
        return t.errorOverride;
    return errorOf(t.result);
}

// Runs a transfer that fetches nothing (login, directory change) to its end.
bool probe(Connection& c, const std::string& url)
{
    Transfer t(HandleKind::FtpFile, &c);
    if (!setupEasy(t, url))
        return false;
    curl_easy_setopt(t.easy, CURLOPT_NOBODY, 1L);
    if (!start(t))
        return false;
    pump(t, [] { return false; });
    if (t.errorOverride || t.result != CURLE_OK)
        return fail(transferError(t));
    return true;
}

template <class T> T* checked(HINTERNET h, std::initializer_list<HandleKind> kinds)
{
    if (!isLive(h)) {
        win::setLastError(win::ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (std::find(kinds.begin(), kinds.end(), h->kind) == kinds.end()) {
        win::setLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return nullptr;
    }
    return static_cast<T*>(h);
}

void closeTree(InternetHandle* h)
{
    while (!h->children.empty())
        closeTree(h->children.back());
    {
        std::lock_guard lock(g_handlesMutex);
        g_handles.erase(h);
        if (h->parent) {
            auto& siblings = h->parent->children;
            siblings.erase(std::remove(siblings.begin(), siblings.end(), h), siblings.end());
        }
    }
    if (h->kind == HandleKind::FtpFile && h->parent) {
        auto* c = static_cast<Connection*>(h->parent);
        if (c->ftpFile == h)
            c->ftpFile = nullptr;
    }
    delete h;
}

struct Entry {
    const char* name;
    FARPROC proc;
};

} // namespace

struct InternetLibrary {
    int loads = 0;
};

namespace {
InternetLibrary g_library;
std::mutex g_libraryMutex;
bool g_engineStarted = false;
} // namespace

HMODULE LoadInternetLibrary(const std::string& name)
{
    if (!sameText(name, "WININET.DLL")) {
        win::setLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard lock(g_libraryMutex);
    if (!g_engineStarted) {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
            win::setLastError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        g_engineStarted = true;
    }
    ++g_library.loads;
    return &g_library;
}

bool FreeInternetLibrary(HMODULE module)
{
    std::lock_guard lock(g_libraryMutex);
    if (module != &g_library || g_library.loads == 0)
        return fail(win::ERROR_INVALID_HANDLE);
    --g_library.loads;
    return true;
}

FARPROC GetProcAddress(HMODULE module, const std::string& name)
{
    static const Entry entries[] = {
        { "InternetGetLastResponseInfoA", reinterpret_cast<FARPROC>(&InternetGetLastResponseInfo) },
        { "InternetOpenA", reinterpret_cast<FARPROC>(&InternetOpen) },
        { "InternetConnectA", reinterpret_cast<FARPROC>(&InternetConnect) },
        { "FtpSetCurrentDirectoryA", reinterpret_cast<FARPROC>(&FtpSetCurrentDirectory) },
        { "InternetCloseHandle", reinterpret_cast<FARPROC>(&InternetCloseHandle) },
        { "InternetQueryDataAvailable", reinterpret_cast<FARPROC>(&InternetQueryDataAvailable) },
        { "InternetReadFile", reinterpret_cast<FARPROC>(&InternetReadFile) },
        { "FtpOpenFileA", reinterpret_cast<FARPROC>(&FtpOpenFile) },
        { "HttpOpenRequestA", reinterpret_cast<FARPROC>(&HttpOpenRequest) },
        { "HttpSendRequestA", reinterpret_cast<FARPROC>(&HttpSendRequest) },
        { "HttpQueryInfoA", reinterpret_cast<FARPROC>(&HttpQueryInfo) },
        { "InternetSetOptionA", reinterpret_cast<FARPROC>(&SetInternetOption) },
    };
    if (module != &g_library) {
        win::setLastError(win::ERROR_INVALID_HANDLE);
        return nullptr;
    }
    for (const Entry& e : entries)
        if (name == e.name)
            return e.proc;
    win::setLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

HINTERNET InternetOpen(const std::string& agent, uint32_t accessType, const std::string& proxy,
    const std::string& proxyBypass, uint32_t flags)
{
    (void)proxyBypass;
    (void)flags;
    if (accessType != INTERNET_OPEN_TYPE_PRECONFIG && accessType != INTERNET_OPEN_TYPE_DIRECT
        && accessType != INTERNET_OPEN_TYPE_PROXY) {
        win::setLastError(win::ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (hasControl(agent) || hasControl(proxy)) {
        win::setLastError(win::ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto* s = new Session;
    s->agent = agent;
    if (accessType == INTERNET_OPEN_TYPE_PROXY)
        s->proxy = proxy;
    return registerHandle(s);
}

HINTERNET InternetConnect(HINTERNET session, const std::string& serverName, uint16_t port, const char* userName,
    const char* password, uint32_t service, uint32_t flags, uintptr_t context)
{
    (void)flags;
    (void)context;
    clearResponse();
    auto* s = checked<Session>(session, { HandleKind::Session });
    if (!s)
        return nullptr;
    if (service != INTERNET_SERVICE_FTP && service != INTERNET_SERVICE_HTTP) {
        win::setLastError(win::ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::string host;
    uint16_t namedPort = 0;
    if (!splitServer(serverName, host, namedPort) || !validHost(host)) {
        win::setLastError(ERROR_INTERNET_INVALID_URL);
        return nullptr;
    }
    if ((userName && hasControl(userName)) || (password && hasControl(password))) {
        win::setLastError(win::ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto c = std::make_unique<Connection>(s);
    if (!c->multi) {
        win::setLastError(ERROR_INTERNET_OUT_OF_HANDLES);
        return nullptr;
    }
    c->service = service;
    c->host = host;
    c->port = port != 0 ? port : namedPort;
    c->hasUser = userName != nullptr;
    c->hasPassword = password != nullptr;
    c->user = userName ? userName : "";
    c->password = password ? password : "";
    if (service == INTERNET_SERVICE_FTP && !probe(*c, serverUrl(*c) + "/"))
        return nullptr;
    return registerHandle(c.release());
}

bool FtpSetCurrentDirectory(HINTERNET connection, const std::string& directory)
{
    clearResponse();
    auto* c = checked<Connection>(connection, { HandleKind::Connection });
    if (!c)
        return false;
    if (c->service != INTERNET_SERVICE_FTP)
        return fail(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
    if (c->ftpFile)
        return fail(ERROR_FTP_TRANSFER_IN_PROGRESS);
    if (hasControl(directory))
        return fail(ERROR_INTERNET_INVALID_URL);
    const std::string target = joinFtpDirectory(c->ftpDirectory, directory);
    if (!probe(*c, ftpDirectoryUrl(*c, target)))
        return false;
    c->ftpDirectory = target;
    return true;
}

HINTERNET FtpOpenFile(
    HINTERNET connection, const std::string& fileName, uint32_t access, uint32_t flags, uintptr_t context)
{
    (void)context;
    clearResponse();
    auto* c = checked<Connection>(connection, { HandleKind::Connection });
    if (!c)
        return nullptr;
    if (c->service != INTERNET_SERVICE_FTP) {
        win::setLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return nullptr;
    }
    if (access != GENERIC_READ) {
        win::setLastError(win::ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (c->ftpFile) {
        win::setLastError(ERROR_FTP_TRANSFER_IN_PROGRESS);
        return nullptr;
    }
    if (fileName.empty() || hasControl(fileName)) {
        win::setLastError(ERROR_INTERNET_INVALID_URL);
        return nullptr;
    }
    auto t = std::make_unique<Transfer>(HandleKind::FtpFile, c);
    if (!setupEasy(*t, ftpDirectoryUrl(*c, c->ftpDirectory) + escapePath(fileName)))
        return nullptr;
    if ((flags & 3) == FTP_TRANSFER_TYPE_ASCII)
        curl_easy_setopt(t->easy, CURLOPT_TRANSFERTEXT, 1L);
    if (!start(*t))
        return nullptr;
    // Open once the server said the file is coming, or sent some of it.
    if (!pump(*t, [&] { return t->ftpPreliminary || t->buffered() > 0; })) {
        win::setLastError(ERROR_INTERNET_TIMEOUT);
        return nullptr;
    }
    if (t->done && (t->errorOverride || t->result != CURLE_OK)) {
        win::setLastError(transferError(*t));
        return nullptr;
    }
    c->ftpFile = t.get();
    return registerHandle(t.release());
}

HINTERNET HttpOpenRequest(HINTERNET connection, const std::string& verb, const std::string& objectName,
    const char* version, const char* referrer, const char* const* acceptTypes, uint32_t flags, uintptr_t context)
{
    (void)version;
    (void)acceptTypes;
    (void)flags;
    (void)context;
    auto* c = checked<Connection>(connection, { HandleKind::Connection });
    if (!c)
        return nullptr;
    if (c->service != INTERNET_SERVICE_HTTP) {
        win::setLastError(ERROR_INTERNET_INCORRECT_HANDLE_TYPE);
        return nullptr;
    }
    if (!verb.empty() && verb != "GET") {
        win::setLastError(win::ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (hasControl(objectName) || (referrer && hasControl(referrer))) {
        win::setLastError(ERROR_INTERNET_INVALID_URL);
        return nullptr;
    }
    std::string path = objectName;
    if (path.empty() || path.front() != '/')
        path.insert(path.begin(), '/');
    auto t = std::make_unique<Transfer>(HandleKind::HttpRequest, c);
    if (!setupEasy(*t, serverUrl(*c) + escapePath(path)))
        return nullptr;
    if (referrer && *referrer)
        curl_easy_setopt(t->easy, CURLOPT_REFERER, referrer);
    return registerHandle(t.release());
}

bool HttpSendRequest(
    HINTERNET request, const std::string& headers, int32_t headersLength, const void* optional, uint32_t optionalLength)
{
    (void)optional;
    clearResponse();
    auto* t = checked<Transfer>(request, { HandleKind::HttpRequest });
    if (!t)
        return false;
    if (t->started)
        return fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    if (optionalLength != 0)
        return fail(win::ERROR_INVALID_PARAMETER);
    std::string text = headers;
    if (headersLength >= 0 && static_cast<size_t>(headersLength) < text.size())
        text.resize(static_cast<size_t>(headersLength));
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(pos, end - pos);
        if (hasControl(line))
            return fail(ERROR_HTTP_INVALID_QUERY_REQUEST);
        if (!line.empty())
            t->headerList = curl_slist_append(t->headerList, line.c_str());
        pos = end + 2;
    }
    if (t->headerList)
        curl_easy_setopt(t->easy, CURLOPT_HTTPHEADER, t->headerList);
    if (!start(*t))
        return false;
    if (!pump(*t, [&] { return t->headersComplete; }))
        return fail(ERROR_INTERNET_TIMEOUT);
    if (!t->headersComplete && t->done && !t->errorOverride && t->result == CURLE_OK && t->status > 0)
        t->headersComplete = true; // a reply curl chose not to follow up
    if (!t->headersComplete) {
        // Ended before a reply: no server, refused, reset.
        if (t->errorOverride || t->result != CURLE_OK)
            return fail(transferError(*t));
        return fail(ERROR_HTTP_INVALID_SERVER_RESPONSE);
    }
    return true;
}

bool HttpQueryInfo(HINTERNET request, uint32_t infoLevel, char* buffer, uint32_t& length, uint32_t* index)
{
    (void)index;
    auto* t = checked<Transfer>(request, { HandleKind::HttpRequest });
    if (!t)
        return false;
    if (!t->headersComplete)
        return fail(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
    std::string value;
    switch (infoLevel) {
    case HTTP_QUERY_CONTENT_LENGTH: {
        auto it = std::find_if(
            t->headers.begin(), t->headers.end(), [](const auto& h) { return sameText(h.first, "Content-Length"); });
        if (it == t->headers.end())
            return fail(ERROR_HTTP_HEADER_NOT_FOUND);
        value = it->second;
        break;
    }
    case HTTP_QUERY_STATUS_CODE:
        value = std::to_string(t->status);
        break;
    case HTTP_QUERY_STATUS_TEXT: {
        // "HTTP/1.1 404 Not Found": the text after the code.
        const size_t first = t->statusLine.find(' ');
        const size_t second = first == std::string::npos ? first : t->statusLine.find(' ', first + 1);
        value = second == std::string::npos ? std::string() : t->statusLine.substr(second + 1);
        break;
    }
    default:
        return fail(ERROR_HTTP_INVALID_QUERY_REQUEST);
    }
    if (!buffer || length < value.size() + 1) {
        length = static_cast<uint32_t>(value.size() + 1);
        return fail(win::ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(buffer, value.c_str(), value.size() + 1);
    length = static_cast<uint32_t>(value.size());
    return true;
}

namespace {

Transfer* readable(HINTERNET file)
{
    auto* t = checked<Transfer>(file, { HandleKind::FtpFile, HandleKind::HttpRequest });
    if (t && !t->started) {
        win::setLastError(ERROR_INTERNET_INCORRECT_HANDLE_STATE);
        return nullptr;
    }
    return t;
}

} // namespace

bool InternetQueryDataAvailable(HINTERNET file, uint32_t& bytesAvailable, uint32_t flags, uintptr_t context)
{
    (void)flags;
    (void)context;
    bytesAvailable = 0;
    auto* t = readable(file);
    if (!t)
        return false;
    curl_off_t size = -1;
    if (t->easy)
        curl_easy_getinfo(t->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &size);
    if (size >= 0) {
        const uint64_t left = static_cast<uint64_t>(size) > t->consumed ? static_cast<uint64_t>(size) - t->consumed : 0;
        bytesAvailable = static_cast<uint32_t>(std::min<uint64_t>(left, UINT32_MAX));
        return true;
    }
    if (!pump(*t, [&] { return t->buffered() > 0; }))
        return fail(ERROR_INTERNET_TIMEOUT);
    if (t->buffered() == 0 && t->done && (t->errorOverride || t->result != CURLE_OK))
        return fail(transferError(*t));
    bytesAvailable = static_cast<uint32_t>(std::min<size_t>(t->buffered(), UINT32_MAX));
    return true;
}

bool InternetReadFile(HINTERNET file, void* buffer, uint32_t toRead, uint32_t& read)
{
    read = 0;
    auto* t = readable(file);
    if (!t)
        return false;
    if (toRead == 0)
        return true;
    if (!buffer)
        return fail(win::ERROR_INVALID_PARAMETER);
    if (!pump(*t, [&] { return t->buffered() > 0; }))
        return fail(ERROR_INTERNET_TIMEOUT);
    if (t->buffered() == 0) {
        if (t->errorOverride || t->result != CURLE_OK)
            return fail(transferError(*t));
        return true; // the end
    }
    const size_t n = std::min<size_t>(toRead, t->buffered());
    std::memcpy(buffer, t->data.data() + t->readPos, n);
    t->readPos += n;
    t->consumed += n;
    if (t->readPos == t->data.size()) {
        t->data.clear();
        t->readPos = 0;
    }
    read = static_cast<uint32_t>(n);
    return true;
}

bool InternetCloseHandle(HINTERNET handle)
{
    if (!isLive(handle))
        return fail(win::ERROR_INVALID_HANDLE);
    closeTree(handle);
    return true;
}

bool InternetGetLastResponseInfo(uint32_t& error, char* buffer, uint32_t& length)
{
    error = 0;
    if (!t_hasResponse)
        return fail(win::ERROR_NO_MORE_ITEMS);
    if (!buffer || length == 0) {
        length = static_cast<uint32_t>(t_lastResponse.size() + 1);
        return fail(win::ERROR_INSUFFICIENT_BUFFER);
    }
    const size_t n = std::min<size_t>(t_lastResponse.size(), length - 1);
    std::memcpy(buffer, t_lastResponse.data(), n);
    buffer[n] = '\0';
    length = static_cast<uint32_t>(n);
    if (t_lastResponse.size() >= 3)
        error = static_cast<uint32_t>(std::strtoul(t_lastResponse.c_str(), nullptr, 10));
    return true;
}

bool SetInternetOption(HINTERNET handle, uint32_t option, uint32_t value)
{
    if (option != INTERNET_OPTION_CONNECT_TIMEOUT && option != INTERNET_OPTION_RECEIVE_TIMEOUT
        && option != INTERNET_OPTION_DATA_RECEIVE_TIMEOUT)
        return fail(ERROR_INTERNET_INVALID_OPTION);
    const bool connect = option == INTERNET_OPTION_CONNECT_TIMEOUT;
    if (!handle) {
        (connect ? g_defaultConnectTimeout : g_defaultReceiveTimeout) = value;
        return true;
    }
    if (!isLive(handle))
        return fail(win::ERROR_INVALID_HANDLE);
    (connect ? handle->connectTimeout : handle->receiveTimeout) = value;
    return true;
}

} // namespace net
