#include "machine_fixture.h"

#include "platform/win/file.h"

#include <filesystem>

namespace fs = std::filesystem;
using namespace win;

// Catches paths that reach host files outside the machine's root.
TEST_F(MachineTest, PathsNeverLeaveTheRoot)
{
    const fs::path driveC = fs::canonical(dir.path() / "root" / "drives" / "C");
    for (const char* p : { "C:\\..\\..\\..\\etc\\passwd", "C:..\\..\\x", "\\..\\..\\x", "..\\..\\..\\x",
             "C:\\WINNT\\..\\..\\..\\x", "C:/../../x" }) {
        fs::path h;
        ASSERT_TRUE(machine->resolve(p, h)) << p;
        EXPECT_EQ(fs::weakly_canonical(h).string().rfind(driveC.string(), 0), 0u) << p << " -> " << h;
    }
    EXPECT_EQ(machine->fullPathName("C:\\..\\..\\WINNT\\.\\system32\\..\\WIN.INI"), "C:\\WINNT\\WIN.INI");

    // A host link inside the drive must not lead out of it.
    fs::create_directory_symlink("/", host("C:\\") / "escape");
    EXPECT_FALSE(machine->fileExists("C:\\escape\\etc\\passwd"));
    EXPECT_EQ(lastError(), ERROR_ACCESS_DENIED);
    File f;
    EXPECT_FALSE(f.open(*machine, "C:\\ESCAPE\\etc\\hostname", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING));
    EXPECT_EQ(lastError(), ERROR_ACCESS_DENIED);
}

// Catches reserved characters, network paths and unknown drives being let through.
TEST_F(MachineTest, BadPathsAreRefusedWithWindowsErrors)
{
    struct Case {
        std::string path;
        uint32_t error;
    } cases[] = { { "C:\\a<b.txt", ERROR_INVALID_NAME }, { "C:\\a|b", ERROR_INVALID_NAME },
        { "C:\\dir\\what?.txt", ERROR_INVALID_NAME }, { "C:\\x:y", ERROR_INVALID_NAME },
        { std::string("C:\\a\x01") + "b", ERROR_INVALID_NAME }, { "C:\\CON", ERROR_INVALID_NAME },
        { "C:\\dir\\nul.txt", ERROR_INVALID_NAME }, { "\\\\server\\share\\x", ERROR_BAD_NETPATH },
        { "Q:\\x.txt", ERROR_PATH_NOT_FOUND }, { "", ERROR_PATH_NOT_FOUND },
        { "C:\\" + std::string(300, 'a'), ERROR_FILENAME_EXCED_RANGE } };
    for (const auto& c : cases) {
        File f;
        setLastError(0);
        EXPECT_FALSE(f.open(*machine, c.path, GENERIC_WRITE, 0, CREATE_ALWAYS)) << c.path;
        EXPECT_EQ(lastError(), c.error) << c.path;
    }
}

// Catches case-sensitive lookups and names losing the case they were made with.
TEST_F(MachineTest, ComponentsMatchWithoutCaseAndKeepTheirCase)
{
    ASSERT_TRUE(machine->forceDirectories("C:\\Program Files\\Tavixsoft\\Tavix Electronics"));
    ASSERT_TRUE(machine->writeFile("C:\\PROGRAM FILES\\tavixsoft\\TAVIX ELECTRONICS\\ReadMe.Txt", "x"));
    EXPECT_TRUE(machine->fileExists("c:\\program files\\TAVIXSOFT\\tavix electronics\\README.TXT"));
    EXPECT_TRUE(fs::exists(dir.path() / "root/drives/C/Program Files/Tavixsoft/Tavix Electronics/ReadMe.Txt"));
    auto list = machine->findFiles("C:\\program files\\*");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "Common Files");
    EXPECT_EQ(list[1].name, "Tavixsoft");

    // Writing the file again under another case keeps one file with its first name.
    ASSERT_TRUE(machine->writeFile("C:\\Program Files\\Tavixsoft\\Tavix Electronics\\README.TXT", "yy"));
    auto files = machine->findFiles("C:\\Program Files\\Tavixsoft\\Tavix Electronics\\*.*");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, "ReadMe.Txt");
    EXPECT_EQ(files[0].size, 2u);

    // A rename that only changes case takes effect.
    ASSERT_TRUE(machine->moveFile("C:\\Program Files\\Tavixsoft\\Tavix Electronics\\readme.txt",
        "C:\\Program Files\\Tavixsoft\\Tavix Electronics\\README.TXT"));
    EXPECT_EQ(machine->findFiles("C:\\Program Files\\Tavixsoft\\Tavix Electronics\\*")[0].name, "README.TXT");
}

// Catches relative paths resolved against the wrong directory.
TEST_F(MachineTest, RelativePathsFollowTheCurrentDirectory)
{
    ASSERT_TRUE(machine->forceDirectories("C:\\Work\\Sub"));
    EXPECT_FALSE(machine->setCurrentDirectory("C:\\Missing"));
    EXPECT_EQ(lastError(), ERROR_PATH_NOT_FOUND);
    ASSERT_TRUE(machine->setCurrentDirectory("c:\\work"));
    EXPECT_EQ(machine->currentDirectory(), "C:\\work");
    EXPECT_EQ(machine->fullPathName("Sub\\a.txt"), "C:\\work\\Sub\\a.txt");
    EXPECT_EQ(machine->fullPathName("..\\b.txt"), "C:\\b.txt");
    EXPECT_EQ(machine->fullPathName("\\c.txt"), "C:\\c.txt");
    EXPECT_EQ(machine->fullPathName("C:d.txt"), "C:\\work\\d.txt");
    EXPECT_EQ(machine->fullPathName("A:e.txt"), "A:\\e.txt");
    EXPECT_EQ(machine->fullPathName("C:\\dir.\\name. "), "C:\\dir\\name");
}
