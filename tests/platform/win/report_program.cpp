// A host program for the tests of machine programs: writes what it was
// given (arguments, host working folder, the machine's settings) to
// report.txt in its working folder (in the host folder TAVIX_REPORT_DIR
// when set), one item a line, and ends with the exit code named by
// TAVIX_REPORT_EXIT (0 when unset).

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv)
{
    const char* folder = std::getenv("TAVIX_REPORT_DIR");
    std::ofstream out(folder ? std::string(folder) + "/report.txt" : "report.txt", std::ios::binary | std::ios::trunc);
    char cwd[4096] = {};
    out << "cwd=" << (getcwd(cwd, sizeof cwd) ? cwd : "") << "\n";
    for (const char* name : { "TAVIX_WINROOT", "TAVIX_WINPROGRAM", "TAVIX_WINCWD" }) {
        const char* value = std::getenv(name);
        out << name << "=" << (value ? value : "") << "\n";
    }
    for (int i = 1; i < argc; ++i)
        out << "arg=" << argv[i] << "\n";
    const char* code = std::getenv("TAVIX_REPORT_EXIT");
    return code ? std::atoi(code) : 0;
}
