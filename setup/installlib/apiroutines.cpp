#include "setup/installlib/apiroutines.h"

#include "platform/win/machine.h"
#include "setup/installlib/exceptions.h"
#include "setup/installlib/translator.h"

#include <cstdio>

namespace installlib {

namespace {

win::Machine* machineOrNull()
{
    return win::Machine::hasCurrent() ? &win::Machine::current() : nullptr;
}

// What a 261-character buffer holds.
constexpr std::size_t kDirBuffer = 261;

} // namespace

int GetWindowsKind()
{
    win::Machine* m = machineOrNull();
    if (!m)
        throw EAPIRoutines(TranslateText("Could not get information about the current version of Windows"));
    win::OsVersionInfo v = m->version();
    switch (v.platformId) {
    case win::VER_PLATFORM_WIN32s:
        return wkWin32s;
    case win::VER_PLATFORM_WIN32_WINDOWS:
        return wkWindows95;
    case win::VER_PLATFORM_WIN32_NT: {
        char text[32];
        std::snprintf(text, sizeof text, "%u.%u", v.major, v.minor);
        return std::string(text).find("3.5") != std::string::npos ? wkWindowsNT35 : wkWindowsNT4;
    }
    default:
        return wkOther;
    }
}

std::string GetSystemDir()
{
    win::Machine* m = machineOrNull();
    std::string dir = m ? m->systemDirectory() : std::string();
    if (dir.empty() || dir.size() >= kDirBuffer)
        throw EAPIRoutines(TranslateText("Could not retrieve the system directroy from windows"));
    return dir;
}

std::string GetWindowsDir()
{
    win::Machine* m = machineOrNull();
    std::string dir = m ? m->windowsDirectory() : std::string();
    if (dir.empty() || dir.size() >= kDirBuffer)
        throw EAPIRoutines(TranslateText("Could not retrieve the windows directory from windows"));
    return dir;
}

std::string GetShortPath(std::string_view Path)
{
    win::Machine* m = machineOrNull();
    if (!m || Path.size() > 400)
        return {};
    std::string s = m->shortPathName(std::string(Path));
    return s.size() > 400 ? std::string() : s;
}

std::string GetTempBatchFile(bool Keep)
{
    win::Machine* m = machineOrNull();
    std::string dir = m ? m->tempPath() : std::string();
    if (dir.empty() || dir.size() >= kDirBuffer)
        throw EAPIRoutines(TranslateText("Cannot create a temporary file"));
    std::string name = m->tempFileName(dir, "bat");
    if (name.empty())
        throw EAPIRoutines(TranslateText("Cannot create a temporary file"));
    if (!Keep)
        m->deleteFile(name);
    return name;
}

std::optional<std::uint16_t> UserDefaultLangId()
{
    win::Machine* m = machineOrNull();
    if (!m)
        return std::nullopt;
    return m->userDefaultLangId();
}

} // namespace installlib
