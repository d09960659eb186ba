#include "machine_fixture.h"
#include "platform/win/dosdate.h"
#include "platform/win/version_resource.h"
#include "setup/installlib/versionresource.h"

using namespace installlib;

namespace {

win::VersionSpec versionOf(uint16_t a, uint16_t b, uint16_t c, uint16_t d)
{
    win::VersionSpec s;
    s.fileVersion[0] = a;
    s.fileVersion[1] = b;
    s.fileVersion[2] = c;
    s.fileVersion[3] = d;
    return s;
}

} // namespace

class VersionFiles : public MachineTest {
protected:
    void makeParent(const std::string& path) { machine->forceDirectories(path.substr(0, path.rfind('\\'))); }
    void put(const std::string& path, const win::VersionSpec& s)
    {
        makeParent(path);
        ASSERT_TRUE(machine->writeFile(path, win::buildPeImage(win::buildVersionBlock(s))));
    }
    void putPlain(const std::string& path)
    {
        makeParent(path);
        ASSERT_TRUE(machine->writeFile(path, "no version here"));
    }
    void stamp(const std::string& path, int day, int hour)
    {
        rtl::DateParts p;
        p.year = 1999;
        p.month = 3;
        p.day = day;
        p.hour = hour;
        ASSERT_TRUE(machine->setFileDate(path, *win::packDosDateTime(p)));
    }
    rtl::TDateTime dateOf(const std::string& path) { return *win::dosDateTimeToDateTime(*machine->fileDate(path)); }
};

// Reading: wrong strings here go into the archive headers and decide
// every later overwrite.
TEST_F(VersionFiles, ReadsFixedInfoAndStrings)
{
    win::VersionSpec s = versionOf(4, 0, 1381, 1);
    s.productVersion[0] = 2;
    s.fileType = 3;
    s.fileSubtype = 4;
    s.fileOS = 0x40004;
    s.translations = { { 0x0C0A, 1252 } };
    s.stringTables = { { "040904E4",
                           { { "CompanyName", "Tavixsoft" }, { "Comments", "note" }, { "ProductVersion", "2.0 beta" },
                               { "FileVersion", "ignored" }, { "LegalTradeMarks", "TM" } } },
        { "040704B0", { { "CompanyName", "Tavixsoft GmbH" } } } };
    put("C:\\a.exe", s);
    TVersionResource r;
    r.SetFileName("C:\\a.exe");
    const TVersionInfo& v = r.VersionInfo();
    EXPECT_EQ(v.FileVersion, "4.0.1381.1");
    EXPECT_EQ(v.ProductVersion, "2.0 beta");
    EXPECT_EQ(v.CompanyName, "Tavixsoft");
    EXPECT_EQ(v.Comment, "note");
    EXPECT_EQ(v.LegalTradeMarks, "TM");
    EXPECT_EQ(v.FileOS, "Windows NT with 32 bit Windows");
    EXPECT_EQ(v.FileType, "Device Driver");
    EXPECT_EQ(v.FileSubType, "Display");
    EXPECT_EQ(v.PrimaryLanguage, 0x0A);
    EXPECT_EQ(v.InternalName, "");

    r.SetLanguage(versionres::lnGerman);
    EXPECT_EQ(r.VersionInfo().CompanyName, ""); // 04070 4E4 is not there
    r.SetCharacterSet(versionres::csUnicode);
    EXPECT_EQ(r.VersionInfo().CompanyName, "Tavixsoft GmbH");
    EXPECT_EQ(r.VersionInfo().ProductVersion, "2.0.0.0"); // number-built when the table has none
}

