#include "platform/net/internet.h"

#include "platform/net/internet_handles.h"

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

using namespace detail;

namespace {

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
        { "InternetSetWaitCheck", reinterpret_cast<FARPROC>(&InternetSetWaitCheck) },
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
    const auto coming = [&] { return t->ftpPreliminary || t->buffered() > 0; };
    if (!pump(*t, coming, headersDeadline(*t))) {
        win::setLastError(transferError(*t));
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
    const auto headersIn = [&] { return t->headersComplete; };
    if (!pump(*t, headersIn, headersDeadline(*t)))
        return fail(transferError(*t));
    if (!t->headersComplete && t->done && !t->errorOverride && t->result == CURLE_OK && t->status > 0)
        t->headersComplete = true; // a reply curl chose not to follow up
    if (!t->headersComplete) {
        // Ended before a reply: no server, refused, reset.
        if (t->errorOverride || t->result != CURLE_OK)
            return fail(transferError(*t));
        return fail(ERROR_HTTP_INVALID_SERVER_RESPONSE);
    }
    // Lengths that disagree leave the size of the file unknown: curl would
    // read one and the caller be told the other.
    std::string length;
    for (const auto& [name, value] : t->headers) {
        if (!sameText(name, "Content-Length"))
            continue;
        for (size_t pos = 0; pos <= value.size();) {
            size_t comma = value.find(',', pos);
            if (comma == std::string::npos)
                comma = value.size();
            std::string item = value.substr(pos, comma - pos);
            item.erase(0, item.find_first_not_of(" \t"));
            item.erase(item.find_last_not_of(" \t") + 1);
            if (length.empty())
                length = item;
            else if (item != length) {
                endTransfer(*t, ERROR_HTTP_INVALID_SERVER_RESPONSE);
                return fail(ERROR_HTTP_INVALID_SERVER_RESPONSE);
            }
            pos = comma + 1;
        }
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
        return fail(transferError(*t));
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
        return fail(transferError(*t));
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
    if (!hasResponse())
        return fail(win::ERROR_NO_MORE_ITEMS);
    if (!buffer || length == 0) {
        length = static_cast<uint32_t>(responseText().size() + 1);
        return fail(win::ERROR_INSUFFICIENT_BUFFER);
    }
    const size_t n = std::min<size_t>(responseText().size(), length - 1);
    std::memcpy(buffer, responseText().data(), n);
    buffer[n] = '\0';
    length = static_cast<uint32_t>(n);
    if (responseText().size() >= 3)
        error = static_cast<uint32_t>(std::strtoul(responseText().c_str(), nullptr, 10));
    return true;
}

bool SetInternetOption(HINTERNET handle, uint32_t option, uint32_t value)
{
    if (option != INTERNET_OPTION_CONNECT_TIMEOUT && option != INTERNET_OPTION_RECEIVE_TIMEOUT
        && option != INTERNET_OPTION_DATA_RECEIVE_TIMEOUT && option != INTERNET_OPTION_HEADERS_TIMEOUT)
        return fail(ERROR_INTERNET_INVALID_OPTION);
    if (handle && !isLive(handle))
        return fail(win::ERROR_INVALID_HANDLE);
    const auto set = [&](uint32_t InternetHandle::*field, std::atomic<uint32_t>& byDefault) {
        if (handle)
            handle->*field = value;
        else
            byDefault = value;
    };
    if (option == INTERNET_OPTION_CONNECT_TIMEOUT)
        set(&InternetHandle::connectTimeout, g_defaultConnectTimeout);
    else if (option == INTERNET_OPTION_HEADERS_TIMEOUT)
        set(&InternetHandle::headersTimeout, g_defaultHeadersTimeout);
    else
        set(&InternetHandle::receiveTimeout, g_defaultReceiveTimeout);
    return true;
}

bool InternetSetWaitCheck(HINTERNET handle, InternetWaitCheck check)
{
    if (!isLive(handle))
        return fail(win::ERROR_INVALID_HANDLE);
    handle->waitCheck = std::move(check);
    return true;
}

} // namespace net
