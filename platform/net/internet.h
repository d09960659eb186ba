#pragma once

// The Internet library the install library binds at run time: sessions,
// connections to an FTP or HTTP server, FTP files and HTTP requests, read in
// blocks, over libcurl. The calls have the shapes of the Windows library the
// setup program was written against, so that its net install location keeps
// its order of steps and its error names:
//
//   net::SetInternetOption(nullptr, net::INTERNET_OPTION_RECEIVE_TIMEOUT, 5000);
//   HINTERNET s = net::InternetOpen("Setup", 0, "", "", 0);
//   HINTERNET c = net::InternetConnect(s, "host:8021", 0, "", "", net::INTERNET_SERVICE_FTP, 0, 0);
//   net::FtpSetCurrentDirectory(c, "/dl");
//   HINTERNET f = net::FtpOpenFile(c, "files.1", net::GENERIC_READ, net::FTP_TRANSFER_TYPE_BINARY, 0);
//   while (net::InternetReadFile(f, buffer, 8192, got) && got > 0) ...
//   net::InternetCloseHandle(f); net::InternetCloseHandle(c); net::InternetCloseHandle(s);
//
// A failed call returns false or a null handle and sets the thread's last
// error (win::lastError()) to one of the ERROR_INTERNET_... codes below; the
// server's last reply (FTP reply lines, the HTTP status line) is kept per
// thread for InternetGetLastResponseInfo. Handles are checked: a closed or
// unknown handle gives ERROR_INVALID_HANDLE and never touches memory.
// Closing a handle closes the handles opened below it.
//
// Everything runs on the caller's thread: a call that waits for the server
// returns when the data is there, the transfer ends, or nothing arrived for
// the receive timeout (ERROR_INTERNET_TIMEOUT). A wait for the head of a
// reply (the HTTP status line and headers, interim replies and redirects
// included; the FTP login, directory change and the reply before a file)
// also ends at the headers timeout, however busy the server keeps it; and
// any wait ends when the handle's wait check answers false. The machine has
// no proxy settings, so the pre-configured access goes direct.

#include <cstdint>
#include <functional>
#include <string>

