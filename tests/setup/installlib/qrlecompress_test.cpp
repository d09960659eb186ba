#include "archive_fixture.h"
#include "platform/ui/message_service.h"
#include "platform/win/file.h"
#include "platform/win/version_resource.h"

#include <zlib.h>

#include <cmath>
#include <cstring>

using namespace installlib;

namespace {

std::int32_t int32At(const std::string& bytes, std::size_t pos)
{
    return GetInt32(reinterpret_cast<const std::uint8_t*>(bytes.data() + pos));
}

TFileHeader headerAt(const std::string& bytes, std::size_t pos)
{
    TFileHeader h;
    EXPECT_TRUE(h.Decode(reinterpret_cast<const std::uint8_t*>(bytes.data() + pos)));
    return h;
}

void putHeaderAt(std::string& bytes, std::size_t pos, const TFileHeader& h)
{
    TFileHeader::Bytes b = h.Encode();
    bytes.replace(pos, b.size(), reinterpret_cast<const char*>(b.data()), b.size());
}

std::string inflateAll(const std::string& stream)
{
    std::string out(1 << 20, '\0');
    uLongf len = out.size();
    EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(out.data()), &len, reinterpret_cast<const Bytef*>(stream.data()),
                  stream.size()),
        Z_OK);
    out.resize(len);
    return out;
}

} // namespace

// Layout: a byte out of place here makes every archive unreadable by the
// loader and by installs of earlier builds.
TEST_F(ArchiveTest, EmptyArchiveIsCountAndFlagOnly)
{
    TQrleCompress archive;
    EXPECT_TRUE(pack(archive, "C:\\Build\\files.1", {}));
    EXPECT_EQ(get("C:\\Build\\files.1"), std::string(5, '\0'));
    EXPECT_EQ(archive.MemberCount(), 0);
}

TEST_F(ArchiveTest, MemberHeaderFieldsSitAtTheirOffsets)
{
    put("S:\\Src\\a.txt", "hello hello hello");
    stamp("S:\\Src\\a.txt", 1999, 3, 14, 10, 20, 30);
    TQrleCompress archive;
    ASSERT_TRUE(pack(archive, "C:\\Build\\files.1", { "S:\\Src\\a.txt;ignored" }, false, 42));
    std::string bytes = get("C:\\Build\\files.1");
    ASSERT_GT(bytes.size(), 177u);
    EXPECT_EQ(int32At(bytes, 0), 1);
    EXPECT_EQ(bytes[4], 0);
    EXPECT_EQ(int32At(bytes, 5 + 0), 1); // number
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[5 + 20]), 12); // length of the path
    EXPECT_EQ(bytes.substr(5 + 21, 12), "S:\\Src\\a.txt");
    EXPECT_EQ(int32At(bytes, 5 + 124), int(bytes.size())); // next header
    EXPECT_EQ(int32At(bytes, 5 + 128), 17); // size
    EXPECT_EQ(int32At(bytes, 5 + 132), 177); // data offset
    EXPECT_EQ(int32At(bytes, 5 + 136), int(bytes.size())); // archive size after the member
    EXPECT_EQ(int32At(bytes, 5 + 16), int(bytes.size()) - 1); // end offset
    EXPECT_EQ(int32At(bytes, 5 + 144), 42);
    EXPECT_EQ(bytes[5 + 12], 0);
    EXPECT_EQ(bytes[5 + 140], 0);
    for (int pad : { 13, 14, 15, 121, 122, 123, 141, 142, 143, 169, 170, 171 })
        EXPECT_EQ(bytes[5 + pad], 0) << pad;
    double date;
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= std::uint64_t(std::uint8_t(bytes[5 + 4 + i])) << (8 * i);
    std::memcpy(&date, &bits, 8);
    EXPECT_DOUBLE_EQ(date, *win::dosDateTimeToDateTime(*machine->fileDate("S:\\Src\\a.txt")));
    EXPECT_EQ(inflateAll(bytes.substr(177)), "hello hello hello");
}

// Round trips: a fault in the stream loop shows up at buffer edges (4095,
// 4096, 65535, 65536, 65537) or at one of the levels.
TEST_F(ArchiveTest, RoundTripsEverySizeAtEveryLevel)
{
    const std::vector<std::size_t> sizes = { 0, 1, 4095, 4096, 65535, 65536, 65537, 3 * 1024 * 1024 + 17 };
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        std::string path = "S:\\Src\\f" + std::to_string(sizes[i]) + ".bin";
        put(path, mixedBytes(sizes[i], std::uint32_t(i)));
        lines.push_back(path);
    }
    for (TCompressionLevel level : { colNone, colFastest, colDefault, colMax }) {
        SCOPED_TRACE(int(level));
        TQrleCompress archive;
        archive.CompressionLevel = level;
        ASSERT_TRUE(pack(archive, "C:\\Build\\l.1", lines));
        TQrleCompress reader;
        reader.SetCompressedFile("C:\\Build\\l.1");
        ASSERT_EQ(reader.MemberCount(), int(sizes.size()));
        ASSERT_TRUE(extract(reader, "C:\\Out" + std::to_string(int(level)), lines));
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            std::string out = "C:\\Out" + std::to_string(int(level)) + "\\f" + std::to_string(sizes[i]) + ".bin";
            EXPECT_EQ(get(out), get(lines[i])) << out;
        }
    }
}

