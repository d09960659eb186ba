// A bus library with the 488.2 C interface whose instruments are reached
// over the network: each bus address is mapped, in the program's settings
// file, to the host and port of an instrument's raw command socket
//
//   [gpib]
//   timeout=10000          ; milliseconds per read or write
//   [instruments]
//   16=192.168.1.20:5025   ; bus address = host:port
//
// SendIFC, Send and Receive talk to the instruments; every other call of
// the interface answers with ERR set and the error "no capability".
//
// A socket has no EOI line, so the end of a reply is found in the bytes:
// a reply ends with its line feed, except that the bytes of a definite
// block ("#A" and a 16-bit big-endian length, or "#" with a digit count
// and a decimal length) are data whatever they are.

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <mutex>
#include <netdb.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

extern "C" {
volatile int ibsta = 0;
volatile int iberr = 0;
volatile int ibcnt = 0;
volatile long ibcntl = 0;
}

namespace {

constexpr int ERR = 0x8000, TIMO = 0x4000, END = 0x2000, CMPL = 0x0100;
constexpr int EDVR = 0, ENOL = 2, EARG = 4, EABO = 6, ECAP = 11;
constexpr int STOPend = 0x100, NLend = 1;

struct CallStatus {
    int sta = 0;
    int err = 0;
    long cnt = 0;
};
thread_local CallStatus t_status;

int finish(int sta, int err, long cnt)
{
    t_status = { sta, err, cnt };
    ibsta = sta;
    iberr = err;
    ibcnt = static_cast<int>(cnt);
    ibcntl = cnt;
    return sta;
}

int fail(int err, long cnt = 0, int extra = 0)
{
    return finish(ERR | CMPL | extra, err, cnt);
}

// Where the reader stands in the reply being read.
enum class Part { Start, Hash, LengthA, LengthDigits, Block, Text };

struct Link {
    int fd = -1;
    std::string pending; // received, not yet read
    Part part = Part::Start;
    int lengthBytes = 0; // of the block header still to come
    long blockLeft = 0;
};

struct Place {
    std::string host;
    std::string port;
};

std::mutex g_lock;
std::map<int, Place> g_places;
std::map<int, Link> g_links;
int g_timeoutMs = 10000;

// Settings read while a transfer held the bus (a read an abort left
// running ends only at its time-out): the next call takes them, so that
// reading them never waits for the bus.
struct Settings {
    std::map<int, Place> places;
    int timeoutMs = 10000;
};
std::mutex g_pendingLock;
std::optional<Settings> g_pending;

std::string trim(const std::string& s)
{
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

std::string lower(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

void closeLink(Link& l)
{
    if (l.fd >= 0)
        ::close(l.fd);
    l = Link {};
}

void closeAll()
{
    for (auto& [address, link] : g_links)
        closeLink(link);
    g_links.clear();
}

// With the bus lock held: settings read since the last call replace the
// old ones and close every connection.
void takePendingSettings()
{
    std::lock_guard<std::mutex> g(g_pendingLock);
    if (!g_pending)
        return;
    closeAll();
    g_places = std::move(g_pending->places);
    g_timeoutMs = g_pending->timeoutMs;
    g_pending.reset();
}

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long long>(0, left));
}

// 0 ready, 1 timed out, -1 failed.
int waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd p { fd, events, 0 };
        int r = ::poll(&p, 1, msLeft(deadline));
        if (r > 0)
            return (p.revents & (POLLERR | POLLNVAL)) && !(p.revents & events) ? -1 : 0;
        if (r == 0)
            return 1;
        if (errno != EINTR)
            return -1;
    }
}

// Connects the link of an address when it has no socket; an error code or -1.
int connectLink(int address, Link*& out, Clock::time_point deadline, bool& timedOut)
{
    timedOut = false;
    auto place = g_places.find(address);
    if (place == g_places.end())
        return ENOL;
    Link& link = g_links[address];
    out = &link;
    if (link.fd >= 0)
        return -1;
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(place->second.host.c_str(), place->second.port.c_str(), &hints, &found) != 0 || !found)
        return ENOL;
    int result = ENOL;
    for (addrinfo* a = found; a; a = a->ai_next) {
        int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0)
            continue;
        int r = ::connect(fd, a->ai_addr, a->ai_addrlen);
        if (r != 0 && errno == EINPROGRESS) {
            int w = waitFor(fd, POLLOUT, deadline);
            int soError = 0;
            socklen_t len = sizeof soError;
            if (w == 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &len) == 0 && soError == 0)
                r = 0;
            else if (w == 1)
                timedOut = true;
        }
        if (r == 0) {
            link.fd = fd;
            result = -1;
            break;
        }
        ::close(fd);
    }
    ::freeaddrinfo(found);
    return result;
}

