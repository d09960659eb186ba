#include "platform/net/internet_handles.h"

#include "platform/win/errors.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <strings.h>

namespace net::detail {

std::atomic<uint32_t> g_defaultConnectTimeout { 60000 };
std::atomic<uint32_t> g_defaultReceiveTimeout { 60000 };
std::atomic<uint32_t> g_defaultHeadersTimeout { 120000 };

namespace {

thread_local bool t_hasResponse = false;
thread_local std::string t_lastResponse;

} // namespace

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

bool hasResponse()
{
    return t_hasResponse;
}

const std::string& responseText()
{
    return t_lastResponse;
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

namespace {

// Characters of a URL path segment that need no escape.
bool unreservedChar(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.'
        || c == '_' || c == '~';
}

} // namespace

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
        if (unreservedChar(c) || c == '/') {
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

namespace {
std::mutex g_handlesMutex;
std::set<InternetHandle*> g_handles;
} // namespace

HINTERNET registerHandle(InternetHandle* h)
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

bool sameText(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

namespace {

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

} // namespace

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

Clock::time_point headersDeadline(const Transfer& t)
{
    return Clock::now() + std::chrono::milliseconds(t.headersTimeout);
}

void endTransfer(Transfer& t, uint32_t code)
{
    t.done = true;
    t.errorOverride = code;
    if (t.added) {
        curl_multi_remove_handle(t.connection().multi, t.easy);
        t.added = false;
    }
}

bool pump(Transfer& t, const std::function<bool()>& ready, Clock::time_point deadline)
{
    Connection& c = t.connection();
    // The timeout counts from the later of the last data and the start of
    // this wait: time the caller spent between reads is not the server's.
    const Clock::time_point waitStart = Clock::now();
    constexpr auto kCheckEvery = std::chrono::milliseconds(100);
    Clock::time_point nextCheck = waitStart + kCheckEvery;
    for (;;) {
        if (t.paused && t.buffered() < kPauseAbove) {
            t.paused = false;
            t.lastActivity = Clock::now();
            curl_easy_pause(t.easy, CURLPAUSE_CONT);
        }
        if (ready() || t.done)
            return true;
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
        const Clock::time_point now = Clock::now();
        const auto idle = now - std::max(t.lastActivity, waitStart);
        const auto limit = std::chrono::milliseconds(t.receiveTimeout);
        // Data that keeps coming does not hold a wait for a reply's head open.
        if ((!t.paused && idle >= limit) || now >= deadline) {
            endTransfer(t, ERROR_INTERNET_TIMEOUT);
            return false;
        }
        if (t.waitCheck && now >= nextCheck) {
            if (!t.waitCheck()) {
                endTransfer(t, ERROR_INTERNET_OPERATION_CANCELLED);
                return false;
            }
            nextCheck = Clock::now() + kCheckEvery;
        }
        const auto wait = std::min<Clock::duration>({ limit - idle, deadline - now, kCheckEvery });
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
    // Our URLs are http: curl says "unsupported protocol" to a reply
    // without a status line (HTTP/0.9 or no HTTP at all).
    if (t.kind == HandleKind::HttpRequest && t.result == CURLE_UNSUPPORTED_PROTOCOL && t.statusLine.empty())
        return ERROR_HTTP_INVALID_SERVER_RESPONSE;
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
    const auto never = [] { return false; };
    pump(t, never, headersDeadline(t));
    if (t.errorOverride || t.result != CURLE_OK)
        return fail(transferError(t));
    return true;
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

} // namespace net::detail
