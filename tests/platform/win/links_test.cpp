#include "machine_fixture.h"

#include "platform/win/machine.h"
#include "platform/win/progman.h"
#include "platform/win/shelllink.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class LinksTest : public MachineTest { };

win::ShellLink sample()
{
    win::ShellLink link;
    link.target = "C:\\Program Files\\Tavix\\tavixcat.exe";
    link.arguments = "-x \"a b\"";
    link.workingDirectory = "C:\\Program Files\\Tavix";
    link.iconPath = "C:\\Program Files\\Tavix\\icons.dll";
    link.iconIndex = -3;
    link.description = "Cross-reference \xC3\xA9";
    link.hotKey = 0x0641;
    return link;
}

} // namespace

std::string lnkinfo(const std::filesystem::path& file)
{
    return tavix::testing::toolOutput("lnkinfo", file);
}

uint32_t le(const std::string& bytes, size_t at, int size)
{
    uint32_t v = 0;
    for (int i = 0; i < size; ++i)
        v |= uint32_t(static_cast<unsigned char>(bytes[at + size_t(i)])) << (8 * i);
    return v;
}

// Catches a shortcut that loses or mixes up a field on its way to disk and
// back, or one the published format's readers cannot follow.
TEST_F(LinksTest, ShortcutRoundTripsEveryFieldInTheShellFormat)
{
    const std::string path = "C:\\Links\\tavix.lnk";
    ASSERT_TRUE(machine->forceDirectories("C:\\Links"));
    ASSERT_TRUE(machine->forceDirectories("C:\\Program Files\\Tavix"));
    ASSERT_TRUE(machine->writeFile("C:\\Program Files\\Tavix\\tavixcat.exe", "program"));
    ASSERT_TRUE(win::writeShellLink(*machine, path, sample()));
    EXPECT_EQ(win::readShellLink(*machine, path), sample());

    std::string bytes;
    ASSERT_TRUE(machine->readFile(path, bytes));
    EXPECT_EQ(le(bytes, 0, 4), 0x4Cu);
    EXPECT_EQ(le(bytes, 0x14, 4), 0x2u | 0x4 | 0x8 | 0x10 | 0x20 | 0x40 | 0x80);
    EXPECT_EQ(le(bytes, 0x18, 4), 0x20u); // the target's attributes
    EXPECT_EQ(le(bytes, 0x34, 4), 7u); // and size
    EXPECT_EQ(le(bytes, 0x3C, 4), 1u); // show command: normal
    EXPECT_EQ(le(bytes, 0x40, 2), 0x0641u);
    EXPECT_EQ(le(bytes, bytes.size() - 4, 4), 0u);

    const std::string shown = lnkinfo(host(path));
    EXPECT_NE(shown.find("Local path\t\t\t: C:\\Program Files\\Tavix\\tavixcat.exe"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Working directory\t\t: C:\\Program Files\\Tavix"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Command line arguments\t\t: -x \"a b\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("Relative path\t\t\t: ..\\Program Files\\Tavix\\tavixcat.exe"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Description\t\t\t: Cross-reference \xC3\xA9"), std::string::npos) << shown;

    // A target the ANSI code page cannot spell travels in its Unicode form.
    win::ShellLink greek;
    greek.target = "C:\\\xCE\xB1\xCE\xB2\\run.exe";
    ASSERT_TRUE(win::writeShellLink(*machine, "C:\\Links\\greek.lnk", greek));
    EXPECT_EQ(win::readShellLink(*machine, "C:\\Links\\greek.lnk"), greek);
    EXPECT_NE(lnkinfo(host("C:\\Links\\greek.lnk")).find(": C:\\\xCE\xB1\xCE\xB2\\run.exe"), std::string::npos)
        << lnkinfo(host("C:\\Links\\greek.lnk"));

    win::ShellLink empty;
    ASSERT_TRUE(win::writeShellLink(*machine, path, empty));
    EXPECT_EQ(win::readShellLink(*machine, path), empty);
}

