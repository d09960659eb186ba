#include "platform/win/module.h"

#include <dlfcn.h>

#include <filesystem>
#include <utility>

namespace win {

Module::~Module()
{
    free();
}

Module::Module(Module&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr))
    , path_(std::move(other.path_))
    , loaderMessage_(std::move(other.loaderMessage_))
{
}

Module& Module::operator=(Module&& other) noexcept
{
    if (this != &other) {
        free();
        handle_ = std::exchange(other.handle_, nullptr);
        path_ = std::move(other.path_);
        loaderMessage_ = std::move(other.loaderMessage_);
    }
    return *this;
}

bool Module::load(Machine& machine, const std::string& path)
{
    free();
    loaderMessage_.clear();
    std::filesystem::path host;
    if (!machine.resolve(path, host) || !machine.fileExists(path)) {
        setLastError(ERROR_MOD_NOT_FOUND);
        return false;
    }
    // RTLD_LOCAL: two libraries with the same export names must not see each
    // other's symbols.
    void* handle = dlopen(host.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* message = dlerror();
        loaderMessage_ = message ? message : "";
        setLastError(ERROR_BAD_EXE_FORMAT);
        return false;
    }
    handle_ = handle;
    path_ = machine.fullPathName(path);
    return true;
}

void* Module::procAddress(const std::string& name) const
{
    if (!handle_) {
        setLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    dlerror();
    void* address = dlsym(handle_, name.c_str());
    if (!address) {
        setLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return address;
}

void Module::free()
{
    if (handle_)
        dlclose(handle_);
    handle_ = nullptr;
    path_.clear();
}

std::string quoteArgument(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos)
        return argument;
    std::string out = "\"";
    size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
            out += '"';
        } else {
            out.append(backslashes, '\\');
            out += c;
        }
        backslashes = 0;
    }
    // Backslashes before the closing quote are doubled so it stays a quote.
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

std::string buildCommandLine(const std::string& program, const std::vector<std::string>& arguments)
{
    // The program's own name never carries quotes on Windows; a path with
    // blanks is simply enclosed.
    std::string line
        = program.find_first_of(" \t") != std::string::npos || program.empty() ? "\"" + program + "\"" : program;
    for (const auto& argument : arguments)
        line += " " + quoteArgument(argument);
    return line;
}

int startProgram(Machine& machine, const std::string& program, const std::vector<std::string>& arguments, int show)
{
    return machine.winExec(buildCommandLine(program, arguments), show);
}

} // namespace win
