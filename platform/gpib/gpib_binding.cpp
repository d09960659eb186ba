#include "platform/gpib/gpib_binding.h"

#include <algorithm>
#include <cstring>
#include <dlfcn.h>

namespace gpib {

namespace {

using SendIFCFn = void (*)(int);
using SendFn = void (*)(int, unsigned short, const void*, long, int);
using ReceiveFn = void (*)(int, unsigned short, void*, long, int);
using StatusFn = int (*)();
using CountFn = long (*)();
using ConfigureFn = int (*)(const char*);

// One read of a text reply, and the longest reply taken.
constexpr long kReadChunk = 254;
constexpr std::size_t kMaxReply = 65536;

// The primary address in the low byte, no secondary address.
unsigned short makeAddress(int address)
{
    return static_cast<unsigned short>(address & 0xFF);
}

} // namespace

TGpibError::TGpibError(const std::string& call, int status, int error)
    : std::runtime_error(call + " failed (status " + std::to_string(status) + ", error " + std::to_string(error) + ")")
    , Status(status)
    , Error(error)
{
}

const std::vector<TGpibEntry>& GpibEntries()
{
    static const std::vector<TGpibEntry> entries = {
        { "user_ibsta", "ibsta", false },
        { "user_iberr", "iberr", false },
        { "user_ibcnt", "ibcnt", false },
        // The second count slot holds the long count.
        { "user_ibcnt", "ibcntl", false },
        { "ibask", "ibask", false },
        { "ibbnaA", "ibbna", false },
        { "ibcac", "ibcac", false },
        { "ibclr", "ibclr", false },
        { "ibcmd", "ibcmd", false },
        { "ibcmda", "ibcmda", false },
        { "ibconfig", "ibconfig", false },
        { "ibdev", "ibdev", false },
        { "ibdma", "ibdma", false },
        { "ibeos", "ibeos", false },
        { "ibeot", "ibeot", false },
        { "ibfindA", "ibfind", false },
        { "ibgts", "ibgts", false },
        { "ibist", "ibist", false },
        { "iblines", "iblines", false },
        { "ibln", "ibln", false },
        { "ibloc", "ibloc", false },
        { "iblock", "iblock", true },
        { "iblockxA", "iblockx", true },
        { "ibnotify", "ibnotify", false },
        { "ibonl", "ibonl", false },
        { "ibpad", "ibpad", false },
        { "ibpct", "ibpct", false },
        { "ibppc", "ibppc", false },
        { "ibrd", "ibrd", false },
        { "ibrda", "ibrda", false },
        { "ibrdfA", "ibrdf", false },
        { "ibrpp", "ibrpp", false },
        { "ibrsc", "ibrsc", false },
        { "ibrsp", "ibrsp", false },
        { "ibrsv", "ibrsv", false },
        { "ibsad", "ibsad", false },
        { "ibsic", "ibsic", false },
        { "ibsre", "ibsre", false },
        { "ibstop", "ibstop", false },
        { "ibtmo", "ibtmo", false },
        { "ibtrg", "ibtrg", false },
        { "ibunlock", "ibunlock", true },
        { "ibunlockx", "ibunlockx", true },
        { "ibwait", "ibwait", false },
        { "ibwrt", "ibwrt", false },
        { "ibwrta", "ibwrta", false },
        { "ibwrtfA", "ibwrtf", false },
        { "AllSpoll", "AllSpoll", false },
        { "DevClear", "DevClear", false },
        { "DevClearList", "DevClearList", false },
        { "EnableLocal", "EnableLocal", false },
        { "EnableRemote", "EnableRemote", false },
        { "FindLstn", "FindLstn", false },
        { "FindRQS", "FindRQS", false },
        { "PassControl", "PassControl", false },
        { "PPoll", "PPoll", false },
        { "PPollConfig", "PPollConfig", false },
        { "PPollUnconfig", "PPollUnconfig", false },
        { "RcvRespMsg", "RcvRespMsg", false },
        { "ReadStatusByte", "ReadStatusByte", false },
        { "Receive", "Receive", false },
        { "ReceiveSetup", "ReceiveSetup", false },
        { "ResetSys", "ResetSys", false },
        { "Send", "Send", false },
        { "SendCmds", "SendCmds", false },
        { "SendDataBytes", "SendDataBytes", false },
        { "SendIFC", "SendIFC", false },
        { "SendList", "SendList", false },
        { "SendLLO", "SendLLO", false },
        { "SendSetup", "SendSetup", false },
        { "SetRWLS", "SetRWLS", false },
        { "TestSRQ", "TestSRQ", false },
        { "TestSys", "TestSys", false },
        { "Trigger", "Trigger", false },
        { "TriggerList", "TriggerList", false },
        { "WaitSRQ", "WaitSRQ", false },
        { "ThreadIbsta", "ThreadIbsta", false },
        { "ThreadIberr", "ThreadIberr", false },
        { "ThreadIbcnt", "ThreadIbcnt", false },
        { "ThreadIbcntl", "ThreadIbcntl", false },
    };
    return entries;
}

TGpibLibrary::~TGpibLibrary()
{
    FreeGpibLibrary();
}

int TGpibLibrary::LoadGpibLibrary(const std::string& path, const std::string& settingsPath)
{
    FreeGpibLibrary();
    missing_.clear();
    void* h = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h)
        return -1;
    std::vector<void*> found;
    for (const TGpibEntry& e : GpibEntries()) {
        void* p = dlsym(h, e.linkName);
        if (!p && !e.optional) {
            missing_ = e.linkName;
            dlclose(h);
            return -2;
        }
        found.push_back(p);
    }
    handle_ = h;
    entries_ = std::move(found);
    // A library of our own reads the instruments' network places from the
    // program's settings; others have no such call.
    if (!settingsPath.empty())
        if (auto configure = reinterpret_cast<ConfigureFn>(dlsym(h, "tavixgpib_configure")))
            configure(settingsPath.c_str());
    return 0;
}

