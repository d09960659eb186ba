#include "machine_fixture.h"

#include "platform/win/version_resource.h"

#include <cstdio>
#include <cstdlib>
#include <random>

using namespace win;
namespace fs = std::filesystem;

namespace {

bool haveMingw()
{
    return std::system("command -v i686-w64-mingw32-windres >/dev/null 2>&1 && command -v i686-w64-mingw32-ld "
                       ">/dev/null 2>&1")
        == 0;
}

// A PE file made by the real resource compiler and linker from an .rc text.
std::string buildWithMingw(const fs::path& work, const std::string& rc)
{
    tavix::testing::writeFile(work / "v.rc", rc);
    std::string cmd = "cd '" + work.string()
        + "' && i686-w64-mingw32-windres --preprocessor=cpp -i v.rc -o v.o -O coff 2>err.txt"
          " && i686-w64-mingw32-ld v.o -o v.exe --entry=0 2>>err.txt";
    if (std::system(cmd.c_str()) != 0)
        return {};
    return tavix::testing::readFile(work / "v.exe");
}

const char* kRc = R"(1 VERSIONINFO
FILEVERSION 4,0,1381,7
PRODUCTVERSION 4,10,0,2
FILEOS 0x40004
FILETYPE 2
FILESUBTYPE 0
BEGIN
  BLOCK "StringFileInfo"
  BEGIN
    BLOCK "040904E4"
    BEGIN
      VALUE "CompanyName", "Tavixsoft\0"
      VALUE "FileDescription", "Shared library\0"
      VALUE "ProductVersion", "4.10\0"
      VALUE "OLESelfRegister", "\0"
    END
  END
  BLOCK "VarFileInfo"
  BEGIN
    VALUE "Translation", 0x409, 1252
  END
END
)";

VersionSpec sameAsRc()
{
    VersionSpec stamp;
    uint16_t fv[4] = { 4, 0, 1381, 7 }, pv[4] = { 4, 10, 0, 2 };
    std::copy(fv, fv + 4, stamp.fileVersion);
    std::copy(pv, pv + 4, stamp.productVersion);
    stamp.fileType = 2;
    stamp.stringTables.push_back({ "040904E4",
        { { "CompanyName", "Tavixsoft" }, { "FileDescription", "Shared library" }, { "ProductVersion", "4.10" },
            { "OLESelfRegister", "" } } });
    return stamp;
}

void expectRcValues(const VersionResource& v)
{
    auto fixed = v.fixedInfo();
    ASSERT_TRUE(fixed);
    EXPECT_EQ(fixed->fileVersionMS, 0x00040000u);
    EXPECT_EQ(fixed->fileVersionLS, (1381u << 16) | 7u);
    EXPECT_EQ(fixed->productVersionMS, (4u << 16) | 10u);
    EXPECT_EQ(fixed->fileOS, 0x40004u);
    EXPECT_EQ(fixed->fileType, 2u);
    auto tr = v.translations();
    ASSERT_EQ(tr.size(), 1u);
    EXPECT_EQ(tr[0].first, 0x0409);
    EXPECT_EQ(tr[0].second, 1252);
    EXPECT_EQ(v.stringValue("040904E4", "CompanyName").value_or("?"), "Tavixsoft");
    EXPECT_EQ(v.stringValue("040904e4", "filedescription").value_or("?"), "Shared library");
    EXPECT_EQ(v.stringValue("040904E4", "ProductVersion").value_or("?"), "4.10");
    EXPECT_EQ(v.stringValue("040904E4", "OLESelfRegister").value_or("?"), "");
    EXPECT_FALSE(v.stringValue("040904E4", "LegalCopyright"));
    EXPECT_FALSE(v.stringValue("040704E4", "CompanyName"));
}

} // namespace

