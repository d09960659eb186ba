#include "tests/support/temp_dir.h"
#include "viewer/app/viewer_settings.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace viewer;
using tavix::testing::readFile;
using tavix::testing::TempDir;
using tavix::testing::writeFile;

// Catches a settings file that is not created at first start, or lands
// beside the program under the wrong name.
TEST(TViewerSettings, MissingFileIsCreatedWithRecentSection)
{
    TempDir dir("settings");
    EXPECT_EQ(TViewerSettings::PathForProgram("/opt/bin/Rivelle"), "/opt/bin/Rivelle.ini");
    EXPECT_EQ(TViewerSettings::PathForProgram("/opt/bin/Rivelle.exe"), "/opt/bin/Rivelle.ini");
    TViewerSettings s((dir / "Rivelle.ini").string());
    EXPECT_EQ(s.Load(), "");
    EXPECT_EQ(readFile(dir / "Rivelle.ini"), "[recent]\n");
    EXPECT_TRUE(s.Recent.empty());
    EXPECT_TRUE(s.Drivers.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "Rivelle.ini.tmp"));
}

// Catches entries cut at a fixed width (a "file10" key losing a character
// of its path), lines without "=" taken for paths, and drivers misread.
TEST(TViewerSettings, ReadsRecentAndDriversTolerantly)
{
    TempDir dir("settings");
    writeFile(dir / "v.ini",
        "; kept\r\n[recent]\r\nfile0=/d/a.s2p\r\nfile1=/d/b b.s2p\r\nnonsense\r\nfile10=/d/ten.s1p\r\n"
        "file2=\r\n[Drivers]\r\nVNA One=/lib/one.so\r\n\r\nbroken line\r\n[other]\r\nx=1\r\n");
    TViewerSettings s((dir / "v.ini").string());
    EXPECT_EQ(s.Load(), "");
    EXPECT_EQ(s.Recent, std::vector<std::string>({ "/d/a.s2p", "/d/b b.s2p", "/d/ten.s1p" }));
    EXPECT_EQ(s.Drivers, std::vector<std::string>({ "VNA One=/lib/one.so" }));
}

// Catches a write that loses the drivers, comments or other sections, keeps
// stale recent keys, or touches the file when there is nothing to write.
TEST(TViewerSettings, SaveRecentKeepsEverythingElse)
{
    TempDir dir("settings");
    const std::string before = "; note\n[drivers]\nVNA=/lib/vna.so\n[recent]\nfile0=/old/1.s2p\nfile1=/old/2.s2p\n"
                               "file2=/old/3.s2p\n[other]\nkey=value\n";
    writeFile(dir / "v.ini", before);
    TViewerSettings s((dir / "v.ini").string());
    ASSERT_EQ(s.Load(), "");
    EXPECT_EQ(s.SaveRecent({}), "");
    EXPECT_EQ(readFile(dir / "v.ini"), before);
    const std::vector<std::string> six = { "/n/1", "/n/2", "/n/3", "/n/4", "/n/5", "/n/6" };
    EXPECT_EQ(s.SaveRecent(six), "");
    EXPECT_EQ(readFile(dir / "v.ini"),
        "; note\n[drivers]\nVNA=/lib/vna.so\n[recent]\nfile0=/n/1\nfile1=/n/2\nfile2=/n/3\nfile3=/n/4\n"
        "file4=/n/5\nfile5=/n/6\n[other]\nkey=value\n");
    ASSERT_EQ(s.Load(), "");
    EXPECT_EQ(s.Recent, six);
    EXPECT_EQ(s.Drivers, std::vector<std::string>({ "VNA=/lib/vna.so" }));

    // A file without the section gains it at the end.
    writeFile(dir / "w.ini", "[drivers]\nA=/a\n");
    TViewerSettings w((dir / "w.ini").string());
    EXPECT_EQ(w.SaveRecent({ "/x" }), "");
    EXPECT_EQ(readFile(dir / "w.ini"), "[drivers]\nA=/a\n[recent]\nfile0=/x\n");
}

// Catches an unreadable settings file reported as fine, or replaced by a
// new one that throws its contents away.
TEST(TViewerSettings, UnreadableFileIsReportedAndLeftAlone)
{
    TempDir dir("settings");
    std::filesystem::create_directory(dir / "v.ini"); // a folder where the file should be
    TViewerSettings s((dir / "v.ini").string());
    EXPECT_NE(s.Load().find("v.ini"), std::string::npos);
    EXPECT_TRUE(s.Recent.empty());
    EXPECT_NE(s.SaveRecent({ "/a" }), "");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "v.ini"));
    EXPECT_FALSE(std::filesystem::exists(dir / "v.ini.tmp"));
}

// Catches a driver added twice under names that differ only in case, a
// drivers section that is not created when missing, a removal that takes
// other keys or sections along, and an erased history that keeps entries.
TEST(TViewerSettings, DriverKeysAndErasedHistory)
{
    TempDir dir("settings");
    writeFile(dir / "v.ini", "[recent]\nfile0=/d/a.s2p\n; kept\n[other]\nk=v\n");
    TViewerSettings s((dir / "v.ini").string());
    ASSERT_EQ(s.Load(), "");
    EXPECT_EQ(s.WriteDriver("VNA", "/lib/a.so"), "");
    EXPECT_EQ(s.WriteDriver("vna", "/lib/b.so"), "");
    EXPECT_EQ(s.WriteDriver("Other", "/lib/c.so"), "");
    EXPECT_EQ(s.Drivers, std::vector<std::string>({ "vna=/lib/b.so", "Other=/lib/c.so" }));
    EXPECT_EQ(s.DeleteDriver("VNA"), "");
    EXPECT_EQ(s.EraseRecent(), "");
    EXPECT_EQ(readFile(dir / "v.ini"), "[recent]\n; kept\n[other]\nk=v\n[drivers]\nOther=/lib/c.so\n");
    EXPECT_EQ(s.Drivers, std::vector<std::string>({ "Other=/lib/c.so" }));
}
