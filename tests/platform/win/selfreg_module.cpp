// A library that registers itself the way a control does, for the tests of
// self-registration: each call of DllRegisterServer appends a line to the
// file named by TAVIX_SELFREG_LOG and returns TAVIX_SELFREG_RESULT (0 when unset).

#include <cstdio>
#include <cstdlib>

extern "C" __attribute__((visibility("default"))) int DllRegisterServer()
{
    if (const char* log = std::getenv("TAVIX_SELFREG_LOG")) {
        if (std::FILE* f = std::fopen(log, "a")) {
            std::fputs("DllRegisterServer\n", f);
            std::fclose(f);
        }
    }
    const char* result = std::getenv("TAVIX_SELFREG_RESULT");
    return result ? int(std::strtoul(result, nullptr, 0)) : 0;
}
