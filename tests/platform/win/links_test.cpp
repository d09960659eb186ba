#include "machine_fixture.h"

#include "platform/win/machine.h"
#include "platform/win/progman.h"
#include "platform/win/shelllink.h"

#include <gtest/gtest.h>

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

// Catches a shortcut that loses or mixes up a field on its way to disk and back.
TEST_F(LinksTest, ShortcutRoundTripsEveryField)
{
    const std::string path = "C:\\Links\\tavix.lnk";
    ASSERT_TRUE(machine->forceDirectories("C:\\Links"));
    ASSERT_TRUE(win::writeShellLink(*machine, path, sample()));
    EXPECT_EQ(win::readShellLink(*machine, path), sample());
    win::ShellLink empty;
    ASSERT_TRUE(win::writeShellLink(*machine, path, empty));
    EXPECT_EQ(win::readShellLink(*machine, path), empty);
}

// Catches a damaged shortcut read back as a valid one (or crashing the
// reader) instead of raising an error that names the file.
TEST_F(LinksTest, DamagedShortcutRaisesCleanly)
{
    const std::string good = win::encodeShellLink(sample());
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_THROW(win::decodeShellLink(good.substr(0, n), "x.lnk"), win::ShellLinkError) << n;
    for (size_t i = 0; i < good.size(); ++i) {
        std::string bad = good;
        bad[i] = char(bad[i] ^ 0x5A);
        EXPECT_THROW(win::decodeShellLink(bad, "x.lnk"), win::ShellLinkError) << i;
    }
    EXPECT_THROW(win::decodeShellLink(good + "!", "x.lnk"), win::ShellLinkError);
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
