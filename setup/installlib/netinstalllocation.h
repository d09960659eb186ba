#pragma once

// The net install location: a non-visual component that downloads install
// files (archives, the file list) from an FTP or HTTP server through the
// Internet library, bound when it first connects. It connects lazily, stays
// connected, and reads each file in blocks of 8192 bytes, firing an event
// per block and letting window messages run so that a Cancel button can set
// the user-abort flag, which ends the download at the next block.
//
//   TCustomNetInstallLocation location(owner);
//   location.LoginInformation().Hostname = "files.example.com";
//   location.LoginInformation().Directory = "setup\\net";
//   location.Download("Group1.1", "C:\\TEMP\\nil1.1");  // ENIL... on failure
//
// A download is written to a temporary file beside the local file and
// renamed into place only when it is complete; a failure or a user abort
// leaves the local file as it was.

#include "platform/net/internet.h"
#include "setup/installlib/component.h"
#include "setup/installlib/exceptions.h"
#include "setup/installlib/pointerlist.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace installlib {

// --- errors ---

// A download failure. The text is the step's message followed by the name
// of the thread's last error, the host of the location that last began to
// connect and the server's last reply:
// "<message>. Error message <ERROR_...>. Server <host>. Response from server <reply>".
// Message and frame pass through the translator.
class ENIL : public Exception {
public:
    explicit ENIL(std::string_view Message);
    ENIL(std::string_view Format, const FormatArgs& Args);

private:
    static std::string Compose(std::string Step);
};

#define INSTALLLIB_NIL_ERROR(Name, Base)                                                                               \
    class Name : public Base {                                                                                         \
    public:                                                                                                            \
        using Base::Base;                                                                                              \
    };

INSTALLLIB_NIL_ERROR(ENIL_OpenSession, ENIL)
INSTALLLIB_NIL_ERROR(ENIL_OpenService, ENIL)
INSTALLLIB_NIL_ERROR(ENIL_FailDataQuery, ENIL)
INSTALLLIB_NIL_ERROR(ENIL_ReadFile, ENIL)
INSTALLLIB_NIL_ERROR(ENIL_FileNotFound, ENIL)
INSTALLLIB_NIL_ERROR(ENIL_FTP, ENIL)
INSTALLLIB_NIL_ERROR(ENIL_FTPSetDir, ENIL_FTP)
INSTALLLIB_NIL_ERROR(ENIL_FTPOpenFile, ENIL_FTP)
INSTALLLIB_NIL_ERROR(ENIL_FTPCloseFile, ENIL_FTP)
INSTALLLIB_NIL_ERROR(ENIL_HTTP, ENIL)
INSTALLLIB_NIL_ERROR(ENIL_HTTPOpenFile, ENIL_HTTP)
INSTALLLIB_NIL_ERROR(ENIL_HTTPSendRequest, ENIL_HTTP)
INSTALLLIB_NIL_ERROR(IENetList, ENIL)

// These derive from Exception directly and carry their (translated)
// message only.
#define INSTALLLIB_NIL_PLAIN_ERROR(Name)                                                                               \
    class Name : public Exception {                                                                                    \
    public:                                                                                                            \
        explicit Name(std::string_view Message);                                                                       \
        Name(std::string_view Format, const FormatArgs& Args);                                                         \
    };

INSTALLLIB_NIL_PLAIN_ERROR(ENIL_WriteDestFile)
INSTALLLIB_NIL_PLAIN_ERROR(ENIL_FailLoadWININET)
INSTALLLIB_NIL_PLAIN_ERROR(ENIL_FailLoadDLLProc)

#undef INSTALLLIB_NIL_PLAIN_ERROR
#undef INSTALLLIB_NIL_ERROR

// The name of an Internet library error code as its constant is spelled
// ("ERROR_INTERNET_TIMEOUT"); "Unregistered error code" for codes without one.
std::string NetErrorName(uint32_t Code);

// --- login ---

enum TInternetProtocol { ipFTP, ipHTTP };

class TCustomNetInstallLocation;

// Where and how a location logs in.
class TCustomLoginInformation {
public:
    explicit TCustomLoginInformation(TCustomNetInstallLocation* Location = nullptr)
        : location_(Location)
    {
    }
    virtual ~TCustomLoginInformation() = default;
    TCustomLoginInformation(const TCustomLoginInformation&) = delete;
    TCustomLoginInformation& operator=(const TCustomLoginInformation&) = delete;

    // Copies the six properties; the owning location stays.
    virtual void Assign(const TCustomLoginInformation& Source);

    TCustomNetInstallLocation* Location() const { return location_; }

    bool Anonymous = true;
    std::string Directory; // server directory of the install files; "\" allowed
    std::string Hostname; // may carry its port: "host:8021"
    std::string Password;
    TInternetProtocol Protocol = ipHTTP;
    std::string Username;

private:
    TCustomNetInstallLocation* location_;
};

class TLoginInformation : public TCustomLoginInformation {
public:
    using TCustomLoginInformation::TCustomLoginInformation;
};

// --- the location ---