TEST_F(ArchiveTest, KeepsDateAndVersion)
{
    win::VersionSpec version;
    version.fileVersion[0] = 4;
    version.fileVersion[1] = 2;
    version.fileVersion[2] = 1381;
    version.fileVersion[3] = 7;
    put("S:\\Src\\tool.dll", win::buildPeImage(win::buildVersionBlock(version)));
    stamp("S:\\Src\\tool.dll", 1998, 7, 1, 8, 30, 2);
    TQrleCompress archive;
    ASSERT_TRUE(pack(archive, "C:\\B\\a.1", { "S:\\Src\\tool.dll" }));
    TlzhFileStats stats;
    archive.GetMemberStats(0, stats);
    EXPECT_EQ(stats.Header.Version, "4.2.1381.7");
    EXPECT_EQ(stats.FileName, "S:\\Src\\tool.dll");
    ASSERT_TRUE(extract(archive, "C:\\Dest", { "s:\\src\\TOOL.DLL" }));
    EXPECT_EQ(*machine->fileDate("C:\\Dest\\tool.dll"), *machine->fileDate("S:\\Src\\tool.dll"));
}

// Appending: old members must stay byte for byte, a duplicate path must
// not hide the first copy, and IDs must find the right member.
TEST_F(ArchiveTest, AppendKeepsOldMembersAndMapsIds)
{
    put("S:\\Src\\a.txt", "first copy");
    put("S:\\Src\\b.txt", "bee");
    TQrleCompress archive;
    ASSERT_TRUE(pack(archive, "C:\\B\\a.1", { "S:\\Src\\a.txt" }, false, 5));
    std::string before = get("C:\\B\\a.1");
    put("S:\\Src\\a.txt", "second copy");
    ASSERT_TRUE(pack(archive, "C:\\B\\a.1", { "S:\\Src\\b.txt", "S:\\Src\\a.txt" }, true, 7));
    std::string after = get("C:\\B\\a.1");
    EXPECT_EQ(int32At(after, 0), 3);
    EXPECT_EQ(after.substr(4, before.size() - 4), before.substr(4));
    EXPECT_EQ(archive.MemberCount(), 3);
    TlzhFileStats stats;
    archive.GetMemberStats(2, stats);
    EXPECT_EQ(stats.Header.Number, 2); // numbering starts again for the appended batch
    EXPECT_EQ(archive.MemberIndexOfID(5), 0);
    EXPECT_EQ(archive.MemberIndexOfID(7), 2); // the later member with the ID wins
    EXPECT_EQ(archive.MemberIndexOfID(6), -1);
    EXPECT_EQ(archive.MemberIndexOfID(2000), -1);
    ASSERT_TRUE(extract(archive, "C:\\Dest", { "S:\\Src\\a.txt" }));
    EXPECT_EQ(get("C:\\Dest\\a.txt"), "first copy");
}

TEST_F(ArchiveTest, MemberNamesMatchWholePathsOnly)
{
    put("S:\\Src\\a.txt", "x");
    TQrleCompress archive;
    ASSERT_TRUE(pack(archive, "C:\\B\\a.1", { "S:\\Src\\a.txt" }));
    EXPECT_THROW(extract(archive, "C:\\Dest", { "a.txt" }), EQrleCompress);
    EXPECT_TRUE(archive.Abort); // a failure leaves the abort flag set
    EXPECT_FALSE(machine->fileExists("C:\\Dest\\a.txt"));
    EXPECT_TRUE(archive.FilesToProcess().empty());
}

TEST_F(ArchiveTest, IndexOutsideTheDirectoryIsAnError)
{
    put("S:\\Src\\a.txt", "x");
    TQrleCompress archive;
    ASSERT_TRUE(pack(archive, "C:\\B\\a.1", { "S:\\Src\\a.txt" }));
    TlzhFileStats stats;
    EXPECT_THROW(archive.GetMemberStats(1, stats), EQrleCompress);
    EXPECT_THROW(archive.GetMemberStats(-1, stats), EQrleCompress);
}

// Refusals when packing: a cut path would never match at install time, and
// appending to a volume set would overwrite its header table.
TEST_F(ArchiveTest, RefusesLongPathsAndLeavesTheArchiveAlone)
{
    put("S:\\Src\\a.txt", "x");
    TQrleCompress archive;
    ASSERT_TRUE(pack(archive, "C:\\B\\a.1", { "S:\\Src\\a.txt" }));
    std::string before = get("C:\\B\\a.1");
    std::string longPath = "S:\\" + std::string(95, 'd') + "\\b.txt";
    put(longPath, "y");
    EXPECT_THROW(pack(archive, "C:\\B\\a.1", { longPath }, false), EQrleCompress);
    EXPECT_EQ(get("C:\\B\\a.1"), before);
}

// Catches a version text longer than the header's field failing the build
// instead of being cut to 20 characters.
TEST_F(ArchiveTest, LongVersionsAreCutToTwentyCharacters)
{
    win::VersionSpec version;
    for (auto& v : version.fileVersion)
        v = 65535; // "65535.65535.65535.65535" has 23 characters
    put("S:\\Src\\v.dll", win::buildPeImage(win::buildVersionBlock(version)));
    TQrleCompress archive;
    ASSERT_TRUE(pack(archive, "C:\\B\\v.1", { "S:\\Src\\v.dll" }));
    EXPECT_EQ(headerAt(get("C:\\B\\v.1"), 5).Version, "65535.65535.65535.65");
}