TEST_F(VersionFiles, FilesWithoutVersionGiveEmptyValues)
{
    putPlain("C:\\plain.txt");
    TVersionResource r;
    r.SetFileName("C:\\plain.txt");
    EXPECT_EQ(r.VersionInfo().FileVersion, "");
    EXPECT_EQ(r.VersionInfo().FileType, "");
    r.SetFileName("C:\\missing.exe");
    EXPECT_EQ(r.VersionInfo().FileVersion, "");
    win::VersionSpec font = versionOf(1, 0, 0, 0);
    font.fileType = 4;
    font.fileSubtype = 3;
    font.fileOS = 0x12345;
    put("C:\\f.fon", font);
    r.SetFileName("C:\\f.fon");
    EXPECT_EQ(r.VersionInfo().FileSubType, "TrueType");
    EXPECT_EQ(r.VersionInfo().FileOS, "Unknown");
    EXPECT_EQ(r.VersionInfo().PrimaryLanguage, 9);
}

// A damaged executable must read as "no version", so that the decision
// treats it like a data file instead of failing the install.
TEST_F(VersionFiles, DamagedImagesGiveEmptyValues)
{
    std::string image = win::buildPeImage(win::buildVersionBlock(versionOf(5, 1, 0, 0)));
    TVersionResource r;
    std::string badOffset = image;
    badOffset[0x3C] = '\xFF';
    badOffset[0x3D] = '\x7F';
    for (const std::string& damaged :
        { image.substr(0, image.size() / 2), image.substr(0, 64), image.substr(0, 2), badOffset }) {
        ASSERT_TRUE(machine->writeFile("C:\\cut.dll", damaged));
        r.SetFileName("C:\\cut.dll");
        EXPECT_EQ(r.VersionInfo().FileVersion, "") << damaged.size();
    }
    EXPECT_EQ(CompareForOverwrite("1.0", "C:\\cut.dll", owVersion, 0), orReplace);
}

TEST(VersionTables, LanguageAndCodePageNumbers)
{
    using namespace versionres;
    EXPECT_EQ(LanguageId(lnArabic), 0x0401);
    EXPECT_EQ(LanguageId(lnUSEnglish), 0x0409);
    EXPECT_EQ(LanguageId(lnBahasa), 0x0421);
    EXPECT_EQ(LanguageId(lnSimplifiedChinese), 0x0804);
    EXPECT_EQ(LanguageId(lnPortuguese), 0x0816);
    EXPECT_EQ(LanguageId(lnSwissFrench), 0x100C);
    EXPECT_EQ(CodePage(csASCII), 0);
    EXPECT_EQ(CodePage(csMultilingual), 1252);
    EXPECT_EQ(CodePage(csArabic), 1256);
    EXPECT_THROW(LanguageId(static_cast<TLanguage>(45)), Exception);
    EXPECT_THROW(CodePage(static_cast<TCharacterSet>(-1)), Exception);
}

// Version order: a wrong answer replaces a newer library with an older one.
TEST(CompareVersionsTest, NumericAndTextFields)
{
    auto cmp = &TVersionResource::CompareVersions;
    EXPECT_EQ(cmp("2.10", "2.9"), 1);
    EXPECT_EQ(cmp("2.9", "2.10"), 2);
    EXPECT_EQ(cmp("1.0a", "1.0b"), 2);
    EXPECT_EQ(cmp("1.0", "1.0.0"), 2);
    EXPECT_EQ(cmp("1.0.0", "1.0"), 1);
    EXPECT_EQ(cmp("", "1"), 2);
    EXPECT_EQ(cmp("1", ""), 1);
    EXPECT_EQ(cmp("", ""), 0);
    EXPECT_EQ(cmp("4.0.1381.1", "4.0.1381.1"), 0);
    EXPECT_EQ(cmp("01.2", "1.2"), 0);
    EXPECT_EQ(cmp("1.B", "1.a"), 2); // case-sensitive bytes: 'B' < 'a'
    EXPECT_EQ(cmp("3", "10"), 2);
}