using TNilNotifyEvent = std::function<void(TComponent* Sender)>;
using TNilAfterDownloadEvent = std::function<void(TComponent* Sender, bool Aborted)>;
// One block received: its size, the bytes so far and the size the server
// announced (0 when unknown); Buffer holds the block.
using TNilDataReceivedEvent = std::function<void(TComponent* Sender, const std::string& RemoteFileName, int BlockSize,
    int BytesSoFar, int FileSize, const void* Buffer)>;

// The size of the blocks a download reads and reports.
inline constexpr uint32_t kNetBlockSize = 8192;

// The server path of a directory: trimmed, empty becomes "/", every "\"
// becomes "/".
std::string NetServerPath(std::string_view Directory);
// The path an HTTP download requests: the server path of the directory
// (with a separator added when it is missing) and the file name, always
// beginning with "/".
std::string NetHttpRequestPath(std::string_view Directory, std::string_view RemoteFileName);

class TCustomNetInstallLocation : public TComponent {
public:
    explicit TCustomNetInstallLocation(TComponent* Owner = nullptr);
    ~TCustomNetInstallLocation() override;

    // Binds the Internet library and its entry points (ENIL_FailLoadWININET,
    // ENIL_FailLoadDLLProc).
    virtual void LoadWininet();
    virtual void SetLoginInformation(const TLoginInformation& Value);
    // Opens the session and the connection when they are not open yet; for
    // FTP changes to the server path of Directory, a relative one taken from
    // the login directory however often it is called.
    virtual void Connect();
    // Downloads RemoteFileName (from Directory) into LocalFileName, a path
    // on the machine. A user abort (NetUserAbort()) during the download
    // ends it at the next block, or ends the wait for the server, without
    // an error: OnAfterDownload gets Aborted = true, the partial file is
    // removed and nothing is put under LocalFileName; the caller reads the
    // flag and raises EAIUserAbort. Any failure leaves LocalFileName as it was.
    virtual void Download(const std::string& RemoteFileName, const std::string& LocalFileName);
    // Closes the connection and the session; stays usable (the next
    // download connects again).
    void Disconnect();

    // An anonymous login needs a host; another login a host, user name or
    // password (any one of them, blanks not counted).
    bool IsLoginInformationSet(const TCustomLoginInformation& Login) const;

    TLoginInformation& LoginInformation() { return login_; }
    const TLoginInformation& LoginInformation() const { return login_; }

    bool WininetLoaded() const { return loaded_; }
    bool Connected() const { return connection_ != nullptr; }
    const std::string& LocalFileName() const { return localFileName_; }
    const std::string& RemoteFileName() const { return remoteFileName_; }

    TNilAfterDownloadEvent OnAfterDownload;
    TNilNotifyEvent OnAfterConnect;
    TNilNotifyEvent OnBeforeDownload;
    TNilNotifyEvent OnBeforeConnect;
    TNilDataReceivedEvent OnDataReceived;
    // Set by a file-related object for the time of its own download.
    TNilDataReceivedEvent OnDataReceivedHook;

private:
    // Reads the open file into the local file; true when the user aborted.
    bool TransferLoop(bool Http);
    void CloseFile(bool Quietly);

    struct EntryPoints {
        decltype(&net::InternetOpen) InternetOpen = nullptr;
        decltype(&net::InternetConnect) InternetConnect = nullptr;
        decltype(&net::FtpSetCurrentDirectory) FtpSetCurrentDirectory = nullptr;
        decltype(&net::InternetCloseHandle) InternetCloseHandle = nullptr;
        decltype(&net::InternetQueryDataAvailable) InternetQueryDataAvailable = nullptr;
        decltype(&net::InternetReadFile) InternetReadFile = nullptr;
        decltype(&net::FtpOpenFile) FtpOpenFile = nullptr;
        decltype(&net::HttpOpenRequest) HttpOpenRequest = nullptr;
        decltype(&net::HttpSendRequest) HttpSendRequest = nullptr;
        decltype(&net::HttpQueryInfo) HttpQueryInfo = nullptr;
        decltype(&net::InternetSetWaitCheck) InternetSetWaitCheck = nullptr;
    };

    std::string localFileName_;
    net::HINTERNET file_ = nullptr;
    net::HMODULE library_ = nullptr;
    net::HINTERNET session_ = nullptr;
    net::HINTERNET connection_ = nullptr;
    std::string remoteFileName_;
    EntryPoints api_;
    TLoginInformation login_;
    std::string ftpDirectory_; // set on the open connection; empty: the login directory
    bool loaded_ = false;
};

// --- library-wide state ---

// Every location, in creation order.
class TCustomNetInstallLocationList : public TPointerList<TCustomNetInstallLocation> {
public:
    // Raises IENetList "Cannot add a blank location to the global net
    // location list" for a null location.
    void Add(TCustomNetInstallLocation* Location);
};

TCustomNetInstallLocationList& NetInstallLocationList();

// The install engine's NetLocation; cleared when that location is freed.
TCustomNetInstallLocation* DefaultNetLocation();
void SetDefaultNetLocation(TCustomNetInstallLocation* Location);

// The location that last began to connect (its host is quoted by ENIL).
TCustomNetInstallLocation* ConnectingNetLocation();

// The user-abort flag: the copy dialogs set it when the user cancels;
// downloads and install objects read it.
bool NetUserAbort();
void SetNetUserAbort(bool Value);

} // namespace installlib