TEST_F(ArchiveTest, MissingSourceKeepsTheMembersBeforeIt)
{
    put("S:\\Src\\a.txt", "aaa");
    put("S:\\Src\\b.txt", "bbb");
    TQrleCompress archive;
    ASSERT_TRUE(pack(archive, "C:\\B\\a.1", { "S:\\Src\\a.txt" }));
    // b.txt vanishes between the check of the lines and its compression.
    archive.OnAfterAdding = [&](TQrleCompress&, TlzhFileStats&) { machine->deleteFile("S:\\Src\\b.txt"); };
    archive.SetFilesToProcess(std::vector<std::string> { "S:\\Src\\a.txt", "S:\\Src\\b.txt" });
    EXPECT_THROW(archive.AddFiles(true, 0), EQrleCompress);
    TQrleCompress reader;
    reader.SetCompressedFile("C:\\B\\a.1");
    EXPECT_EQ(reader.MemberCount(), 2);
    ASSERT_TRUE(extract(reader, "C:\\D", { "S:\\Src\\a.txt" }));
    EXPECT_EQ(get("C:\\D\\a.txt"), "aaa");
}

// Abort while packing: the member being written must vanish and the
// archive must still read, with the call reporting the abort.
TEST_F(ArchiveTest, AbortWhilePackingLeavesTheCompleteMembers)
{
    put("S:\\Src\\a.txt", mixedBytes(1000, 1));
    put("S:\\Src\\big.bin", mixedBytes(600000, 2));
    TQrleCompress archive;
    ASSERT_TRUE(pack(archive, "C:\\B\\a.1", { "S:\\Src\\a.txt" }));
    std::string before = get("C:\\B\\a.1");
    int aborted = 0;
    archive.OnAborted = [&](TComponent*) { ++aborted; };
    archive.OnStatus = [&](TQrleCompress& a, TlzhFileStats& s) {
        if (s.FileName == "S:\\Src\\big.bin" && s.FileBytesDone > 100000)
            a.Abort = true;
    };
    EXPECT_FALSE(pack(archive, "C:\\B\\a.1", { "S:\\Src\\a.txt", "S:\\Src\\big.bin" }, true));
    EXPECT_EQ(aborted, 1);
    EXPECT_TRUE(archive.Abort);
    std::string after = get("C:\\B\\a.1");
    TQrleCompress reader;
    reader.SetCompressedFile("C:\\B\\a.1");
    ASSERT_EQ(reader.MemberCount(), 2); // the old one and the appended copy of a.txt
    TlzhFileStats stats;
    reader.GetMemberStats(1, stats);
    EXPECT_EQ(std::size_t(stats.Header.NextHeader), after.size()); // nothing of big.bin is left behind
    EXPECT_EQ(after.substr(4, before.size() - 4), before.substr(4));
}

TEST_F(ArchiveTest, CancelDuringMessagePumpStopsPacking)
{
    put("S:\\Src\\big.bin", mixedBytes(400000, 3));
    ui::ScriptedMessageService service;
    TQrleCompress archive;
    service.onProcessMessages([&] { archive.Abort = true; });
    ui::MessageService::setCurrent(&service);
    bool done = pack(archive, "C:\\B\\a.1", { "S:\\Src\\big.bin" });
    ui::MessageService::setCurrent(nullptr);
    EXPECT_FALSE(done);
    EXPECT_GT(service.processCount(), 0);
    EXPECT_EQ(get("C:\\B\\a.1"), std::string(5, '\0'));
}

// Extraction is all or nothing: an abort, a damaged member or a full disk
// must leave the old file byte for byte and no temporary file behind.
class ExtractFailures : public ArchiveTest {
protected:
    void SetUp() override
    {
        ArchiveTest::SetUp();
        put("S:\\Src\\data.bin", mixedBytes(700000, 9));
        TQrleCompress archive;
        ASSERT_TRUE(pack(archive, "C:\\B\\a.1", { "S:\\Src\\data.bin" }));
        put("C:\\App\\data.bin", "old contents");
    }
    void expectOldFileOnly()
    {
        EXPECT_EQ(get("C:\\App\\data.bin"), "old contents");
        EXPECT_EQ(listing("C:\\App"), std::vector<std::string> { "data.bin" });
    }
    // Stores the damaged archive and expects its extraction to be refused.
    void expectDamagedArchiveRefused(const std::string& bytes)
    {
        put("C:\\B\\a.1", bytes);
        TQrleCompress archive;
        archive.SetCompressedFile("C:\\B\\a.1");
        EXPECT_THROW(extract(archive, "C:\\App", { "S:\\Src\\data.bin" }), EQrleCompress);
        expectOldFileOnly();
    }
};

TEST_F(ExtractFailures, AbortKeepsTheOldFile)
{
    TQrleCompress archive;
    archive.SetCompressedFile("C:\\B\\a.1");
    int aborted = 0;
    archive.OnAborted = [&](TComponent*) { ++aborted; };
    archive.OnStatus = [](TQrleCompress& a, TlzhFileStats& s) {
        if (s.FileBytesDone > 0)
            a.Abort = true;
    };
    EXPECT_FALSE(extract(archive, "C:\\App", { "S:\\Src\\data.bin" }));
    EXPECT_EQ(aborted, 1);
    expectOldFileOnly();
}

TEST_F(ExtractFailures, DamagedStreamKeepsTheOldFile)
{
    std::string bytes = get("C:\\B\\a.1");
    bytes[177 + 5000] ^= 0x55;
    expectDamagedArchiveRefused(bytes);
}