// The connection to the instrument at `address` for one transfer; null,
// with the failure reported and the link closed, when there is none.
Link* linkForCall(unsigned short address, Clock::time_point deadline)
{
    Link* link = nullptr;
    bool timedOut = false;
    if (int e = connectLink(address & 0xFF, link, deadline, timedOut); e >= 0) {
        if (link)
            closeLink(*link);
        timedOut ? fail(EABO, 0, TIMO) : fail(e);
        return nullptr;
    }
    return link;
}

// The start of a data call: its arguments checked and, under the bus lock
// (taken into `lock`), the instrument's link open within the time-out. Null
// with the status set when the call cannot go on.
Link* beginTransfer(int board, unsigned short address, const void* buffer, long count,
    std::unique_lock<std::mutex>& lock, Clock::time_point& deadline)
{
    if (board != 0 || count < 0 || (count > 0 && !buffer)) {
        fail(EARG);
        return nullptr;
    }
    lock = std::unique_lock<std::mutex>(g_lock);
    takePendingSettings();
    deadline = Clock::now() + std::chrono::milliseconds(g_timeoutMs);
    return linkForCall(address, deadline);
}

// Moves the framing on by one byte the caller takes; true when the byte
// ends the reply. `term` is the end byte asked for, or STOPend.
[[maybe_unused]] bool advance(Link& l, unsigned char b, int term)
{
    switch (l.part) {
    case Part::Start:
    case Part::Text:
        if (l.part == Part::Start && b == '#') {
            l.part = Part::Hash;
            return false;
        }
        l.part = Part::Text;
        break;
    case Part::Hash:
        if (b == 'A') {
            l.part = Part::LengthA;
            l.lengthBytes = 2;
            l.blockLeft = 0;
            return false;
        }
        if (b >= '1' && b <= '9') {
            l.part = Part::LengthDigits;
            l.lengthBytes = b - '0';
            l.blockLeft = 0;
            return false;
        }
        l.part = Part::Text;
        break;
    case Part::LengthA:
        l.blockLeft = l.blockLeft * 256 + b;
        if (--l.lengthBytes == 0)
            l.part = l.blockLeft > 0 ? Part::Block : Part::Text;
        return false;
    case Part::LengthDigits:
        if (b < '0' || b > '9') {
            l.part = Part::Text;
            break;
        }
        l.blockLeft = std::min(l.blockLeft * 10 + (b - '0'), 1L << 40);
        if (--l.lengthBytes == 0)
            l.part = l.blockLeft > 0 ? Part::Block : Part::Text;
        return false;
    case Part::Block:
        if (--l.blockLeft == 0)
            l.part = Part::Text;
        return false;
    }
    const bool end = term == STOPend ? b == '\n' : b == static_cast<unsigned char>(term);
    if (end)
        l.part = Part::Start;
    return end;
}

void readSettings(const char* path)
{
    std::ifstream in(path ? path : "", std::ios::binary);
    Settings read;
    std::string line, section;
    while (std::getline(in, line)) {
        line = trim(line);
        if (line.empty() || line[0] == ';')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            section = lower(trim(line.substr(1, line.size() - 2)));
            continue;
        }
        auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = lower(trim(line.substr(0, eq)));
        std::string value = trim(line.substr(eq + 1));
        if (auto semi = value.find(';'); semi != std::string::npos)
            value = trim(value.substr(0, semi));
        if (section == "gpib" && key == "timeout") {
            try {
                read.timeoutMs = std::clamp(std::stoi(value), 1, 3600000);
            } catch (...) {
            }
        } else if (section == "instruments") {
            int address = -1;
            try {
                address = std::stoi(key);
            } catch (...) {
                continue;
            }
            auto colon = value.rfind(':');
            if (address < 0 || address > 30 || colon == std::string::npos || colon == 0)
                continue;
            std::string host = value.substr(0, colon);
            if (host.size() > 2 && host.front() == '[' && host.back() == ']')
                host = host.substr(1, host.size() - 2);
            read.places[address] = { host, value.substr(colon + 1) };
        }
    }
    {
        std::lock_guard<std::mutex> g(g_pendingLock);
        g_pending = std::move(read);
    }
    // Taken at once when the bus is free, else by the next call.
    if (std::unique_lock<std::mutex> bus(g_lock, std::try_to_lock); bus.owns_lock())
        takePendingSettings();
}