int TGpibLibrary::FreeGpibLibrary()
{
    if (!handle_)
        return -1;
    dlclose(handle_);
    handle_ = nullptr;
    entries_.clear();
    return 0;
}

void* TGpibLibrary::entry(const char* linkName) const
{
    const auto& all = GpibEntries();
    for (std::size_t i = 0; i < all.size() && i < entries_.size(); ++i)
        if (std::strcmp(all[i].linkName, linkName) == 0)
            return entries_[i];
    return nullptr;
}

void TGpibLibrary::check(const char* call) const
{
    // The calling thread's status: a call cut short on another thread
    // cannot mix its outcome into this one.
    const int status = reinterpret_cast<StatusFn>(entry("ThreadIbsta"))();
    if (status & ERR)
        throw TGpibError(call, status, reinterpret_cast<StatusFn>(entry("ThreadIberr"))());
}

void TGpibLibrary::SendIFC(int board)
{
    if (!handle_)
        throw TGpibError("SendIFC", ERR, 0);
    reinterpret_cast<SendIFCFn>(entry("SendIFC"))(board);
    check("SendIFC");
}

void TGpibLibrary::GpibWriteString(int address, const std::string& text)
{
    if (!handle_)
        throw TGpibError("Send", ERR, 0);
    const std::string t = text.substr(0, 255);
    reinterpret_cast<SendFn>(entry("Send"))(0, makeAddress(address), t.data(), static_cast<long>(t.size()), NLend);
    check("Send");
}

std::string TGpibLibrary::ReceiveBytes(int address, long count)
{
    if (!handle_)
        throw TGpibError("Receive", ERR, 0);
    std::string buffer(static_cast<std::size_t>(std::max(0L, count)), '\0');
    reinterpret_cast<ReceiveFn>(entry("Receive"))(0, makeAddress(address), buffer.data(), count, STOPend);
    check("Receive");
    // Never more than the buffer holds, whatever the count says.
    const long moved = reinterpret_cast<CountFn>(entry("ThreadIbcntl"))();
    buffer.resize(static_cast<std::size_t>(std::clamp(moved, 0L, count)));
    return buffer;
}

std::string TGpibLibrary::GpibReadString(int address)
{
    // A reply longer than one read goes on in the next, up to its end.
    std::string reply;
    for (;;) {
        const std::string part = ReceiveBytes(address, kReadChunk);
        reply += part;
        const int status = reinterpret_cast<StatusFn>(entry("ThreadIbsta"))();
        if ((status & END) || part.size() < static_cast<std::size_t>(kReadChunk))
            break;
        if (reply.size() >= kMaxReply)
            throw TGpibError("Receive", status | ERR, 0);
    }
    if (!reply.empty() && reply.back() == '\n')
        reply.pop_back();
    return reply;
}

} // namespace gpib