TEST_F(ExtractFailures, ChecksumCatchesAFlipInTheTrailer)
{
    std::string bytes = get("C:\\B\\a.1");
    bytes[bytes.size() - 1] ^= 0x01; // last byte of the Adler-32
    expectDamagedArchiveRefused(bytes);
}

TEST_F(ExtractFailures, StreamHeaderIsChecked)
{
    const std::string packed = get("C:\\B\\a.1");
    std::string bytes = packed;
    bytes[178] ^= 0x01; // the header's check bits no longer add up
    expectDamagedArchiveRefused(bytes);
    bytes = packed;
    bytes[178] = char(0xBB); // a valid header that asks for a preset dictionary
    expectDamagedArchiveRefused(bytes);
}

TEST_F(ExtractFailures, TruncatedStreamKeepsTheOldFile)
{
    std::string bytes = get("C:\\B\\a.1");
    TFileHeader h = headerAt(bytes, 5);
    h.EndOffset -= 100; // the member now ends early
    putHeaderAt(bytes, 5, h);
    expectDamagedArchiveRefused(bytes);
}

TEST_F(ExtractFailures, RecordedSizeCapsTheOutput)
{
    std::string bytes = get("C:\\B\\a.1");
    TFileHeader h = headerAt(bytes, 5);
    h.Size = 1000;
    putHeaderAt(bytes, 5, h);
    expectDamagedArchiveRefused(bytes);
}

TEST_F(ExtractFailures, FullDiskKeepsTheOldFile)
{
    machine->mapDrive('E', "small", 200000);
    put("E:\\App\\data.bin", "old contents");
    TQrleCompress archive;
    archive.SetCompressedFile("C:\\B\\a.1");
    // The message names the drive and the room the file and what follows it need.
    archive.BytesToFollow = [] { return 300000; };
    std::string said;
    try {
        extract(archive, "E:\\App", { "S:\\Src\\data.bin" });
    } catch (const EqcDiskFull& e) {
        said = e.what();
    }
    EXPECT_EQ(said, "The disk in drive E: is full: at least 782 KB more free space is needed.");
    EXPECT_EQ(get("E:\\App\\data.bin"), "old contents");
    EXPECT_EQ(listing("E:\\App"), std::vector<std::string> { "data.bin" });

    // With a handler the lost bytes are reported by the size check.
    int full = 0;
    archive.OnFullDisk = [&](TComponent*) { ++full; };
    EXPECT_THROW(extract(archive, "E:\\App", { "S:\\Src\\data.bin" }), EQrleCompress);
    EXPECT_GT(full, 0);
    EXPECT_EQ(listing("E:\\App"), std::vector<std::string> { "data.bin" });
}

// Overwrite rules: a wrong decision either destroys a newer file on the
// user's machine or leaves an old one in place.
class OverwriteRules : public ArchiveTest {
protected:
    void SetUp() override
    {
        ArchiveTest::SetUp();
        put("S:\\Src\\a.txt", "from the archive");
        stamp("S:\\Src\\a.txt", 1999, 5, 1, 12, 0, 0);
        TQrleCompress archive;
        ASSERT_TRUE(pack(archive, "C:\\B\\a.1", { "S:\\Src\\a.txt" }));
        put("C:\\App\\a.txt", "installed");
    }
    std::string run(TOverwriteType rule, int& finishedWithoutWrite)
    {
        TQrleCompress archive;
        archive.SetCompressedFile("C:\\B\\a.1");
        archive.Overwrite = rule;
        finishedWithoutWrite = 0;
        archive.OnStatus = [&](TQrleCompress&, TlzhFileStats& s) {
            if (s.Finished && s.FileBytesDone == 0)
                ++finishedWithoutWrite;
        };
        EXPECT_TRUE(extract(archive, "C:\\App", { "S:\\Src\\a.txt" }));
        return get("C:\\App\\a.txt");
    }
};

TEST_F(OverwriteRules, AlwaysReplaces)
{
    int skipped;
    EXPECT_EQ(run(owAlways, skipped), "from the archive");
    EXPECT_EQ(skipped, 0);
}

TEST_F(OverwriteRules, NeverKeepsAndStillReportsTheMemberFinished)
{
    int skipped;
    EXPECT_EQ(run(owNever, skipped), "installed");
    EXPECT_EQ(skipped, 1);
}

TEST_F(OverwriteRules, DateKeepsANewerTargetAndReplacesAnOlderOne)
{
    int skipped;
    stamp("C:\\App\\a.txt", 2001, 1, 1, 0, 0, 0);
    EXPECT_EQ(run(owDate, skipped), "installed");
    stamp("C:\\App\\a.txt", 1997, 1, 1, 0, 0, 0);
    EXPECT_EQ(run(owDate, skipped), "from the archive");
}

TEST_F(OverwriteRules, VersionComparesTheStoredVersion)
{
    win::VersionSpec older, newer;
    older.fileVersion[0] = 1;
    newer.fileVersion[0] = 2;
    put("S:\\Src\\v.dll", win::buildPeImage(win::buildVersionBlock(older)));
    TQrleCompress archive;
    ASSERT_TRUE(pack(archive, "C:\\B\\v.1", { "S:\\Src\\v.dll" }));
    std::string installed = win::buildPeImage(win::buildVersionBlock(newer));
    put("C:\\App\\v.dll", installed);
    archive.Overwrite = owVersion;
    ASSERT_TRUE(extract(archive, "C:\\App", { "S:\\Src\\v.dll" }));
    EXPECT_EQ(get("C:\\App\\v.dll"), installed);
}

