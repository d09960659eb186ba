// libFuzzer target over the registry's REGEDIT4 reader. The input is the
// registry file. It either loads or fails with MachineError; a store that
// loads writes text that loads again to the same store.
//
//   clang builds only:  win_registry_text_fuzz -runs=20000 corpus/

#include "platform/win/errors.h"
#include "platform/win/registry.h"
#include "tests/support/fuzz_seeds.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace win;

namespace {

tavix::fuzzing::TScratchFolder& folder()
{
    static tavix::fuzzing::TScratchFolder f("registry_fuzz");
    return f;
}

using tavix::fuzzing::check;

void writeBytes(const std::filesystem::path& file, const std::string& bytes)
{
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

// A store with each kind of value, written by the registry itself.
std::vector<tavix::fuzzing::Seed> seeds()
{
    const std::filesystem::path file = folder().dir / "seed.reg";
    std::string text;
    {
        Registry registry(file, folder().dir / "seed.lock");
        RegKey key;
        registry.createKey(RegKey(RootKey::LocalMachine), "SOFTWARE\\Tavix\\Setup", key);
        registry.setValue(key, RegValue::string("Path", "C:\\Program Files\\Tavix \"cat\""));
        registry.setValue(key, RegValue::string("Expand", "%WINDIR%\\x", true));
        registry.setValue(key, RegValue::dword("Count", 0xDEADBEEF));
        registry.setValue(key, RegValue::binary("Bytes", std::vector<uint8_t>(40, 0xA5)));
        registry.setValue(key, RegValue::multiString("List", { "one", "two" }));
        registry.setValue(key, RegValue::string("", "default"));
        registry.writeString(RootKey::CurrentUser, "Software\\Tavix", "Name", "user");
        text = registry.exportText();
    }
    std::filesystem::remove(file);
    return { { "store", text }, { "removals", "REGEDIT4\r\n\r\n[HKCU\\A\\B]\r\n\"x\"=\"1\"\r\n[-HKCU\\A\\B]\r\n"
                                              "[HKLM\\Z]\r\n@=hex(2):41,00,\\\r\n  42,00\r\n\"x\"=-\r\n" } };
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tavix::fuzzing::writeSeedsIfAsked(seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path file = folder().dir / "registry.reg";
    const std::filesystem::path again = folder().dir / "again.reg";
    const std::filesystem::path lock = folder().dir / "registry.lock";
    writeBytes(file, std::string(reinterpret_cast<const char*>(data), size));
    std::string text;
    try {
        Registry registry(file, lock);
        text = registry.exportText();
    } catch (const MachineError&) {
        return 0;
    }
    writeBytes(again, text);
    Registry reread(again, lock);
    check(reread.exportText() == text);
    return 0;
}
