#pragma once

// Loading libraries on the emulated machine (LoadLibrary, GetProcAddress,
// FreeLibrary). A "DLL" on the machine is a host shared object stored under
// the DLL's own name inside the machine root; loading it opens that file
// with the host's dynamic loader, so a library's exported entry points
// (DllRegisterServer and the like) really run.
//
//   win::Module lib;
//   if (!lib.load(machine, "C:\\WINNT\\system32\\CTL.OCX"))
//       report(win::lastError());                 // ERROR_MOD_NOT_FOUND, ...
//   auto reg = lib.procAddress<long (*)()>("DllRegisterServer");
//
// Starting a program with an argument list (never one unquoted string, so a
// path with blanks stays one word) is startProgram below.

#include "platform/win/machine.h"

#include <cstdint>
#include <string>
#include <vector>

namespace win {

constexpr uint32_t ERROR_MOD_NOT_FOUND = 126;
constexpr uint32_t ERROR_PROC_NOT_FOUND = 127;
constexpr uint32_t ERROR_BAD_EXE_FORMAT = 193;

class Module {
public:
    Module() = default;
    ~Module(); // frees the library
    Module(Module&& other) noexcept;
    Module& operator=(Module&& other) noexcept;
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    // Loads the library at path (a Windows path on machine). False with
    // ERROR_MOD_NOT_FOUND when there is no such file, ERROR_BAD_EXE_FORMAT
    // when the file is no loadable library (the loader's text is in
    // loaderMessage()).
    bool load(Machine& machine, const std::string& path);
    bool isLoaded() const { return handle_ != nullptr; }
    // Null with ERROR_PROC_NOT_FOUND when the library has no such export.
    void* procAddress(const std::string& name) const;
    template <class F> F procAddress(const std::string& name) const { return reinterpret_cast<F>(procAddress(name)); }
    void free();

    const std::string& path() const { return path_; }
    const std::string& loaderMessage() const { return loaderMessage_; }

private:
    void* handle_ = nullptr;
    std::string path_;
    std::string loaderMessage_;
};

// Quotes one argument the way the command-line parser of a program splits it
// again: blanks or quotes inside put the argument in double quotes, and
// inner quotes (with the backslashes before them) are escaped.
std::string quoteArgument(const std::string& argument);

// A command line made of program and arguments, each quoted as needed.
std::string buildCommandLine(const std::string& program, const std::vector<std::string>& arguments);

// Starts program with arguments through the machine's WinExec; the result is
// WinExec's (33 started, below 32 the error).
int startProgram(Machine& machine, const std::string& program, const std::vector<std::string>& arguments, int show);

} // namespace win