TEST_F(OverwriteRules, ReplaceHandlerMayRenameAndSkipMemberSuppresses)
{
    TQrleCompress archive;
    archive.SetCompressedFile("C:\\B\\a.1");
    archive.OnReplace = [](TQrleCompress& a, TlzhFileStats&) { a.DestinationName = "A.1"; };
    ASSERT_TRUE(extract(archive, "C:\\App", { "S:\\Src\\a.txt" }));
    EXPECT_EQ(get("C:\\App\\a.txt"), "installed");
    EXPECT_EQ(get("C:\\App\\A.1"), "from the archive");
    EXPECT_TRUE(archive.DestinationName.empty());

    archive.OnReplace = nullptr;
    archive.OnBeforeExtracting = [](TQrleCompress& a, TlzhFileStats&) { a.SkipMember = true; };
    ASSERT_TRUE(extract(archive, "C:\\New", { "S:\\Src\\a.txt" }));
    EXPECT_FALSE(machine->fileExists("C:\\New\\a.txt"));
}

// Crafted archives: nothing read from the file may crash the reader, loop
// forever or write outside the extract directory.
class CraftedArchives : public ArchiveTest {
protected:
    void SetUp() override
    {
        ArchiveTest::SetUp();
        put("S:\\Src\\a.txt", "payload");
        TQrleCompress archive;
        ASSERT_TRUE(pack(archive, "C:\\B\\a.1", { "S:\\Src\\a.txt" }));
        bytes = get("C:\\B\\a.1");
    }
    void save() { put("C:\\B\\a.1", bytes); }
    void expectCorrupt()
    {
        save();
        TQrleCompress archive;
        archive.SetCompressedFile("C:\\B\\a.1");
        EXPECT_THROW(archive.ReadDirectory(), EQrleCompress);
        EXPECT_FALSE(archive.DirectoryRead());
    }
    void renameMember(const std::string& stored)
    {
        TFileHeader h = headerAt(bytes, 5);
        h.SourcePath = stored;
        putHeaderAt(bytes, 5, h);
        save();
    }
    std::string bytes;
};

TEST_F(CraftedArchives, TraversalNamesAreReducedToAFileName)
{
    machine->forceDirectories("C:\\Out\\In");
    for (std::string stored :
        { "..\\..\\evil.txt", "../../evil.txt", "C:\\Windows\\evil.txt", "\\\\srv\\s\\evil.txt" }) {
        SCOPED_TRACE(stored);
        renameMember(stored);
        TQrleCompress archive;
        archive.SetCompressedFile("C:\\B\\a.1");
        ASSERT_TRUE(extract(archive, "C:\\Out\\In", { stored }));
        EXPECT_EQ(get("C:\\Out\\In\\evil.txt"), "payload");
        EXPECT_EQ(listing("C:\\Out"), std::vector<std::string> { "In" });
        EXPECT_FALSE(machine->fileExists("C:\\evil.txt"));
        EXPECT_FALSE(machine->fileExists("C:\\Windows\\evil.txt"));
    }
}

TEST_F(CraftedArchives, NamesThatAreNoFileNameAreRefused)
{
    machine->forceDirectories("C:\\Out\\In");
    for (std::string stored : { std::string("..\\.."), std::string("x\\.."), std::string("C:evil"),
             std::string("x\\. ."), std::string("ev\0il", 5), std::string("dir\\") }) {
        renameMember(stored);
        TQrleCompress archive;
        archive.SetCompressedFile("C:\\B\\a.1");
        EXPECT_THROW(extract(archive, "C:\\Out\\In", { stored }), EQrleCompress) << stored;
        EXPECT_TRUE(listing("C:\\Out\\In").empty());
        EXPECT_EQ(listing("C:\\Out"), std::vector<std::string> { "In" });
    }
}

TEST_F(CraftedArchives, HugeCountIsRefusedAtOnce)
{
    PutInt32(reinterpret_cast<std::uint8_t*>(bytes.data()), 0x7FFFFFFF);
    expectCorrupt();
    PutInt32(reinterpret_cast<std::uint8_t*>(bytes.data()), -1);
    expectCorrupt();
}

TEST_F(CraftedArchives, HeaderChainThatLoopsIsRefused)
{
    // Two members whose second header points back at the first.
    put("S:\\Src\\b.txt", "second");
    TQrleCompress archive;
    ASSERT_TRUE(pack(archive, "C:\\B\\a.1", { "S:\\Src\\b.txt" }, true));
    bytes = get("C:\\B\\a.1");
    TFileHeader first = headerAt(bytes, 5);
    std::size_t second = std::size_t(first.NextHeader);
    TFileHeader h = headerAt(bytes, second);
    h.NextHeader = 0;
    putHeaderAt(bytes, second, h);
    PutInt32(reinterpret_cast<std::uint8_t*>(bytes.data()), 3);
    expectCorrupt();
    first.NextHeader = 5; // onto itself
    putHeaderAt(bytes, 5, first);
    expectCorrupt();
}

