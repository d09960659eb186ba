#include "archive_fixture.h"

#include <exception>
#include <set>

using namespace installlib;

namespace {

// A small deterministic generator, so a failure repeats on every run.
struct Lcg {
    std::uint32_t x;
    std::uint32_t next()
    {
        x = x * 1664525u + 1013904223u;
        return x >> 8;
    }
    std::uint32_t below(std::uint32_t n) { return n ? next() % n : 0; }
};

void mutate(std::string& bytes, Lcg& rng)
{
    static const std::int32_t extremes[] = { 0, -1, 1, 5, 172, 176, 177, 0x7FFFFFFF, INT32_MIN, 0x10000 };
    int edits = 1 + int(rng.below(4));
    for (int e = 0; e < edits && !bytes.empty(); ++e) {
        switch (rng.below(6)) {
        case 0: // flip a bit anywhere
            bytes[rng.below(std::uint32_t(bytes.size()))] ^= char(1u << rng.below(8));
            break;
        case 1: { // an extreme value into an aligned header field
            std::size_t header = 5 + 172 * rng.below(3);
            std::size_t field = header + 4 * rng.below(43);
            if (field + 4 <= bytes.size())
                PutInt32(reinterpret_cast<std::uint8_t*>(bytes.data() + field), extremes[rng.below(10)]);
            break;
        }
        case 2: // cut the file
            bytes.resize(rng.below(std::uint32_t(bytes.size())));
            break;
        case 3: // a random byte in the first header
            if (bytes.size() > 177)
                bytes[5 + rng.below(172)] = char(rng.next());
            break;
        case 4: // the count
            PutInt32(reinterpret_cast<std::uint8_t*>(bytes.data()), extremes[rng.below(10)]);
            break;
        default: // a burst of noise inside a stream
            for (std::uint32_t i = 0, at = rng.below(std::uint32_t(bytes.size())); i < 16 && at + i < bytes.size(); ++i)
                bytes[at + i] = char(rng.next());
            break;
        }
    }
}

} // namespace

// Damaged archives (bit flips, cut files, extreme header values) must give
// EQrleCompress, never a crash, a hang, a stray file or a write outside the
// extract directory. Built with AddressSanitizer, so a read past a buffer
// fails the run.
TEST_F(ArchiveTest, MutatedArchivesFailCleanly)
{
    put("S:\\Src\\one.txt", mixedBytes(3000, 1));
    put("S:\\Src\\two.bin", mixedBytes(70000, 2));
    put("S:\\Src\\three.txt", "");
    TQrleCompress packer;
    ASSERT_TRUE(pack(packer, "C:\\B\\a.1", { "S:\\Src\\one.txt", "S:\\Src\\two.bin", "S:\\Src\\three.txt" }));
    const std::string good = get("C:\\B\\a.1");
    std::set<std::string> rootBefore;
    for (const std::string& name : listing("C:\\"))
        rootBefore.insert(name);

    Lcg rng { 20261208 };
    int corrupt = 0, extracted = 0;
    for (int round = 0; round < 500; ++round) {
        std::string bytes = good;
        mutate(bytes, rng);
        put("C:\\B\\m.1", bytes);
        TQrleCompress archive;
        archive.SetCompressedFile("C:\\B\\m.1");
        try {
            int count = archive.MemberCount();
            std::vector<std::string> names;
            for (int i = 0; i < count; ++i) {
                TlzhFileStats stats;
                archive.GetMemberStats(i, stats);
                names.push_back(stats.FileName);
            }
            for (const std::string& name : names) {
                try {
                    if (extract(archive, "C:\\Out\\In", { name }))
                        ++extracted;
                } catch (const EQrleCompress&) {
                    ++corrupt;
                }
            }
        } catch (const EQrleCompress&) {
            ++corrupt;
        }
        // Only files inside the extract directory, and never a temporary file.
        for (const std::string& name : listing("C:\\Out\\In")) {
            EXPECT_TRUE(machine->fileExists("C:\\Out\\In\\" + name)) << round << ": " << name;
            EXPECT_EQ(name.find(".TMP"), std::string::npos) << round << ": " << name;
        }
        for (const std::string& name : listing("C:\\Out"))
            EXPECT_EQ(name, "In") << round;
        for (const std::string& name : listing("C:\\"))
            EXPECT_TRUE(rootBefore.count(name) || name == "Out") << round << ": " << name;
        for (const std::string& name : listing("C:\\Out\\In"))
            machine->deleteFile("C:\\Out\\In\\" + name);
    }
    EXPECT_GT(corrupt, 50) << extracted;
    EXPECT_GT(extracted, 10) << corrupt;
    RecordProperty("corrupt", corrupt);
    RecordProperty("extracted", extracted);
}