// Catches misreading the resource tree or block layout of files from a real tool chain.
TEST_F(MachineTest, VersionFromRealPeFile)
{
    if (!haveMingw())
        GTEST_SKIP() << "i686-w64-mingw32 tools are not installed";
    std::string image = buildWithMingw(dir.path(), kRc);
    ASSERT_FALSE(image.empty()) << tavix::testing::readFile(dir / "err.txt");
    ASSERT_TRUE(machine->writeFile("C:\\WINNT\\system32\\SHARED.DLL", image));
    VersionResource v;
    ASSERT_TRUE(machine->fileVersionInfo("C:\\WINNT\\system32\\shared.dll", v));
    expectRcValues(v);

    // Our own writer gives a block that reads the same, and an image the real tools accept.
    auto ours = VersionResource::fromBlock(buildVersionBlock(sameAsRc()));
    ASSERT_TRUE(ours);
    expectRcValues(*ours);
    std::string ourImage = buildPeImage(buildVersionBlock(sameAsRc()));
    tavix::testing::writeFile(dir / "ours.exe", ourImage);
    std::string cmd = "i686-w64-mingw32-objdump -x '" + (dir / "ours.exe").string() + "' > '"
        + (dir / "dump.txt").string() + "' 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::string dump = tavix::testing::readFile(dir / "dump.txt");
    EXPECT_NE(dump.find("Entry: ID: 0x000010"), std::string::npos) << dump;
    EXPECT_NE(dump.find("Entry: ID: 0x000409"), std::string::npos) << dump;
}

// Catches the project's own writer drifting from what the reader expects.
TEST_F(MachineTest, VersionFromOwnWriter)
{
    ASSERT_TRUE(machine->writeFile("C:\\own.dll", buildPeImage(buildVersionBlock(sameAsRc()))));
    VersionResource v;
    ASSERT_TRUE(machine->fileVersionInfo("C:\\own.dll", v));
    expectRcValues(v);

    VersionSpec other;
    other.translations = { { 0x0407, 1252 }, { 0x0409, 1200 } };
    other.stringTables.push_back({ "040704E4",
        { { "CompanyName",
            "Gr\xC3\xBC\xC3\x9F"
            "e" } } });
    ASSERT_TRUE(machine->writeFile("C:\\de.dll", buildPeImage(buildVersionBlock(other), 0x0407)));
    ASSERT_TRUE(machine->fileVersionInfo("C:\\de.dll", v));
    EXPECT_EQ(v.translations().size(), 2u);
    EXPECT_EQ(v.stringValue("040704E4", "CompanyName").value_or("?"),
        "Gr\xC3\xBC\xC3\x9F"
        "e");

    ASSERT_TRUE(machine->writeFile("C:\\plain.exe", buildPeImage({})));
    EXPECT_FALSE(machine->fileVersionInfo("C:\\plain.exe", v));
    EXPECT_EQ(lastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    ASSERT_TRUE(machine->writeFile("C:\\readme.txt", "MZ but no more"));
    EXPECT_FALSE(machine->fileVersionInfo("C:\\readme.txt", v));
    EXPECT_FALSE(machine->fileVersionInfo("C:\\missing.dll", v));
    EXPECT_EQ(lastError(), ERROR_FILE_NOT_FOUND);
}

// Catches reads past the end of a corrupt or truncated file (must never crash).
TEST(VersionResource, CorruptImagesNeverCrash)
{
    std::string image = buildPeImage(buildVersionBlock(sameAsRc()));
    for (size_t n = 0; n < image.size(); n += 7)
        (void)VersionResource::fromPeImage(std::string_view(image).substr(0, n));
    std::mt19937 rng(1234);
    int readable = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string bad = image;
        int flips = 1 + int(rng() % 4);
        for (int i = 0; i < flips; ++i) {
            // Mostly the headers and the resource tree, where offsets live.
            size_t at = (rng() % 2) ? rng() % 0x200 : 0x200 + rng() % (image.size() - 0x200);
            bad[at] = char(rng());
        }
        if (auto v = VersionResource::fromPeImage(bad)) {
            ++readable;
            std::string out;
            v->queryValue("\\StringFileInfo\\040904E4\\CompanyName", out);
            (void)v->fixedInfo();
            (void)v->translations();
        }
    }
    EXPECT_GT(readable, 0);
}