// The overwrite table: each rule with each outcome, against real files on
// the machine. A wrong cell loses a user's newer file or keeps a stale one.
TEST_F(VersionFiles, OverwriteDecisionAcrossEveryRule)
{
    put("C:\\t\\target.dll", versionOf(2, 0, 0, 0));
    stamp("C:\\t\\target.dll", 10, 12);
    const std::string target = "C:\\t\\target.dll";
    const rtl::TDateTime same = dateOf(target);
    const rtl::TDateTime later = same + 1.0;
    const rtl::TDateTime earlier = same - 1.0;

    EXPECT_EQ(CompareForOverwrite("1.0", target, owAlways, earlier), orReplace);
    EXPECT_EQ(CompareForOverwrite("1.0", "C:\\missing.dll", owAlways, earlier), orReplace);

    EXPECT_EQ(CompareForOverwrite("9.0", target, owNever, later), orKeep);
    EXPECT_EQ(CompareForOverwrite("9.0", "C:\\missing.dll", owNever, later), orReplace);
    EXPECT_EQ(CompareForOverwrite("9.0", "  ", owNever, later), orReplace);

    EXPECT_EQ(CompareForOverwrite("2.0.0.0", target, owVersion, later), orSame);
    EXPECT_EQ(CompareForOverwrite("2.0.0.1", target, owVersion, earlier), orReplace);
    EXPECT_EQ(CompareForOverwrite("1.9", target, owVersion, later), orKeep);

    EXPECT_EQ(CompareForOverwrite("", target, owDate, later), orReplace);
    EXPECT_EQ(CompareForOverwrite("", target, owDate, same), orSame);
    EXPECT_EQ(CompareForOverwrite("", target, owDate, earlier), orKeep);
    EXPECT_EQ(CompareForOverwrite("", "C:\\missing.dll", owDate, later), orFailed);

    EXPECT_EQ(CompareForOverwrite("3.0", target, owVersionDate, earlier), orReplace);
    EXPECT_EQ(CompareForOverwrite("1.0", target, owVersionDate, later), orKeep);
    EXPECT_EQ(CompareForOverwrite("2.0.0.0", target, owVersionDate, later), orReplace);
    EXPECT_EQ(CompareForOverwrite("2.0.0.0", target, owVersionDate, same), orSame);
    EXPECT_EQ(CompareForOverwrite("2.0.0.0", target, owVersionDate, earlier), orKeep);
}

TEST_F(VersionFiles, TargetsWithoutVersion)
{
    putPlain("C:\\readme.txt");
    EXPECT_EQ(CompareForOverwrite("1.0", "C:\\readme.txt", owVersion, 0), orReplace);
    EXPECT_EQ(CompareForOverwrite("", "C:\\readme.txt", owVersion, 0), orSame);
}

TEST_F(VersionFiles, DecisionByNameReadsTheSourceFile)
{
    put("C:\\src\\new.dll", versionOf(3, 1, 0, 0));
    put("C:\\dst\\old.dll", versionOf(3, 0, 0, 0));
    stamp("C:\\src\\new.dll", 5, 8);
    stamp("C:\\dst\\old.dll", 5, 8);
    EXPECT_EQ(TVersionResource::IsFileNewerByName("C:\\src\\new.dll", "C:\\dst\\old.dll", owVersion), orReplace);
    EXPECT_EQ(TVersionResource::IsFileNewerByName("C:\\dst\\old.dll", "C:\\src\\new.dll", owVersion), orKeep);
    EXPECT_EQ(TVersionResource::IsFileNewerByName("C:\\src\\new.dll", "C:\\dst\\old.dll", owDate), orSame);
    stamp("C:\\src\\new.dll", 6, 8);
    EXPECT_EQ(TVersionResource::IsFileNewerByName("C:\\src\\new.dll", "C:\\dst\\old.dll", owDate), orReplace);
    EXPECT_EQ(TVersionResource::IsFileNewerByName("C:\\gone.dll", "C:\\dst\\old.dll", owDate), orFailed);
}