// Unloading the library ends its connections.
__attribute__((destructor)) void closeAtUnload()
{
    std::lock_guard<std::mutex> g(g_lock);
    closeAll();
}

int unsupported()
{
    return fail(ECAP);
}

} // namespace

extern "C" {

// Reads the instruments' places and the time-out from a settings file;
// they replace what was read before and close every connection as soon as
// no transfer holds the bus. Returns without waiting for one.
int tavixgpib_configure(const char* settingsPath)
{
    readSettings(settingsPath);
    return 0;
}

void SendIFC(int board)
{
    if (board != 0) {
        fail(EARG);
        return;
    }
    std::lock_guard<std::mutex> g(g_lock);
    takePendingSettings();
    // Interface clear: every instrument starts over on a new connection.
    closeAll();
    finish(CMPL, 0, 0);
}

void Send(int board, unsigned short address, const void* data, long count, int eotMode)
{
    std::unique_lock<std::mutex> lock;
    Clock::time_point deadline;
    Link* link = beginTransfer(board, address, data, count, lock, deadline);
    if (!link)
        return;
    // A new command drops what is left of the reply before.
    link->pending.clear();
    link->part = Part::Start;
    char scrap[4096];
    while (::recv(link->fd, scrap, sizeof scrap, MSG_DONTWAIT) > 0) { }
    std::string bytes(static_cast<const char*>(data), static_cast<std::size_t>(count));
    if (eotMode == NLend)
        bytes += '\n';
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        ssize_t n = ::send(link->fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            int w = waitFor(link->fd, POLLOUT, deadline);
            if (w == 0)
                continue;
            closeLink(*link);
            w == 1 ? fail(EABO, static_cast<long>(std::min<std::size_t>(sent, count)), TIMO)
                   : fail(EDVR, static_cast<long>(std::min<std::size_t>(sent, count)));
            return;
        }
        closeLink(*link);
        fail(EDVR, static_cast<long>(std::min<std::size_t>(sent, count)));
        return;
    }
    finish(CMPL, 0, count);
}

