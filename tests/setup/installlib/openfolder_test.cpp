#include "machine_fixture.h"

#include "setup/installlib/openfolder.h"

#include "platform/win/text.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

using namespace installlib;

namespace {

class OpenFolderTest : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        ASSERT_TRUE(machine->forceDirectories("C:\\Program Files\\Tavixsoft"));
        ASSERT_TRUE(machine->forceDirectories("C:\\Data"));
        ASSERT_TRUE(machine->writeFile("C:\\readme.txt", "x"));
    }
    // Every host entry below the machine's drives, to prove nothing was made.
    size_t hostEntries() const
    {
        size_t n = 0;
        for (auto it = std::filesystem::recursive_directory_iterator(machine->root() / "drives");
             it != std::filesystem::recursive_directory_iterator(); ++it)
            ++n;
        return n;
    }
};

} // namespace

// Catches a browser that shows host folders, files, or misses a drive.
TEST_F(OpenFolderTest, ListsTheMachinesDrivesAndOnlyItsFolders)
{
    const auto drives = ListDrives(*machine);
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0].Text, "A:");
    EXPECT_EQ(drives[0].Path, "A:\\");
    EXPECT_TRUE(drives[0].Removable);
    EXPECT_EQ(drives[1].Path, "C:\\");
    EXPECT_FALSE(drives[1].Removable);
    EXPECT_EQ(drives[2].Text, "S:");

    const auto folders = ListFolders(*machine, "c:\\");
    EXPECT_NE(std::find(folders.begin(), folders.end(), "Data"), folders.end());
    EXPECT_NE(std::find(folders.begin(), folders.end(), "Program Files"), folders.end());
    EXPECT_EQ(std::find(folders.begin(), folders.end(), "readme.txt"), folders.end());
    EXPECT_TRUE(std::is_sorted(folders.begin(), folders.end(),
        [](const auto& a, const auto& b) { return win::text::compareNoCase(a, b) < 0; }));
    const auto programs = ListFolders(*machine, "C:\\PROGRAM FILES");
    EXPECT_NE(std::find(programs.begin(), programs.end(), "Tavixsoft"), programs.end());
    EXPECT_TRUE(ListFolders(*machine, "C:\\Nowhere").empty());
    EXPECT_TRUE(ListFolders(*machine, "").empty());
}

// Catches a start selection that fails on a missing folder, a bare drive
// without its root backslash, or a loop on a text with no existing parent.
TEST_F(OpenFolderTest, SelectionIsTheNearestExistingDirectory)
{
    EXPECT_EQ(SelectionPath(*machine, "C:\\Program Files\\Tavixsoft\\New\\Deeper"), "C:\\Program Files\\Tavixsoft");
    EXPECT_EQ(SelectionPath(*machine, "C:\\Program Files\\"), "C:\\Program Files");
    EXPECT_EQ(SelectionPath(*machine, "C:"), "C:\\");
    EXPECT_EQ(SelectionPath(*machine, "C:\\Nope"), "C:\\");
    EXPECT_EQ(SelectionPath(*machine, "c:\\data"), "c:\\data");
    EXPECT_EQ(SelectionPath(*machine, "Q:\\Folder"), "");
    EXPECT_EQ(SelectionPath(*machine, "   "), "");
    EXPECT_EQ(SelectionPath(*machine, "relative\\folder"), "");
    EXPECT_EQ(SelectionPath(*machine, "C:\\readme.txt\\x"), "C:\\");
}

// Catches a create that leaves half a path behind, takes a reserved or
// relative name, or reports success on a drive that cannot take it.
TEST_F(OpenFolderTest, CreatingRefusesBadPathsAndCreatesNothing)
{
    const size_t before = hostEntries();
    for (const char* bad : { "C:\\New\\CON", "C:\\New\\a<b", "C:\\New\\lpt1.txt", "C:\\New \\Sub", "New\\Folder", "",
             "Q:\\New", "C:\\readme.txt\\Sub" }) {
        EXPECT_THROW(CreateFolderPath(*machine, bad), EOFDCreateFolder) << bad;
    }
    EXPECT_EQ(hostEntries(), before);
    EXPECT_FALSE(machine->directoryExists("C:\\New"));

    for (const char* bad : { "", "  ", "..", "a\\b", "x:y", "NUL", "com3.log" })
        EXPECT_THROW(NewFolderPath("C:\\Data", bad), EOFDCreateFolder) << bad;
    EXPECT_EQ(NewFolderPath("C:\\Data", " Reports "), "C:\\Data\\Reports");
    EXPECT_EQ(NewFolderPath("C:\\", "Reports"), "C:\\Reports");
}