TEST_F(CraftedArchives, FieldsOutsideTheFileAreRefused)
{
    std::string good = bytes;
    auto patch = [&](auto change) {
        bytes = good;
        TFileHeader h = headerAt(bytes, 5);
        change(h);
        putHeaderAt(bytes, 5, h);
        expectCorrupt();
    };
    patch([](TFileHeader& h) { h.EndOffset = 1 << 30; });
    patch([](TFileHeader& h) { h.DataOffset = -5; });
    patch([](TFileHeader& h) { h.Size = -1; });
    patch([](TFileHeader& h) { h.LastVolume = 3; }); // volumes in a single-file archive
    patch([](TFileHeader& h) { h.NextHeader = 1 << 30; });
    // Dates a DOS date cannot hold (a huge one once reached an unchecked conversion).
    patch([](TFileHeader& h) { h.Date = 1e300; });
    patch([](TFileHeader& h) { h.Date = -1e18; });
    patch([](TFileHeader& h) { h.Date = std::nan(""); });
    patch([](TFileHeader& h) { h.Date = 80000.0; }); // in 2119
    patch([](TFileHeader& h) { h.Date = 29000.5; }); // in 1979
    bytes = good;
    bytes[5 + 20] = char(101); // path length beyond its field
    expectCorrupt();
    bytes = good;
    bytes[4] = 7; // unknown table flag
    expectCorrupt();
    bytes = good.substr(0, 100); // header cut short
    expectCorrupt();
    bytes = good.substr(0, 3);
    save();
    TQrleCompress archive;
    archive.SetCompressedFile("C:\\B\\a.1");
    EXPECT_THROW(archive.ReadDirectory(), EQrleCompress);
}

TEST_F(ArchiveTest, MissingArchiveCannotBeOpened)
{
    TQrleCompress archive;
    archive.SetCompressedFile("C:\\nowhere.1");
    EXPECT_THROW(archive.MemberCount(), EQrleCompress);
}

// Self-extracting setups: every stored position is shifted by Offset.
TEST_F(ArchiveTest, ReadsAnArchiveBehindALoader)
{
    put("S:\\Src\\a.txt", mixedBytes(70000, 4));
    TQrleCompress archive;
    ASSERT_TRUE(pack(archive, "C:\\B\\files.1", { "S:\\Src\\a.txt" }));
    put("C:\\B\\setup.exe", std::string(1000, 'L') + get("C:\\B\\files.1"));
    TQrleCompress reader;
    reader.SetCompressedFile("C:\\B\\setup.exe");
    reader.Offset = 1000;
    ASSERT_TRUE(extract(reader, "C:\\Dest", { "S:\\Src\\a.txt" }));
    EXPECT_EQ(get("C:\\Dest\\a.txt"), get("S:\\Src\\a.txt"));
}

TEST_F(ArchiveTest, SwitchingBetweenVolumesKeepsTheDirectory)
{
    put("S:\\Src\\a.txt", "x");
    TQrleCompress archive;
    ASSERT_TRUE(pack(archive, "C:\\B\\files.1", { "S:\\Src\\a.txt" }));
    archive.ReadDirectory();
    archive.SetCompressedFile("C:\\B\\FILES.2");
    EXPECT_TRUE(archive.DirectoryRead());
    archive.SetCompressedFile("C:\\B\\other.1");
    EXPECT_FALSE(archive.DirectoryRead());
}

// Plain copies follow the same all-or-nothing rule as extraction.
TEST_F(ArchiveTest, CopyPlainCopiesWithDateAndHonoursTheRule)
{
    put("S:\\Src\\readme.txt", mixedBytes(20000, 5));
    stamp("S:\\Src\\readme.txt", 1999, 1, 2, 3, 4, 6);
    TQrleCompress archive;
    std::vector<int> percents;
    archive.OnStatus = [&](TQrleCompress&, TlzhFileStats& s) { percents.push_back(s.FilePercent); };
    machine->forceDirectories("C:\\App");
    ASSERT_TRUE(archive.CopyPlain("S:\\Src\\readme.txt", "C:\\App\\readme.txt"));
    EXPECT_EQ(get("C:\\App\\readme.txt"), get("S:\\Src\\readme.txt"));
    EXPECT_EQ(*machine->fileDate("C:\\App\\readme.txt"), *machine->fileDate("S:\\Src\\readme.txt"));
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 100);

    put("C:\\App\\readme.txt", "mine");
    archive.Overwrite = owNever;
    ASSERT_TRUE(archive.CopyPlain("S:\\Src\\readme.txt", "C:\\App\\readme.txt"));
    EXPECT_EQ(get("C:\\App\\readme.txt"), "mine");

    archive.Overwrite = owAlways;
    archive.OnStatus = [](TQrleCompress& a, TlzhFileStats&) { a.Abort = true; };
    EXPECT_FALSE(archive.CopyPlain("S:\\Src\\readme.txt", "C:\\App\\readme.txt"));
    EXPECT_EQ(get("C:\\App\\readme.txt"), "mine");
    EXPECT_EQ(listing("C:\\App"), std::vector<std::string> { "readme.txt" });
}