namespace net {

struct InternetHandle;
using HINTERNET = InternetHandle*;

// Error codes (the thread's last error after a failed call).
constexpr uint32_t ERROR_INTERNET_OUT_OF_HANDLES = 12001;
constexpr uint32_t ERROR_INTERNET_TIMEOUT = 12002;
constexpr uint32_t ERROR_INTERNET_EXTENDED_ERROR = 12003; // the server refused; see the last response
constexpr uint32_t ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr uint32_t ERROR_INTERNET_INVALID_URL = 12005;
constexpr uint32_t ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006;
constexpr uint32_t ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr uint32_t ERROR_INTERNET_INVALID_OPTION = 12009;
constexpr uint32_t ERROR_INTERNET_INCORRECT_PASSWORD = 12014;
constexpr uint32_t ERROR_INTERNET_LOGIN_FAILURE = 12015;
constexpr uint32_t ERROR_INTERNET_OPERATION_CANCELLED = 12017; // the wait check said stop
constexpr uint32_t ERROR_INTERNET_INCORRECT_HANDLE_TYPE = 12018;
constexpr uint32_t ERROR_INTERNET_INCORRECT_HANDLE_STATE = 12019;
constexpr uint32_t ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr uint32_t ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr uint32_t ERROR_INTERNET_CONNECTION_RESET = 12031;
constexpr uint32_t ERROR_FTP_TRANSFER_IN_PROGRESS = 12110;
constexpr uint32_t ERROR_HTTP_HEADER_NOT_FOUND = 12150;
constexpr uint32_t ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152;
constexpr uint32_t ERROR_HTTP_INVALID_QUERY_REQUEST = 12154;
constexpr uint32_t ERROR_HTTP_REDIRECT_FAILED = 12156;

// InternetOpen access types.
constexpr uint32_t INTERNET_OPEN_TYPE_PRECONFIG = 0;
constexpr uint32_t INTERNET_OPEN_TYPE_DIRECT = 1;
constexpr uint32_t INTERNET_OPEN_TYPE_PROXY = 3;

// InternetConnect services; port 0 is the service's own port. A server name
// may carry its port ("host:8080", "[::1]:8080"); a non-zero port argument wins.
constexpr uint32_t INTERNET_SERVICE_FTP = 1;
constexpr uint32_t INTERNET_SERVICE_HTTP = 3;
constexpr uint16_t INTERNET_DEFAULT_PORT = 0;

constexpr uint32_t GENERIC_READ = 0x80000000u;
constexpr uint32_t FTP_TRANSFER_TYPE_ASCII = 1;
constexpr uint32_t FTP_TRANSFER_TYPE_BINARY = 2;

// HttpOpenRequest flags. There is no cache, so the cache flags change nothing.
constexpr uint32_t INTERNET_FLAG_RELOAD = 0x80000000u;
constexpr uint32_t INTERNET_FLAG_EXISTING_CONNECT = 0x20000000u;
constexpr uint32_t INTERNET_FLAG_NO_CACHE_WRITE = 0x04000000u;

// HttpQueryInfo levels (the answer is text).
constexpr uint32_t HTTP_QUERY_CONTENT_LENGTH = 5;
constexpr uint32_t HTTP_QUERY_STATUS_CODE = 19;
constexpr uint32_t HTTP_QUERY_STATUS_TEXT = 20;

// SetInternetOption options, in milliseconds. On a null handle they set the
// process defaults that new sessions take; a handle passes its values to the
// handles opened below it.
constexpr uint32_t INTERNET_OPTION_CONNECT_TIMEOUT = 2;
constexpr uint32_t INTERNET_OPTION_RECEIVE_TIMEOUT = 6;
constexpr uint32_t INTERNET_OPTION_DATA_RECEIVE_TIMEOUT = 8;
// The whole wait for the head of a reply, counted from the start of the
// call (the receive timeout counts silence only). 120 s unless set.
constexpr uint32_t INTERNET_OPTION_HEADERS_TIMEOUT = 0x10001;

// Binding the library at run time. LoadInternetLibrary knows only
// "WININET.DLL" (without case); it returns null with ERROR_MOD_NOT_FOUND for
// any other name or when the transfer engine cannot start. GetProcAddress
// finds the entry points by their exported names ("InternetOpenA", ...);
// null for an unknown name.
constexpr uint32_t ERROR_MOD_NOT_FOUND = 126;
constexpr uint32_t ERROR_PROC_NOT_FOUND = 127;
struct InternetLibrary;
using HMODULE = InternetLibrary*;
using FARPROC = void (*)();
HMODULE LoadInternetLibrary(const std::string& name);
FARPROC GetProcAddress(HMODULE module, const std::string& name);
bool FreeInternetLibrary(HMODULE module);

HINTERNET InternetOpen(const std::string& agent, uint32_t accessType, const std::string& proxy,
    const std::string& proxyBypass, uint32_t flags);

// HTTP only records the server: nothing is sent until HttpSendRequest. FTP
// logs in at once (a refused login gives ERROR_INTERNET_INCORRECT_PASSWORD).
// A null user name or password is the anonymous login (FTP) or none (HTTP);
// an empty user name sends no credentials.
HINTERNET InternetConnect(HINTERNET session, const std::string& serverName, uint16_t port, const char* userName,
    const char* password, uint32_t service, uint32_t flags, uintptr_t context);

// Changes the connection's directory on the server and checks that it
// exists. A path beginning with "/" is absolute, any other is taken from the
// present directory (at first the one the login gives).
bool FtpSetCurrentDirectory(HINTERNET connection, const std::string& directory);

// Starts the download of a file of the current directory; fails when the
// server refuses it (ERROR_INTERNET_EXTENDED_ERROR, with the server's reply
// as the last response) or another file of the connection is still open.
HINTERNET FtpOpenFile(
    HINTERNET connection, const std::string& fileName, uint32_t access, uint32_t flags, uintptr_t context);

// Records a request for the object path (a leading "/" is added when
// missing); only "GET" is known.
HINTERNET HttpOpenRequest(HINTERNET connection, const std::string& verb, const std::string& objectName,
    const char* version, const char* referrer, const char* const* acceptTypes, uint32_t flags, uintptr_t context);

// Sends the request and returns once the final reply's headers are in (any
// status: the caller asks for the status code). Redirects are followed.
// headers holds extra header lines separated by CR LF; length -1 means up to
// the end of the text.
bool HttpSendRequest(HINTERNET request, const std::string& headers, int32_t headersLength, const void* optional,
    uint32_t optionalLength);

// Copies the header's text with a terminating zero into buffer; length is
// its size in, the text's length out. ERROR_HTTP_HEADER_NOT_FOUND when the
// reply has no such header; ERROR_INSUFFICIENT_BUFFER (length = the size
// needed) when it does not fit.
bool HttpQueryInfo(HINTERNET request, uint32_t infoLevel, char* buffer, uint32_t& length, uint32_t* index);

// Bytes still to come when the server announced the size (FTP's SIZE reply,
// HTTP's Content-Length), else the bytes that can be read without waiting
// (waiting for some when none are there; 0 at the end).
bool InternetQueryDataAvailable(HINTERNET file, uint32_t& bytesAvailable, uint32_t flags, uintptr_t context);

// Reads up to toRead bytes; read = 0 with success is the end of the file. A
// transfer that ended early or failed gives false with its error.
bool InternetReadFile(HINTERNET file, void* buffer, uint32_t toRead, uint32_t& read);

bool InternetCloseHandle(HINTERNET handle);

// The server's last reply on this thread since the last call that talked to
// a server began; false when there is none (no connection, no reply). The
// text is cut to fit length - 1 characters plus a terminating zero.
bool InternetGetLastResponseInfo(uint32_t& error, char* buffer, uint32_t& length);

bool SetInternetOption(HINTERNET handle, uint32_t option, uint32_t value);

// Asked about every 100 ms while a call of the handle, or of a handle
// opened below it later, waits for the server; false ends the wait and the
// call fails with ERROR_INTERNET_OPERATION_CANCELLED. It may let window
// messages run (a Cancel button) but must not close handles of this tree.
using InternetWaitCheck = std::function<bool()>;
bool InternetSetWaitCheck(HINTERNET handle, InternetWaitCheck check);

} // namespace net
