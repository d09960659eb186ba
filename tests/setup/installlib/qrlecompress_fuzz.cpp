// libFuzzer target over the archive's directory reader and extraction. The
// input is an archive file; every member it names is extracted into one
// folder of an emulated machine in a temporary root. Any crash, sanitizer
// report, or file outside that folder is a finding. Its seeds are archives
// that the build's archive writer packs.
//
//   clang builds only:  installlib_archive_fuzz -max_total_time=60 corpus/

#include "platform/win/machine.h"
#include "setup/installlib/qrlecompress.h"
#include "tests/support/fuzz_seeds.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace installlib;

namespace {

struct Root {
    std::filesystem::path dir;
    std::shared_ptr<win::Machine> machine;
    Root()
    {
        dir = tavix::fuzzing::scratchFolder("archive_fuzz");
        machine = win::Machine::open(dir / "root");
        win::Machine::setCurrent(machine);
        machine->forceDirectories("C:\\F\\Out\\In");
        for (const win::FindData& f : machine->findFiles("C:\\*"))
            driveRoot.insert(f.name);
    }
    std::set<std::string> driveRoot;
    ~Root() { std::filesystem::remove_all(dir); }
};

Root& root()
{
    static Root r;
    return r;
}

// Archives of a few small files at each compression level, one with a
// member appended later under another ID, as a build writes them.
std::vector<tavix::fuzzing::Seed> seeds()
{
    win::Machine& m = *root().machine;
    std::string binary;
    for (int i = 0; i < 300; ++i)
        binary += char(i * 7);
    const std::vector<std::pair<std::string, std::string>> files { { "S:\\readme.txt", "Tavix Electronics\r\n" },
        { "S:\\tavixcat.exe", "MZ" + binary }, { "S:\\empty.db", "" }, { "S:\\late.px", binary + binary } };
    // One date for all, so that every run packs the same bytes.
    for (const auto& [path, bytes] : files)
        if (m.writeFile(path, bytes))
            m.setFileDate(path, 0x24AF6000);
    const auto pack = [&](TCompressionLevel level, std::vector<std::string> names, bool appendLast) {
        m.deleteFile("S:\\seed.1");
        TQrleCompress archive;
        archive.CompressionLevel = level;
        archive.SetCompressedFile("S:\\seed.1");
        const std::string last = names.back();
        if (appendLast)
            names.pop_back();
        archive.SetFilesToProcess(names);
        archive.AddFiles(false, 1);
        if (appendLast) {
            archive.SetFilesToProcess(std::vector<std::string> { last });
            archive.AddFiles(true, 2);
        }
        std::string bytes;
        m.readFile("S:\\seed.1", bytes);
        return bytes;
    };
    return { { "one", pack(colMax, { "S:\\readme.txt" }, false) },
        { "stored", pack(colNone, { "S:\\readme.txt", "S:\\tavixcat.exe" }, false) },
        { "fastest", pack(colFastest, { "S:\\tavixcat.exe", "S:\\empty.db", "S:\\readme.txt" }, false) },
        { "appended", pack(colDefault, { "S:\\readme.txt", "S:\\late.px" }, true) } };
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tavix::fuzzing::writeSeedsIfAsked(seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    win::Machine& m = *root().machine;
    m.writeFile("C:\\F\\a.1", std::string(reinterpret_cast<const char*>(data), size));
    TQrleCompress archive;
    archive.SetCompressedFile("C:\\F\\a.1");
    archive.ExtractDirectory = "C:\\F\\Out\\In";
    try {
        int count = archive.MemberCount();
        for (int i = 0; i < count; ++i) {
            TlzhFileStats stats;
            archive.GetMemberStats(i, stats);
            archive.SetFilesToProcess(std::vector<std::string> { stats.FileName });
            try {
                archive.ExtractFiles();
            } catch (const EQrleCompress&) {
            }
        }
    } catch (const EQrleCompress&) {
    }
    for (const win::FindData& f : m.findFiles("C:\\*"))
        if (!root().driveRoot.count(f.name))
            std::abort();
    for (const win::FindData& f : m.findFiles("C:\\F\\*"))
        if (f.name != "a.1" && f.name != "Out")
            std::abort();
    for (const win::FindData& f : m.findFiles("C:\\F\\Out\\*"))
        if (f.name != "In")
            std::abort();
    for (const win::FindData& f : m.findFiles("C:\\F\\Out\\In\\*"))
        m.deleteFile("C:\\F\\Out\\In\\" + f.name);
    return 0;
}