// Volume sets: a member spread over floppies must come back whole, also
// when it begins exactly where a disk is full.
class VolumeSets : public ArchiveTest {
protected:
    std::uint64_t floppyCapacity()
    {
        for (const win::DriveInfo& d : machine->drives())
            if (d.letter == 'A')
                return d.capacity;
        return 0;
    }
    // Splits C:\B\files.1 onto A:, swapping the floppy at each request, and
    // returns the host folders of the disks in order.
    std::vector<std::filesystem::path> splitOntoFloppies(TQrleCompress& archive)
    {
        std::vector<std::filesystem::path> disks;
        bool firstBack = false;
        archive.OnNewDisk = [&](TQrleCompress&, int disk, std::string& path) {
            if (disk == 1) {
                // The header table is finished on the first disk again.
                EXPECT_EQ(path, "A:");
                disks.push_back(machine->swapDisk('A'));
                machine->mapDrive('A', disks[0], floppyCapacity(), true);
                firstBack = true;
                return;
            }
            EXPECT_EQ(disk, int(disks.size()) + 2);
            EXPECT_EQ(path, "A:\\");
            disks.push_back(machine->swapDisk('A'));
        };
        archive.SetCompressedFile("C:\\B\\files.1");
        EXPECT_TRUE(archive.SplitIntoVolumes("A:\\", "files.1"));
        if (!firstBack)
            disks.push_back(machine->swapDisk('A'));
        return disks;
    }
    // Copies each disk's volume into one folder of C:.
    void gather(const std::vector<std::filesystem::path>& disks, const std::string& folder)
    {
        machine->forceDirectories(folder);
        for (std::size_t i = 0; i < disks.size(); ++i) {
            std::string name = "files." + std::to_string(i + 1);
            put(folder + "\\" + name, tavix::testing::readFile(disks[i] / name));
        }
    }
};

TEST_F(VolumeSets, MemberSpansThreeFloppies)
{
    put("S:\\Src\\small.txt", "small");
    put("S:\\Src\\huge.bin", noiseBytes(3200000, 1));
    put("S:\\Src\\tail.txt", "tail");
    TQrleCompress archive;
    archive.CompressionLevel = colNone;
    ASSERT_TRUE(pack(archive, "C:\\B\\files.1", { "S:\\Src\\small.txt", "S:\\Src\\huge.bin", "S:\\Src\\tail.txt" }));
    std::vector<std::filesystem::path> disks = splitOntoFloppies(archive);
    ASSERT_EQ(disks.size(), 3u);

    gather(disks, "C:\\Set");
    TQrleCompress reader;
    reader.SetCompressedFile("C:\\Set\\files.1");
    TlzhFileStats stats;
    reader.GetMemberStats(1, stats);
    EXPECT_EQ(stats.Header.FirstVolume, 1);
    EXPECT_EQ(stats.Header.LastVolume, 3);
    EXPECT_EQ(reader.Headers().TableFlag, 1);
    ASSERT_TRUE(extract(reader, "C:\\Dest", { "S:\\Src\\small.txt", "S:\\Src\\huge.bin", "S:\\Src\\tail.txt" }));
    EXPECT_EQ(get("C:\\Dest\\huge.bin"), get("S:\\Src\\huge.bin"));
    EXPECT_EQ(get("C:\\Dest\\tail.txt"), "tail");
    EXPECT_EQ(get("C:\\Dest\\small.txt"), "small");
    EXPECT_TRUE(reader.DirectoryRead());
    EXPECT_EQ(reader.CompressedFile(), "C:\\Set\\files.3"); // names the volume opened last

    // Appending to a volume set would destroy its header table.
    put("S:\\Src\\more.txt", "more");
    EXPECT_THROW(pack(reader, "C:\\Set\\files.1", { "S:\\Src\\more.txt" }, true), EQrleCompress);
}

TEST_F(VolumeSets, ExtractAsksForEachDiskInTurn)
{
    put("S:\\Src\\huge.bin", noiseBytes(2000000, 2));
    TQrleCompress archive;
    archive.CompressionLevel = colNone;
    ASSERT_TRUE(pack(archive, "C:\\B\\files.1", { "S:\\Src\\huge.bin" }));
    std::vector<std::filesystem::path> disks = splitOntoFloppies(archive);
    ASSERT_EQ(disks.size(), 2u);

    machine->mapDrive('A', disks[0], floppyCapacity(), true);
    TQrleCompress reader;
    std::vector<int> asked;
    reader.OnNewDisk = [&](TQrleCompress&, int disk, std::string& path) {
        asked.push_back(disk);
        EXPECT_EQ(path, "A:");
        machine->mapDrive('A', disks[std::size_t(disk) - 1], floppyCapacity(), true);
    };
    reader.SetCompressedFile("A:\\files.1");
    ASSERT_TRUE(extract(reader, "C:\\Dest", { "S:\\Src\\huge.bin" }));
    EXPECT_EQ(asked, std::vector<int> { 2 });
    EXPECT_EQ(get("C:\\Dest\\huge.bin"), get("S:\\Src\\huge.bin"));
}

TEST_F(VolumeSets, MemberStartingExactlyAtTheDiskEnd)
{
    put("S:\\Src\\one.bin", noiseBytes(300000, 3));
    put("S:\\Src\\two.bin", noiseBytes(200000, 4));
    TQrleCompress archive;
    archive.CompressionLevel = colNone;
    ASSERT_TRUE(pack(archive, "C:\\B\\files.1", { "S:\\Src\\one.bin", "S:\\Src\\two.bin" }));
    TlzhFileStats first;
    archive.GetMemberStats(0, first);
    std::int64_t oneStream = std::int64_t(first.Header.EndOffset) + 1 - first.Header.DataOffset;
    // The first disk holds the set's identity file (20 bytes), the table
    // and exactly the first member's data.
    machine->setDriveCapacity('A', std::uint64_t(20 + 5 + 2 * 172 + oneStream));
    std::vector<std::filesystem::path> disks = splitOntoFloppies(archive);
    ASSERT_EQ(disks.size(), 2u);
    EXPECT_EQ(std::filesystem::file_size(disks[0] / "files.1"), std::uintmax_t(5 + 2 * 172 + oneStream));

    gather(disks, "C:\\Set");
    TQrleCompress reader;
    reader.SetCompressedFile("C:\\Set\\files.1");
    TlzhFileStats two;
    reader.GetMemberStats(1, two);
    EXPECT_EQ(two.Header.FirstVolume, 2);
    EXPECT_EQ(two.Header.DataOffset, 0);
    ASSERT_TRUE(extract(reader, "C:\\Dest", { "S:\\Src\\one.bin", "S:\\Src\\two.bin" }));
    EXPECT_EQ(get("C:\\Dest\\one.bin"), get("S:\\Src\\one.bin"));
    EXPECT_EQ(get("C:\\Dest\\two.bin"), get("S:\\Src\\two.bin"));
}