// Catches a damaged shortcut read back as a valid one (or crashing the
// reader) instead of raising an error that names the file.
TEST_F(LinksTest, DamagedShortcutRaisesCleanly)
{
    win::ShellLinkContext context;
    context.linkPath = "C:\\Links\\tavix.lnk";
    const std::string good = win::encodeShellLink(sample(), context);
    ASSERT_EQ(win::decodeShellLink(good, "x.lnk"), sample());
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_THROW(win::decodeShellLink(good.substr(0, n), "x.lnk"), win::ShellLinkError) << n;
    EXPECT_THROW(win::decodeShellLink(good + "!", "x.lnk"), win::ShellLinkError);
    const size_t info = 0x4C;
    auto patched = [&](size_t at, uint32_t value, int size = 4) {
        std::string bad = good;
        for (int i = 0; i < size; ++i)
            bad[at + size_t(i)] = char((value >> (8 * i)) & 0xFF);
        return bad;
    };
    const std::string damaged[] = {
        patched(0, 0x4D), // header size
        patched(4, 0x01021400), // class id
        patched(info, 0x7FFFFFF0), // LinkInfoSize past the file
        patched(info + 4, 0x10), // LinkInfoHeaderSize
        patched(info + 12, 0x7FFF), // VolumeIDOffset outside
        patched(info + 16, 0x7FFF), // LocalBasePathOffset outside
        patched(info + 24, 3), // CommonPathSuffixOffset inside the header
        patched(info + 0x1C, 0x7FFFFFFF), // VolumeIDSize
        patched(info + le(good, info, 4), 0xFFFF, 2), // first text count past the end
        patched(0x14, le(good, 0x14, 4) | 0x1), // an ID list that is not there
        patched(good.size() - 4, 0x100), // terminal block turned into a huge extra block
    };
    for (const auto& bad : damaged)
        EXPECT_THROW(win::decodeShellLink(bad, "x.lnk"), win::ShellLinkError) << &bad - damaged;
    // A local base path without its terminating zero.
    std::string unterminated = good;
    const size_t base = info + le(good, info + 16, 4);
    std::fill(unterminated.begin() + long(base), unterminated.begin() + long(info + le(good, info, 4)), 'A');
    EXPECT_THROW(win::decodeShellLink(unterminated, "x.lnk"), win::ShellLinkError);

    ASSERT_TRUE(machine->writeFile("C:\\bad.lnk", good.substr(0, 20)));
    try {
        win::readShellLink(*machine, "C:\\bad.lnk");
        FAIL();
    } catch (const win::ShellLinkError& e) {
        EXPECT_NE(std::string(e.what()).find("C:\\bad.lnk"), std::string::npos);
    }
    EXPECT_THROW(win::readShellLink(*machine, "C:\\missing.lnk"), win::ShellLinkError);
}

// Catches a path past the machine's limit written anyway.
TEST_F(LinksTest, OverlongShortcutPathIsRefused)
{
    const std::string path = "C:\\" + std::string(300, 'a') + ".lnk";
    EXPECT_FALSE(win::writeShellLink(*machine, path, sample()));
    EXPECT_EQ(win::lastError(), win::ERROR_FILENAME_EXCED_RANGE);
}

// Catches Program Manager commands applied out of place: a replaced item
// moving to the end, a half-applied failing command string, quotes kept.
TEST_F(LinksTest, ProgramManagerAppliesCommands)
{
    win::ProgramManager pm(*machine);
    ASSERT_TRUE(pm.execute("[CreateGroup(\"Tools\")][AddItem(\"C:\\T\\a.exe\" -x,Alpha,,0,,,\"C:\\T\",)]"
                           "[AddItem(C:\\T\\b.exe,Beta,C:\\T\\b.ico,2,,,C:\\T,)]"));
    ASSERT_TRUE(pm.execute("[ShowGroup(Tools,8)][ReplaceItem(\"Alpha\")][AddItem(C:\\T\\a2.exe,Alpha,,0,,,C:\\T,)]"));
    auto group = pm.group("tools");
    ASSERT_TRUE(group);
    ASSERT_EQ(group->items.size(), 2u);
    EXPECT_EQ(group->items[0].name, "Alpha");
    EXPECT_EQ(group->items[0].commandLine, "C:\\T\\a2.exe");
    EXPECT_EQ(group->items[1].iconPath, "C:\\T\\b.ico");
    EXPECT_EQ(group->items[1].iconIndex, 2);

    // The second command fails, so the first is not kept either.
    EXPECT_FALSE(pm.execute("[CreateGroup(\"Other\")][DeleteItem(\"Nothing\")]"));
    EXPECT_FALSE(pm.group("Other"));
    EXPECT_FALSE(pm.execute("[Frobnicate(1)]"));
    EXPECT_FALSE(pm.execute("[ShowGroup(Missing,8)]"));
    EXPECT_FALSE(pm.execute("CreateGroup(\"x\")"));

    EXPECT_EQ(pm.request("Groups").value(), "Tools\r\n");
    EXPECT_EQ(pm.request("Tools").value(),
        "\"Tools\",2\r\n\"Alpha\",\"C:\\T\\a2.exe\",C:\\T,,0,\r\n\"Beta\",\"C:\\T\\b.exe\",C:\\T,C:\\T\\b.ico,2,\r\n");
    EXPECT_FALSE(pm.request("Missing"));

    // A second conversation sees the same groups; a stopped one answers nothing.
    win::ProgramManager other(*machine);
    EXPECT_EQ(other.groups().size(), 1u);
    other.setRunning(false);
    EXPECT_FALSE(pm.execute("[CreateGroup(\"New\")]"));
    EXPECT_FALSE(pm.request("Groups"));
}
