#pragma once

// The instrument-bus library, bound at run time: the library is loaded by
// path and every entry point of the 488.2 interface is looked up by name,
// so the program runs (without capture) where no bus library is installed.
// On this system the library spells the Windows ANSI names without their
// trailing "A" and exports its status, error and count as variables.

#include <stdexcept>
#include <string>
#include <vector>

namespace gpib {

// End modes and status bits of the interface.
constexpr int NULLend = 0;
constexpr int NLend = 1;
constexpr int DABend = 2;
constexpr int STOPend = 0x100;
constexpr int ERR = 0x8000;
constexpr int TIMO = 0x4000;
constexpr int END = 0x2000;
constexpr int CMPL = 0x0100;

// The library path used when the settings name none.
inline const char* kDefaultLibrary = "libgpib.so.0";

// A call that came back with ERR in its status.
class TGpibError : public std::runtime_error {
public:
    TGpibError(const std::string& call, int status, int error);
    int Status;
    int Error;
};

struct TGpibEntry {
    const char* windowsName; // the name in the interface's list
    const char* linkName; // the name the library exports
    bool optional; // the library may lack it
};

// Every entry point, in the order they are resolved.
const std::vector<TGpibEntry>& GpibEntries();

class TGpibLibrary {
public:
    TGpibLibrary() = default;
    ~TGpibLibrary();
    TGpibLibrary(const TGpibLibrary&) = delete;
    TGpibLibrary& operator=(const TGpibLibrary&) = delete;

    // 0 when the library was loaded and every entry point but the optional
    // ones was found; -1 when it cannot be loaded; -2 when an entry point
    // is missing (the library is unloaded again). A library that can be
    // told where its settings are is given `settingsPath`.
    int LoadGpibLibrary(const std::string& path, const std::string& settingsPath = {});
    // -1 when nothing is loaded, else 0.
    int FreeGpibLibrary();
    bool Loaded() const { return handle_ != nullptr; }
    // The name of the first entry point missing at the last load.
    const std::string& MissingEntry() const { return missing_; }

    // Interface clear on a board.
    void SendIFC(int board);
    // Writes `text` (at most 255 characters) to the device at `address` on
    // board 0, ended with a newline and EOI.
    void GpibWriteString(int address, const std::string& text);
    // Reads one reply, ended by EOI, in reads of 254 bytes, without one
    // trailing line feed. A reply that runs past 64 KiB is an error.
    std::string GpibReadString(int address);
    // Reads up to `count` bytes, ended by EOI; the bytes the library
    // reports it moved.
    std::string ReceiveBytes(int address, long count);

private:
    void* entry(const char* linkName) const;
    void check(const char* call) const;

    void* handle_ = nullptr;
    std::vector<void*> entries_;
    std::string missing_;
};

} // namespace gpib
