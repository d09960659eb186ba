#pragma once

// Loading a capture driver library: the five entry points that a capture
// calls, and the display name that the options dialog stores.

#include "viewer/driver/rivelle_capture_driver.h"

#include <memory>
#include <string>

namespace viewer {

// A loaded driver library; unloaded when destroyed.
class TCaptureDriver {
public:
    ~TCaptureDriver();
    TCaptureDriver(const TCaptureDriver&) = delete;
    TCaptureDriver& operator=(const TCaptureDriver&) = delete;

    const std::string& Path() const { return path_; }

    RivelleGetInfoFn GetInfo = nullptr;
    RivelleInitialiseFn Initialise = nullptr;
    RivelleGetFreqArrayFn GetFreqArray = nullptr;
    RivelleGetChannelFn GetChannel = nullptr;
    RivelleCloseDriverFn CloseDriver = nullptr;

private:
    friend std::unique_ptr<TCaptureDriver> LoadCaptureDriver(const std::string&, std::string&);
    TCaptureDriver(std::string path, void* handle);

    std::string path_;
    void* handle_ = nullptr;
};

// Loads the library at `path`, which must be absolute (no library search
// path is tried). Null on failure, with `error` "Unable to load " + path,
// or "Invalide Driver" when one of the five exports is missing; nothing
// then stays loaded.
std::unique_ptr<TCaptureDriver> LoadCaptureDriver(const std::string& path, std::string& error);

// Whether a display name can be a key of the settings file: not empty, at
// most RIVELLE_DRIVER_NAME_MAX characters, no "=", "[", "]" or line break,
// no blank at either end and no ";" in front (which would make the line a
// comment).
bool ValidDriverName(const std::string& name);

// Loads the driver, copies the name its GetInfo gives and unloads it.
// Empty text on success; otherwise the message to show ("Unable to load "
// + path, or "Invalide Driver" also for a missing or unusable name).
std::string ReadDriverName(const std::string& path, std::string& name);

} // namespace viewer
