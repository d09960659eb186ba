// libFuzzer target over the shortcut file reader. The input is the .LNK
// file. It either reads or fails with ShellLinkError; a shortcut that reads
// is written again and reads back the same.
//
//   clang builds only:  win_shelllink_fuzz -runs=20000 corpus/

#include "platform/win/shelllink.h"
#include "tests/support/fuzz_seeds.h"

#include <cstdint>
#include <cstdlib>
#include <string>

using namespace win;

namespace {

using tavix::fuzzing::check;

// Shortcuts as the installer makes them, written by the link writer.
std::vector<tavix::fuzzing::Seed> seeds()
{
    ShellLink full;
    full.target = "C:\\Program Files\\Tavix\\tavixcat.exe";
    full.arguments = "/data \"C:\\Tavix Data\"";
    full.workingDirectory = "C:\\Program Files\\Tavix";
    full.iconPath = "C:\\Program Files\\Tavix\\tavixcat.exe";
    full.iconIndex = 1;
    full.description = "Cross-reference";
    full.hotKey = 0x0654;
    ShellLink bare;
    bare.target = "C:\\WINDOWS\\NOTEPAD.EXE";
    return { { "full", encodeShellLink(full) }, { "bare", encodeShellLink(bare) } };
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tavix::fuzzing::writeSeedsIfAsked(seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    ShellLink link;
    try {
        link = decodeShellLink(std::string(reinterpret_cast<const char*>(data), size), "fuzz.lnk");
    } catch (const ShellLinkError&) {
        return 0;
    }
    check(decodeShellLink(encodeShellLink(link), "again.lnk") == link);
    return 0;
}