TEST_F(OpenFolderTest, CreatingMakesEveryMissingLevel)
{
    CreateFolderPath(*machine, "C:\\program files\\Tavixsoft\\A\\B\\");
    EXPECT_TRUE(machine->directoryExists("C:\\Program Files\\Tavixsoft\\A\\B"));
    EXPECT_EQ(ListFolders(*machine, "C:\\Program Files\\Tavixsoft\\A"), std::vector<std::string> { "B" });
    EXPECT_NO_THROW(CreateFolderPath(*machine, "C:"));
    EXPECT_NO_THROW(CreateFolderPath(*machine, "C:\\Data"));
}

// Catches a full or read-only drive reported as a created folder.
TEST_F(OpenFolderTest, FullOrReadOnlyDriveRaises)
{
    ASSERT_TRUE(machine->writeFile("A:\\disk.dat", std::string(100, 'x')));
    machine->setDriveCapacity('A', 100);
    try {
        CreateFolderPath(*machine, "A:\\Backup");
        FAIL() << "no error on a full drive";
    } catch (const EOFDCreateFolder& e) {
        EXPECT_NE(std::string(e.what()).find("A:\\Backup"), std::string::npos);
    }
    EXPECT_FALSE(machine->directoryExists("A:\\Backup"));

    // A drive whose host folder is a plain file refuses new entries even to
    // root, and keeps the test inside its own temporary tree.
    const std::filesystem::path plainFile = machine->root() / "not_a_folder";
    {
        std::ofstream(plainFile) << "x";
    }
    machine->mapDrive('R', plainFile);
    EXPECT_THROW(CreateFolderPath(*machine, "R:\\NewFolder"), EOFDCreateFolder);
    EXPECT_FALSE(machine->directoryExists("R:\\NewFolder"));
}

// Catches the added controls placed off the dialog's layout.
TEST(OpenFolderPlacement, ControlsFollowTheFoundTreeAndButtons)
{
    const TOFDRect tree { 12, 52, 308, 270 }, ok { 144, 282, 219, 305 }, cancel { 228, 282, 303, 305 };
    const TOFDPlacement p = PlaceAddedControls(tree, ok, cancel, true, true);
    EXPECT_EQ(*p.Button, (TOFDRect { 12, 260, 135, 283 }));
    EXPECT_EQ(*p.Tree, (TOFDRect { 12, 52, 308, 210 }));
    EXPECT_EQ(*p.Edit, (TOFDRect { 12, 225, 308, 238 }));

    const TOFDPlacement none = PlaceAddedControls(std::nullopt, std::nullopt, std::nullopt, true, true);
    EXPECT_EQ(*none.Button, (TOFDRect { 20, 230, 140, 253 }));
    EXPECT_EQ(*none.Edit, (TOFDRect { 20, 230, 140, 253 }));
    EXPECT_FALSE(none.Tree);

    const TOFDPlacement noCancel = PlaceAddedControls(tree, ok, std::nullopt, true, false);
    EXPECT_EQ(*noCancel.Button, (TOFDRect { 12, 230, 140, 253 }));
    EXPECT_EQ(*noCancel.Tree, (TOFDRect { 12, 52, 308, 224 })); // gives way to the button
    EXPECT_FALSE(noCancel.Edit);
    EXPECT_FALSE(PlaceAddedControls(tree, ok, cancel, false, false).Button);

    // Without the path edit the create button must not cover the tree's
    // last rows.
    const TOFDPlacement noEdit = PlaceAddedControls(tree, ok, cancel, true, false);
    EXPECT_EQ(*noEdit.Button, (TOFDRect { 12, 260, 135, 283 }));
    EXPECT_LE(noEdit.Tree->Bottom, noEdit.Button->Top);
    EXPECT_EQ(*PlaceAddedControls(tree, ok, cancel, false, false).Tree, tree);
}

// Catches captions lost when a system string is missing or the title keeps its argument marker.
TEST(OpenFolderStrings, SystemTextsAndMissingOnes)
{
    EXPECT_EQ(TOFDResourceStrings::ButtonCaption(), TOFDResourceStrings::InputCaption());
    EXPECT_FALSE(TOFDResourceStrings::ButtonCaption().empty());
    EXPECT_FALSE(TOFDResourceStrings::InputPrompt().empty());
    EXPECT_EQ(TOFDResourceStrings::DialogTitle().find('%'), std::string::npos);
    EXPECT_EQ(LoadSystemString("COMDLG32.DLL", 703), TOFDResourceStrings::ButtonCaption());
    EXPECT_EQ(LoadSystemString("comdlg32.dll", 9999), "");
    EXPECT_EQ(LoadSystemString("nosuch.dll", 703), "");
}
