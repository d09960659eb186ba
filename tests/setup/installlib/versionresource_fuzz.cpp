// libFuzzer target over the install library's version reader. The input is
// a program file on an emulated machine; its version values are read for
// one language and character set (picked by the first two bytes), and the
// versions read are compared both ways round, which must agree.
//
//   clang builds only:  installlib_versionresource_fuzz -runs=20000 corpus/

#include "platform/win/machine.h"
#include "platform/win/version_resource.h"
#include "setup/installlib/versionresource.h"
#include "tests/support/fuzz_seeds.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

using namespace installlib;

namespace {

struct Root {
    std::filesystem::path dir;
    std::shared_ptr<win::Machine> machine;
    Root()
    {
        dir = tavix::fuzzing::scratchFolder("versionresource_fuzz");
        machine = win::Machine::open(dir / "root");
        win::Machine::setCurrent(machine);
        machine->forceDirectories("C:\\F");
    }
    ~Root() { std::filesystem::remove_all(dir); }
};

Root& root()
{
    static Root r;
    return r;
}

using tavix::fuzzing::check;

void compareBothWays(const std::string& a, const std::string& b)
{
    const int ab = TVersionResource::CompareVersions(a, b);
    const int ba = TVersionResource::CompareVersions(b, a);
    check(ab >= 0 && ab <= 2);
    check(ab == 0 ? ba == 0 : ba == 3 - ab);
}

// Programs stamped by the project's own resource writer.
std::vector<tavix::fuzzing::Seed> seeds()
{
    win::VersionSpec wanted;
    wanted.fileVersion[0] = 3;
    wanted.fileVersion[3] = 12;
    wanted.productVersion[1] = 5;
    wanted.fileType = 2;
    wanted.stringTables.push_back({ "040904E4",
        { { "CompanyName", "Tavix" }, { "FileVersion", "3.0.0.12" }, { "ProductVersion", "1.5 beta" },
            { "Comments", "10.2.x" }, { "LegalCopyright", "(c) 1998" } } });
    win::VersionSpec driver;
    driver.fileType = 3;
    driver.fileSubtype = 7;
    driver.fileOS = 0x10001;
    driver.stringTables.push_back({ "04070000", { { "FileVersion", "4.00.950" } } });
    driver.translations = { { 0x0407, 0 } };
    // Language lnUSEnglish with csMultilingual, lnGerman with csASCII.
    return { { "program", std::string { char(versionres::lnUSEnglish), char(versionres::csMultilingual) }
                              + win::buildPeImage(win::buildVersionBlock(wanted)) },
        { "driver", std::string { char(versionres::lnGerman), char(versionres::csASCII) }
                + win::buildPeImage(win::buildVersionBlock(driver), 0x0407) } };
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tavix::fuzzing::writeSeedsIfAsked(seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    win::Machine& m = *root().machine;
    m.writeFile("C:\\F\\SETUP.EXE", std::string(reinterpret_cast<const char*>(data) + 2, size - 2));
    TVersionResource reader;
    reader.SetLanguage(versionres::TLanguage(data[0] % (versionres::lnSwissFrench + 1)));
    reader.SetCharacterSet(versionres::TCharacterSet(data[1] % (versionres::csArabic + 1)));
    reader.SetFileName("C:\\F\\SETUP.EXE");
    const TVersionInfo& info = reader.VersionInfo();
    check(info.PrimaryLanguage >= 0 && info.PrimaryLanguage < 0x400);
    compareBothWays(info.FileVersion, info.ProductVersion);
    compareBothWays(info.Comment, info.LegalCopyright);
    compareBothWays(info.CompanyName, info.FileVersion);
    return 0;
}