TEST_F(VolumeSets, MissingVolumeWithoutAndWithAHandler)
{
    put("S:\\Src\\huge.bin", noiseBytes(2000000, 5));
    TQrleCompress archive;
    archive.CompressionLevel = colNone;
    ASSERT_TRUE(pack(archive, "C:\\B\\files.1", { "S:\\Src\\huge.bin" }));
    std::vector<std::filesystem::path> disks = splitOntoFloppies(archive);
    gather({ disks[0] }, "C:\\Set"); // files.2 is missing

    TQrleCompress reader;
    reader.SetCompressedFile("C:\\Set\\files.1");
    try {
        extract(reader, "C:\\Dest", { "S:\\Src\\huge.bin" });
        ADD_FAILURE() << "no error";
    } catch (const EQrleCompress& e) {
        EXPECT_STREQ(e.what(), "Could not open the correct disk file 2");
    }
    int calls = 0;
    reader.SetCompressedFile("C:\\Set\\files.1");
    reader.OnNewDisk = [&](TQrleCompress&, int, std::string&) { ++calls; };
    try {
        extract(reader, "C:\\Dest", { "S:\\Src\\huge.bin" });
        ADD_FAILURE() << "no error";
    } catch (const EQrleCompress& e) {
        EXPECT_STREQ(e.what(), "Cannot open the compressed file C:\\Set\\files.2");
    }
    EXPECT_EQ(calls, 4);
    EXPECT_FALSE(machine->fileExists("C:\\Dest\\huge.bin"));

    // Cancel in the disk request stops the extraction as an abort.
    reader.SetCompressedFile("C:\\Set\\files.1");
    reader.OnNewDisk = [](TQrleCompress& a, int, std::string&) { a.Abort = true; };
    EXPECT_FALSE(extract(reader, "C:\\Dest", { "S:\\Src\\huge.bin" }));
}

TEST_F(VolumeSets, SplitWithoutDiskHandlerFailsWhenTheDiskIsFull)
{
    put("S:\\Src\\huge.bin", noiseBytes(1600000, 6));
    TQrleCompress archive;
    archive.CompressionLevel = colNone;
    ASSERT_TRUE(pack(archive, "C:\\B\\files.1", { "S:\\Src\\huge.bin" }));
    EXPECT_THROW(archive.SplitIntoVolumes("A:\\", "files.1"), EQrleCompress);
    EXPECT_TRUE(archive.Abort);
    EXPECT_THROW(archive.SplitIntoVolumes("A:\\", "files.exe"), EQrleCompress);
}

TEST_F(VolumeSets, DiskHandlerMayNameAnotherDirectory)
{
    put("S:\\Src\\huge.bin", noiseBytes(2000000, 7));
    TQrleCompress archive;
    archive.CompressionLevel = colNone;
    ASSERT_TRUE(pack(archive, "C:\\B\\files.1", { "S:\\Src\\huge.bin" }));
    machine->forceDirectories("C:\\Disk2");
    archive.OnNewDisk = [](TQrleCompress&, int, std::string& path) { path = "C:\\Disk2"; };
    ASSERT_TRUE(archive.SplitIntoVolumes("A:\\", "files.1"));
    EXPECT_TRUE(machine->fileExists("C:\\Disk2\\files.2"));

    TQrleCompress reader;
    std::vector<std::string> offered;
    reader.OnNewDisk = [&](TQrleCompress&, int, std::string& path) {
        offered.push_back(path);
        path = "C:\\Disk2";
    };
    reader.SetCompressedFile("A:\\files.1");
    ASSERT_TRUE(extract(reader, "C:\\Dest", { "S:\\Src\\huge.bin" }));
    EXPECT_EQ(offered, std::vector<std::string> { "A:" });
    EXPECT_EQ(get("C:\\Dest\\huge.bin"), get("S:\\Src\\huge.bin"));
}

// Packing onto a full disk: the build step relies on EqcDiskFull, and the
// members written before must still read.
TEST_F(ArchiveTest, PackingOntoAFullDiskKeepsTheCompleteMembers)
{
    machine->mapDrive('E', "small", 300000);
    put("S:\\Src\\a.bin", noiseBytes(100000, 1));
    put("S:\\Src\\b.bin", noiseBytes(400000, 2));
    TQrleCompress archive;
    EXPECT_THROW(pack(archive, "E:\\B\\setup.1", { "S:\\Src\\a.bin", "S:\\Src\\b.bin" }), EqcDiskFull);
    TQrleCompress reader;
    reader.SetCompressedFile("E:\\B\\setup.1");
    ASSERT_EQ(reader.MemberCount(), 1);
    ASSERT_TRUE(extract(reader, "C:\\Dest", { "S:\\Src\\a.bin" }));
    EXPECT_EQ(get("C:\\Dest\\a.bin"), get("S:\\Src\\a.bin"));
}
