#include "viewer/app/capture_driver.h"

#include <cstring>
#include <dlfcn.h>
#include <filesystem>

namespace viewer {

namespace {

const char* const kInvalidDriver = "Invalide Driver";

template <class Fn> Fn entry(void* handle, const char* name)
{
    return reinterpret_cast<Fn>(dlsym(handle, name));
}

} // namespace

TCaptureDriver::TCaptureDriver(std::string path, void* handle)
    : path_(std::move(path))
    , handle_(handle)
{
}

TCaptureDriver::~TCaptureDriver()
{
    if (handle_)
        dlclose(handle_);
}

std::unique_ptr<TCaptureDriver> LoadCaptureDriver(const std::string& path, std::string& error)
{
    error.clear();
    // A bare name would be looked up along the system's library path.
    if (path.empty() || !std::filesystem::path(path).is_absolute()) {
        error = "Unable to load " + path;
        return nullptr;
    }
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        error = "Unable to load " + path;
        return nullptr;
    }
    std::unique_ptr<TCaptureDriver> d(new TCaptureDriver(path, handle));
    d->GetInfo = entry<RivelleGetInfoFn>(handle, "GetInfo");
    d->Initialise = entry<RivelleInitialiseFn>(handle, "Initialise");
    d->GetFreqArray = entry<RivelleGetFreqArrayFn>(handle, "GetFreqArray");
    d->GetChannel = entry<RivelleGetChannelFn>(handle, "GetChannel");
    d->CloseDriver = entry<RivelleCloseDriverFn>(handle, "CloseDriver");
    if (!d->GetInfo || !d->Initialise || !d->GetFreqArray || !d->GetChannel || !d->CloseDriver) {
        error = kInvalidDriver;
        return nullptr; // unloads
    }
    return d;
}

bool ValidDriverName(const std::string& name)
{
    if (name.empty() || name.size() > RIVELLE_DRIVER_NAME_MAX)
        return false;
    if (name.find_first_of("=[]\r\n") != std::string::npos)
        return false;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    return !blank(name.front()) && !blank(name.back()) && name.front() != ';';
}

std::string ReadDriverName(const std::string& path, std::string& name)
{
    std::string error;
    std::unique_ptr<TCaptureDriver> d = LoadCaptureDriver(path, error);
    if (!d)
        return error;
    const char* text = nullptr;
    d->GetInfo(&text);
    // Never read past the bound looking for the end of the name.
    if (!text)
        return kInvalidDriver;
    const std::size_t length = strnlen(text, RIVELLE_DRIVER_NAME_MAX + 1);
    if (length > RIVELLE_DRIVER_NAME_MAX)
        return kInvalidDriver;
    std::string copied(text, length);
    d.reset(); // the name is copied; the library goes
    if (!ValidDriverName(copied))
        return kInvalidDriver;
    name = copied;
    return {};
}

} // namespace viewer