#ifndef TAVIXGPIB_WITHOUT_RECEIVE
void Receive(int board, unsigned short address, void* buffer, long count, int termination)
{
    std::unique_lock<std::mutex> lock;
    Clock::time_point deadline;
    Link* link = beginTransfer(board, address, buffer, count, lock, deadline);
    if (!link)
        return;
    auto* out = static_cast<unsigned char*>(buffer);
    long moved = 0;
    while (moved < count) {
        if (link->pending.empty()) {
            char chunk[4096];
            ssize_t n = ::recv(link->fd, chunk, sizeof chunk, 0);
            if (n > 0) {
                link->pending.assign(chunk, static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                int w = waitFor(link->fd, POLLIN, deadline);
                if (w == 0)
                    continue;
                if (w == 1) {
                    fail(EABO, moved, TIMO);
                    return;
                }
            }
            // The instrument closed the connection or it broke.
            closeLink(*link);
            fail(EDVR, moved);
            return;
        }
        std::size_t used = 0;
        bool ended = false;
        while (used < link->pending.size() && moved < count) {
            const auto b = static_cast<unsigned char>(link->pending[used++]);
            // Line feeds left over from the reply before are not a reply.
            if (link->part == Part::Start && b == '\n' && moved == 0)
                continue;
            out[moved++] = b;
            if (advance(*link, b, termination)) {
                ended = true;
                break;
            }
        }
        link->pending.erase(0, used);
        if (ended) {
            finish(CMPL | END, 0, moved);
            return;
        }
    }
    finish(CMPL, 0, moved);
}
#endif

int ThreadIbsta()
{
    return t_status.sta;
}
int ThreadIberr()
{
    return t_status.err;
}
int ThreadIbcnt()
{
    return static_cast<int>(t_status.cnt);
}
long ThreadIbcntl()
{
    return t_status.cnt;
}

// Descriptor calls answer with no descriptor.
int ibdev()
{
    unsupported();
    return -1;
}
int ibfind()
{
    unsupported();
    return -1;
}

#define TAVIX_UNSUPPORTED(name)                                                                                        \
    int name()                                                                                                         \
    {                                                                                                                  \
        return unsupported();                                                                                          \
    }
TAVIX_UNSUPPORTED(ibask)
TAVIX_UNSUPPORTED(ibbna)
TAVIX_UNSUPPORTED(ibcac)
TAVIX_UNSUPPORTED(ibclr)
TAVIX_UNSUPPORTED(ibcmd)
TAVIX_UNSUPPORTED(ibcmda)
TAVIX_UNSUPPORTED(ibconfig)
TAVIX_UNSUPPORTED(ibdma)
TAVIX_UNSUPPORTED(ibeos)
TAVIX_UNSUPPORTED(ibeot)
TAVIX_UNSUPPORTED(ibgts)
TAVIX_UNSUPPORTED(ibist)
TAVIX_UNSUPPORTED(iblines)
TAVIX_UNSUPPORTED(ibln)
TAVIX_UNSUPPORTED(ibloc)
TAVIX_UNSUPPORTED(iblock)
TAVIX_UNSUPPORTED(iblockx)
TAVIX_UNSUPPORTED(ibnotify)
TAVIX_UNSUPPORTED(ibonl)
TAVIX_UNSUPPORTED(ibpad)
TAVIX_UNSUPPORTED(ibpct)
TAVIX_UNSUPPORTED(ibppc)
TAVIX_UNSUPPORTED(ibrd)
TAVIX_UNSUPPORTED(ibrda)
TAVIX_UNSUPPORTED(ibrdf)
TAVIX_UNSUPPORTED(ibrpp)
TAVIX_UNSUPPORTED(ibrsc)
TAVIX_UNSUPPORTED(ibrsp)
TAVIX_UNSUPPORTED(ibrsv)
TAVIX_UNSUPPORTED(ibsad)
TAVIX_UNSUPPORTED(ibsic)
TAVIX_UNSUPPORTED(ibsre)
TAVIX_UNSUPPORTED(ibstop)
TAVIX_UNSUPPORTED(ibtmo)
TAVIX_UNSUPPORTED(ibtrg)
TAVIX_UNSUPPORTED(ibunlock)
TAVIX_UNSUPPORTED(ibunlockx)
TAVIX_UNSUPPORTED(ibwait)
TAVIX_UNSUPPORTED(ibwrt)
TAVIX_UNSUPPORTED(ibwrta)
TAVIX_UNSUPPORTED(ibwrtf)
TAVIX_UNSUPPORTED(AllSpoll)
TAVIX_UNSUPPORTED(DevClear)
TAVIX_UNSUPPORTED(DevClearList)
TAVIX_UNSUPPORTED(EnableLocal)
TAVIX_UNSUPPORTED(EnableRemote)
TAVIX_UNSUPPORTED(FindLstn)
TAVIX_UNSUPPORTED(FindRQS)
TAVIX_UNSUPPORTED(PassControl)
TAVIX_UNSUPPORTED(PPoll)
TAVIX_UNSUPPORTED(PPollConfig)
TAVIX_UNSUPPORTED(PPollUnconfig)
TAVIX_UNSUPPORTED(RcvRespMsg)
TAVIX_UNSUPPORTED(ReadStatusByte)
TAVIX_UNSUPPORTED(ReceiveSetup)
TAVIX_UNSUPPORTED(ResetSys)
TAVIX_UNSUPPORTED(SendCmds)
TAVIX_UNSUPPORTED(SendDataBytes)
TAVIX_UNSUPPORTED(SendList)
TAVIX_UNSUPPORTED(SendLLO)
TAVIX_UNSUPPORTED(SendSetup)
TAVIX_UNSUPPORTED(SetRWLS)
TAVIX_UNSUPPORTED(TestSRQ)
TAVIX_UNSUPPORTED(TestSys)
TAVIX_UNSUPPORTED(Trigger)
TAVIX_UNSUPPORTED(TriggerList)
TAVIX_UNSUPPORTED(WaitSRQ)
#undef TAVIX_UNSUPPORTED
}
