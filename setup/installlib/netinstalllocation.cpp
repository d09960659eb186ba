#include "setup/installlib/netinstalllocation.h"

#include "platform/ui/message_service.h"
#include "platform/win/errors.h"
#include "platform/win/file.h"
#include "platform/win/machine.h"
#include "setup/installlib/routines.h"
#include "setup/installlib/translator.h"

#include <QCoreApplication>

#include <algorithm>
#include <climits>

namespace installlib {

namespace {

TCustomNetInstallLocation* g_defaultLocation = nullptr;
TCustomNetInstallLocation* g_connectingLocation = nullptr;
bool g_userAbort = false;
// Shared by all locations; set by the first one that binds the library.
decltype(&net::InternetGetLastResponseInfo) g_getLastResponseInfo = nullptr;

std::string trim(std::string_view s)
{
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return std::string(s);
}

std::string lastServerResponse()
{
    if (!g_getLastResponseInfo)
        return TranslateText("No server response");
    std::string buffer(3000, '\0');
    uint32_t length = static_cast<uint32_t>(buffer.size());
    uint32_t error = 0;
    if (!g_getLastResponseInfo(error, buffer.data(), length))
        return TranslateText("No server response");
    buffer.resize(std::min<size_t>(length, buffer.size() - 1));
    return buffer;
}

int clampToInt(int64_t v)
{
    return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

} // namespace

// --- errors ---

std::string ENIL::Compose(std::string Step)
{
    // The last error first: the calls below may change it.
    const std::string errorName = NetErrorName(win::lastError());
    const std::string host = g_connectingLocation ? g_connectingLocation->LoginInformation().Hostname : std::string();
    const std::string response = lastServerResponse();
    return TranslateFormat(
        "%s. Error message %s. Server %s. Response from server %s", { std::move(Step), errorName, host, response });
}

ENIL::ENIL(std::string_view Message)
    : Exception(Compose(TranslateText(Message)))
{
}

ENIL::ENIL(std::string_view Format, const FormatArgs& Args)
    : Exception(Compose(TranslateFormat(Format, Args)))
{
}

#define INSTALLLIB_NIL_PLAIN_ERROR_DEFINE(Name)                                                                        \
    Name::Name(std::string_view Message)                                                                               \
        : Exception(TranslateText(Message))                                                                            \
    {                                                                                                                  \
    }                                                                                                                  \
    Name::Name(std::string_view Format, const FormatArgs& Args)                                                        \
        : Exception(TranslateFormat(Format, Args))                                                                     \
    {                                                                                                                  \
    }

INSTALLLIB_NIL_PLAIN_ERROR_DEFINE(ENIL_WriteDestFile)
INSTALLLIB_NIL_PLAIN_ERROR_DEFINE(ENIL_FailLoadWININET)
INSTALLLIB_NIL_PLAIN_ERROR_DEFINE(ENIL_FailLoadDLLProc)

#undef INSTALLLIB_NIL_PLAIN_ERROR_DEFINE

std::string NetErrorName(uint32_t Code)
{
    static const char* const internet[] = {
        "ERROR_INTERNET_OUT_OF_HANDLES", // 12001
        "ERROR_INTERNET_TIMEOUT", "ERROR_INTERNET_EXTENDED_ERROR", "ERROR_INTERNET_INTERNAL_ERROR",
        "ERROR_INTERNET_INVALID_URL", "ERROR_INTERNET_UNRECOGNIZED_SCHEME", "ERROR_INTERNET_NAME_NOT_RESOLVED",
        "ERROR_INTERNET_PROTOCOL_NOT_FOUND", "ERROR_INTERNET_INVALID_OPTION",
        "ERROR_INTERNET_BAD_OPTION_LENGTH", // 12010
        "ERROR_INTERNET_OPTION_NOT_SETTABLE", "ERROR_INTERNET_SHUTDOWN", "ERROR_INTERNET_INCORRECT_USER_NAME",
        "ERROR_INTERNET_INCORRECT_PASSWORD", "ERROR_INTERNET_LOGIN_FAILURE", "ERROR_INTERNET_INVALID_OPERATION",
        "ERROR_INTERNET_OPERATION_CANCELLED", "ERROR_INTERNET_INCORRECT_HANDLE_TYPE",
        "ERROR_INTERNET_INCORRECT_HANDLE_STATE",
        "ERROR_INTERNET_NOT_PROXY_REQUEST", // 12020
        "ERROR_INTERNET_REGISTRY_VALUE_NOT_FOUND", "ERROR_INTERNET_BAD_REGISTRY_PARAMETER",
        "ERROR_INTERNET_NO_DIRECT_ACCESS", "ERROR_INTERNET_NO_CONTEXT", "ERROR_INTERNET_NO_CALLBACK",
        "ERROR_INTERNET_REQUEST_PENDING", "ERROR_INTERNET_INCORRECT_FORMAT", "ERROR_INTERNET_ITEM_NOT_FOUND",
        "ERROR_INTERNET_CANNOT_CONNECT",
        "ERROR_INTERNET_CONNECTION_ABORTED", // 12030
        "ERROR_INTERNET_CONNECTION_RESET",
        "ERROR_INTERNET_FORCE_RETRY", // 12032
    };
    static const char* const gopher[] = {
        "ERROR_GOPHER_PROTOCOL_ERROR", // 12130
        "ERROR_GOPHER_NOT_FILE", "ERROR_GOPHER_DATA_ERROR", "ERROR_GOPHER_END_OF_DATA", "ERROR_GOPHER_INVALID_LOCATOR",
        "ERROR_GOPHER_INCORRECT_LOCATOR_TYPE", "ERROR_GOPHER_NOT_GOPHER_PLUS", "ERROR_GOPHER_ATTRIBUTE_NOT_FOUND",
        "ERROR_GOPHER_UNKNOWN_LOCATOR", // 12138
    };
    static const char* const http[] = {
        "ERROR_HTTP_HEADER_NOT_FOUND", // 12150
        "ERROR_HTTP_DOWNLEVEL_SERVER", "ERROR_HTTP_INVALID_SERVER_RESPONSE", "ERROR_HTTP_INVALID_HEADER",
        "ERROR_HTTP_INVALID_QUERY_REQUEST", "ERROR_HTTP_HEADER_ALREADY_EXISTS", "ERROR_HTTP_REDIRECT_FAILED", // 12156
    };
    if (Code == 6)
        return "ERROR_INVALID_HANDLE";
    if (Code >= 12001 && Code <= 12032)
        return internet[Code - 12001];
    if (Code == 12036)
        return "ERROR_INTERNET_HANDLE_EXISTS";
    if (Code == 12041)
        return "ERROR_INTERNET_MIXED_SECURITY";
    if (Code == 12110)
        return "ERROR_FTP_TRANSFER_IN_PROGRESS";
    if (Code == 12111)
        return "ERROR_FTP_DROPPED";
    if (Code >= 12130 && Code <= 12138)
        return gopher[Code - 12130];
    if (Code >= 12150 && Code <= 12156)
        return http[Code - 12150];
    return "Unregistered error code";
}

// --- login ---

void TCustomLoginInformation::Assign(const TCustomLoginInformation& Source)
{
    if (&Source == this)
        return;
    Anonymous = Source.Anonymous;
    Directory = Source.Directory;
    Hostname = Source.Hostname;
    Password = Source.Password;
    Protocol = Source.Protocol;
    Username = Source.Username;
}

// --- paths ---

std::string NetServerPath(std::string_view Directory)
{
    std::string path = trim(Directory);
    if (path.empty())
        return "/";
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string NetHttpRequestPath(std::string_view Directory, std::string_view RemoteFileName)
{
    std::string directory(Directory);
    if (!directory.empty() && directory.back() != '\\' && directory.back() != '/')
        directory += '\\';
    std::string path = NetServerPath(directory) + std::string(RemoteFileName);
    if (path.front() != '/')
        path.insert(path.begin(), '/');
    return path;
}

// --- library-wide state ---

void TCustomNetInstallLocationList::Add(TCustomNetInstallLocation* Location)
{
    if (!Location)
        throw IENetList("Cannot add a blank location to the global net location list");
    items_.push_back(Location);
}

TCustomNetInstallLocationList& NetInstallLocationList()
{
    static TCustomNetInstallLocationList list;
    return list;
}

TCustomNetInstallLocation* DefaultNetLocation()
{
    return g_defaultLocation;
}

void SetDefaultNetLocation(TCustomNetInstallLocation* Location)
{
    g_defaultLocation = Location;
}

TCustomNetInstallLocation* ConnectingNetLocation()
{
    return g_connectingLocation;
}

bool NetUserAbort()
{
    return g_userAbort;
}

void SetNetUserAbort(bool Value)
{
    g_userAbort = Value;
}

// --- the location ---

TCustomNetInstallLocation::TCustomNetInstallLocation(TComponent* Owner)
    : TComponent(Owner)
    , login_(this)
{
    NetInstallLocationList().Add(this);
}

TCustomNetInstallLocation::~TCustomNetInstallLocation()
{
    if (g_connectingLocation == this)
        g_connectingLocation = nullptr;
    Disconnect();
    if (library_) {
        net::FreeInternetLibrary(library_);
        library_ = nullptr;
        loaded_ = false;
    }
    if (g_defaultLocation == this)
        g_defaultLocation = nullptr;
    NetInstallLocationList().Remove(this);
}

void TCustomNetInstallLocation::LoadWininet()
{
    net::HMODULE library = net::LoadInternetLibrary("WININET.DLL");
    if (!library)
        throw ENIL_FailLoadWININET(
            "Failed to load the Wininet.dll. If this is a hybrid installation, you might want to "
            "include the WININET.DLL file in the PresetupFiles property of the TInstall "
            "component");
    EntryPoints api;
    decltype(g_getLastResponseInfo) lastResponseInfo = nullptr;
    const auto resolve = [&](auto& target, const char* exported, const char* shown) {
        net::FARPROC proc = net::GetProcAddress(library, exported);
        if (!proc) {
            net::FreeInternetLibrary(library);
            throw ENIL_FailLoadDLLProc("Failed to load the procedure %s from WININET.DLL", { shown });
        }
        target = reinterpret_cast<std::remove_reference_t<decltype(target)>>(proc);
    };
    resolve(lastResponseInfo, "InternetGetLastResponseInfoA", "InternetGetLastResponseInfo");
    resolve(api.InternetOpen, "InternetOpenA", "InternetOpen");
    resolve(api.InternetConnect, "InternetConnectA", "InternetConnect");
    resolve(api.FtpSetCurrentDirectory, "FtpSetCurrentDirectoryA", "FtpSetCurrentDirectory");
    resolve(api.InternetCloseHandle, "InternetCloseHandle", "InternetCloseHandle");
    resolve(api.InternetQueryDataAvailable, "InternetQueryDataAvailable", "InternetQueryDataAvailable");
    resolve(api.InternetReadFile, "InternetReadFile", "InternetReadFile");
    resolve(api.FtpOpenFile, "FtpOpenFileA", "FtpOpenFile");
    resolve(api.HttpOpenRequest, "HttpOpenRequestA", "HttpOpenRequest");
    resolve(api.HttpSendRequest, "HttpSendRequestA", "HttpSendRequest");
    resolve(api.HttpQueryInfo, "HttpQueryInfoA", "HttpQueryInfo");
    resolve(api.InternetSetWaitCheck, "InternetSetWaitCheck", "InternetSetWaitCheck");
    if (library_)
        net::FreeInternetLibrary(library_);
    library_ = library;
    api_ = api;
    g_getLastResponseInfo = lastResponseInfo;
    loaded_ = true;
}

void TCustomNetInstallLocation::SetLoginInformation(const TLoginInformation& Value)
{
    login_.Assign(Value);
}

bool TCustomNetInstallLocation::IsLoginInformationSet(const TCustomLoginInformation& Login) const
{
    if (Login.Anonymous)
        return !trim(Login.Hostname).empty();
    return !trim(Login.Hostname).empty() || !trim(Login.Password).empty() || !trim(Login.Username).empty();
}

void TCustomNetInstallLocation::Connect()
{
    g_connectingLocation = this;
    if (!loaded_)
        LoadWininet();
    if (!session_) {
        const std::string agent = QCoreApplication::applicationName().toStdString();
        session_ = api_.InternetOpen(agent, net::INTERNET_OPEN_TYPE_PRECONFIG, "", "", 0);
        if (!session_)
            throw ENIL_OpenSession("Cannot open internet connection");
        // A Cancel pressed while a call waits for the server ends that wait.
        api_.InternetSetWaitCheck(session_, [] {
            ui::MessageService::current().processMessages();
            return !NetUserAbort();
        });
    }
    const bool ftp = login_.Protocol == ipFTP;
    // A relative directory is taken from the login directory. The connection
    // stands there until its first change; one that stands elsewhere is
    // replaced by a new login rather than going on from there.
    const std::string path = ftp ? NetServerPath(login_.Directory) : std::string();
    const bool relative = ftp && path.front() != '/';
    if (connection_ && relative && !ftpDirectory_.empty() && path != ftpDirectory_
        && api_.InternetCloseHandle(connection_))
        connection_ = nullptr;
    if (!connection_) {
        ftpDirectory_.clear();
        if (OnBeforeConnect)
            OnBeforeConnect(this);
        const char* user = login_.Username.c_str();
        const char* password = login_.Password.c_str();
        if (login_.Anonymous)
            user = password = ftp ? nullptr : "";
        connection_ = api_.InternetConnect(session_, trim(login_.Hostname), net::INTERNET_DEFAULT_PORT, user, password,
            ftp ? net::INTERNET_SERVICE_FTP : net::INTERNET_SERVICE_HTTP, 0, 0);
        if (!connection_)
            throw ENIL_OpenService("Cannot connect to host %s", { login_.Hostname });
        if (OnAfterConnect)
            OnAfterConnect(this);
    }
    if (ftp && !(relative && path == ftpDirectory_)) {
        if (!api_.FtpSetCurrentDirectory(connection_, path))
            throw ENIL_FTPSetDir("Cannot set directory on server to %s", { path });
        ftpDirectory_ = path;
    }
}

void TCustomNetInstallLocation::Disconnect()
{
    if (file_ && api_.InternetCloseHandle && api_.InternetCloseHandle(file_))
        file_ = nullptr;
    if (connection_ && api_.InternetCloseHandle(connection_)) {
        connection_ = nullptr;
        ftpDirectory_.clear();
    }
    if (session_ && api_.InternetCloseHandle(session_))
        session_ = nullptr;
}

void TCustomNetInstallLocation::CloseFile(bool Quietly)
{
    if (!file_)
        return;
    const bool closed = api_.InternetCloseHandle(file_);
    file_ = nullptr;
    // While cleaning up after an error, that error is the one to report.
    if (!closed && !Quietly)
        throw ENIL_FTPCloseFile("Cannot close the file %s on the server", { remoteFileName_ });
}

void TCustomNetInstallLocation::Download(const std::string& RemoteFileName, const std::string& LocalFileName)
{
    // A Cancel while a call waits for the server fails that call; like a
    // Cancel between blocks it ends the download without an error.
    try {
        Connect();
        remoteFileName_ = RemoteFileName;
        localFileName_ = LocalFileName;
        if (OnBeforeDownload)
            OnBeforeDownload(this);

        const bool http = login_.Protocol == ipHTTP;
        if (!http) {
            file_ = api_.FtpOpenFile(connection_, RemoteFileName, net::GENERIC_READ, net::FTP_TRANSFER_TYPE_BINARY, 0);
            if (!file_)
                throw ENIL_FTPOpenFile("Cannot open file %s on server", { RemoteFileName });
        } else {
            const std::string path = NetHttpRequestPath(login_.Directory, RemoteFileName);
            file_ = api_.HttpOpenRequest(connection_, "GET", path, nullptr, nullptr, nullptr,
                net::INTERNET_FLAG_RELOAD | net::INTERNET_FLAG_EXISTING_CONNECT | net::INTERNET_FLAG_NO_CACHE_WRITE, 0);
            if (!file_)
                throw ENIL_HTTPOpenFile("Cannot open file %s on server", { RemoteFileName });
            const std::string headers = "Accept: */*\r\n\r\n";
            if (!api_.HttpSendRequest(file_, headers, static_cast<int32_t>(headers.size()), nullptr, 0))
                throw ENIL_HTTPSendRequest("Cannot send request for file %s to the server", { RemoteFileName });
            // The status decides, not the body: a page of "404" is data.
            char status[33] = {};
            uint32_t length = sizeof status;
            int code = 0;
            if (!api_.HttpQueryInfo(file_, net::HTTP_QUERY_STATUS_CODE, status, length, nullptr)
                || !TryStrToInt(status, code))
                throw ENIL_HTTPSendRequest("Cannot send request for file %s to the server", { RemoteFileName });
            if (code == 404 || code == 410)
                throw ENIL_FileNotFound("Could not find the file %s on the server", { RemoteFileName });
            // We never ask for a range: only 200 is the whole file.
            if (code != 200)
                throw ENIL_HTTPOpenFile("Cannot open file %s on server", { RemoteFileName });
        }
        TransferLoop(http);
    } catch (const ENIL&) {
        CloseFile(true);
        if (!NetUserAbort())
            throw;
    } catch (...) {
        CloseFile(true);
        throw;
    }
    CloseFile(false);
    // A user abort ends the download without an error: the event hears it,
    // the caller (which reads the flag) raises; nothing was put in place.
    if (OnAfterDownload)
        OnAfterDownload(this, NetUserAbort());
}

bool TCustomNetInstallLocation::TransferLoop(bool Http)
{
    // The size the server announced.
    int64_t fileSize = 0;
    if (!Http) {
        uint32_t available = 0;
        if (!api_.InternetQueryDataAvailable(file_, available, 0, 0))
            throw ENIL_FailDataQuery("Could not query file %s on server", { remoteFileName_ });
        fileSize = available;
    } else {
        char buffer[33] = {};
        uint32_t length = sizeof buffer;
        if (api_.HttpQueryInfo(file_, net::HTTP_QUERY_CONTENT_LENGTH, buffer, length, nullptr)) {
            int value = 0;
            fileSize = TryStrToInt(buffer, value) && value > 0 ? value : 0;
        } else if (win::lastError() != net::ERROR_HTTP_HEADER_NOT_FOUND) {
            throw ENIL_FailDataQuery("Could not query file %s on server", { remoteFileName_ });
        }
    }

    // The data goes to a temporary file beside the local file, renamed into
    // place once complete, so a failed or aborted download leaves nothing.
    win::Machine& machine = win::Machine::current();
    const std::string target = machine.fullPathName(localFileName_);
    const size_t slash = target.find_last_of('\\');
    const std::string temp = target.empty() || slash == std::string::npos
        ? std::string()
        : machine.tempFileName(target.substr(0, slash), "nil");
    win::File out;
    if (temp.empty() || !out.open(machine, temp, win::GENERIC_WRITE, 0, win::CREATE_ALWAYS)) {
        if (!temp.empty())
            machine.deleteFile(temp);
        throw ENIL_WriteDestFile("%s could not write to the local dest file %s", { Name(), localFileName_ });
    }

    bool aborted = false;
    try {
        std::vector<char> block(kNetBlockSize);
        int64_t total = 0;
        uint32_t got = 0;
        if (!api_.InternetReadFile(file_, block.data(), kNetBlockSize, got))
            throw ENIL_ReadFile("Could not read from file %s on the server", { remoteFileName_ });
        while (got > 0) {
            total += got;
            const int blockSize = static_cast<int>(got);
            if (OnDataReceived)
                OnDataReceived(this, remoteFileName_, blockSize, clampToInt(total), clampToInt(fileSize), block.data());
            if (OnDataReceivedHook)
                OnDataReceivedHook(
                    this, remoteFileName_, blockSize, clampToInt(total), clampToInt(fileSize), block.data());
            ui::MessageService::current().processMessages();
            if (NetUserAbort()) {
                aborted = true;
                break;
            }
            uint32_t written = 0;
            if (!out.write(block.data(), got, written) || written < got)
                throw ENIL_WriteDestFile("%s could not write to the local dest file %s", { Name(), localFileName_ });
            if (!api_.InternetReadFile(file_, block.data(), kNetBlockSize, got))
                throw ENIL_ReadFile("Could not read from file %s on the server", { remoteFileName_ });
        }
        out.close();
        if (!aborted && total < 1)
            throw ENIL_FileNotFound("Could not find the file %s on the server", { remoteFileName_ });
        if (!aborted && !machine.moveFileEx(temp, target, win::MOVEFILE_REPLACE_EXISTING))
            throw ENIL_WriteDestFile("%s could not write to the local dest file %s", { Name(), localFileName_ });
    } catch (...) {
        out.close();
        machine.deleteFile(temp);
        throw;
    }
    if (aborted)
        machine.deleteFile(temp);
    return aborted;
}

} // namespace installlib
