#include "platform/win/batch.h"

#include "machine_fixture.h"

namespace {

class BatchTest : public MachineTest {
protected:
    void put(const std::string& path, const std::string& bytes = "x")
    {
        size_t slash = path.find_last_of('\\');
        ASSERT_TRUE(machine->forceDirectories(path.substr(0, slash))) << path;
        ASSERT_TRUE(machine->writeFile(path, bytes)) << path;
    }
    win::BatchResult run(const std::string& text)
    {
        win::BatchInterpreter batch(*machine);
        return batch.runText(text);
    }
};

// Catches a word splitter that keeps the quotes or cuts a quoted path at its blank.
TEST(BatchWords, QuotesGroupBlanks)
{
    auto words = win::splitBatchWords(R"(ERASE "C:\Program Files\A B\x.exe"  /Y)");
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[1], "C:\\Program Files\\A B\\x.exe");
    EXPECT_EQ(words[2], "/Y");
    EXPECT_TRUE(win::splitBatchWords("   ").empty());
}

// Catches ERASE that deletes directories or files outside its pattern, or
// that stops the batch at the first failure.
TEST_F(BatchTest, EraseDeletesOnlyMatchingFiles)
{
    put("C:\\W\\a.tmp");
    put("C:\\W\\b.tmp");
    put("C:\\W\\keep.txt");
    put("C:\\W\\sub.tmp\\inner.txt");
    auto result
        = run("@ECHO OFF\r\nREM clean\r\nERASE C:\\W\\*.tmp\r\nDEL C:\\W\\missing.txt\r\nERASE C:\\W\\keep.txt\r\n");
    EXPECT_FALSE(machine->fileExists("C:\\W\\a.tmp"));
    EXPECT_FALSE(machine->fileExists("C:\\W\\b.tmp"));
    EXPECT_TRUE(machine->fileExists("C:\\W\\sub.tmp\\inner.txt"));
    EXPECT_FALSE(machine->fileExists("C:\\W\\keep.txt")); // the batch went on after the failure
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].line, 4);
}

// Catches DELTREE that leaves read-only or nested entries behind, complains
// about what is already gone, or removes a drive's root.
TEST_F(BatchTest, DeltreeRemovesWholeDirectories)
{
    put("C:\\TEMP\\setup\\a.exe");
    put("C:\\TEMP\\setup\\d\\e\\f.dat");
    ASSERT_TRUE(machine->setFileAttributes("C:\\TEMP\\setup\\d\\e\\f.dat", win::FILE_ATTRIBUTE_READONLY));
    put("C:\\other.txt");
    auto result = run("DELTREE /Y C:\\TEMP\\setup\nDELTREE /Y C:\\TEMP\\gone\n");
    EXPECT_TRUE(result.ok());
    EXPECT_FALSE(machine->directoryExists("C:\\TEMP\\setup"));
    EXPECT_TRUE(machine->directoryExists("C:\\TEMP"));

    auto root = run("DELTREE /Y C:\\\n");
    EXPECT_FALSE(root.ok());
    EXPECT_TRUE(machine->fileExists("C:\\other.txt"));
}

// Catches a batch reaching past the machine's root: climbing above a drive,
// UNC names and host paths all stay inside (or fail).
TEST_F(BatchTest, NothingOutsideTheRootIsTouched)
{
    tavix::testing::writeFile(dir.path() / "outside.txt", "host");
    std::string hostPath = (dir.path() / "outside.txt").string();
    put("C:\\inside.txt");
    auto result
        = run("ERASE ..\\..\\..\\outside.txt\nDELTREE /Y C:\\..\\..\\..\nDEL \\\\server\\share\\outside.txt\nDEL "
            + hostPath + "\nDELTREE /Y " + hostPath + "\nERASE C:\\..\\inside.txt\n");
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "outside.txt"));
    EXPECT_FALSE(machine->fileExists("C:\\inside.txt")); // ".." stops at the drive's root
    EXPECT_TRUE(machine->directoryExists("C:\\"));
    EXPECT_GE(result.failures.size(), 3u);
}

// Catches the in-use move batch (erase then move) not replacing the target,
// and unknown commands passing silently.
TEST_F(BatchTest, MoveCopyRenameAndUnknownCommands)
{
    put("C:\\SYS\\APP.DLL", "old");
    put("C:\\SYS\\APP.1", "new");
    put("C:\\SYS\\x.txt", "x");
    auto result = run("erase C:\\SYS\\APP.DLL\nmove C:\\SYS\\APP.1 C:\\SYS\\APP.DLL\ncopy C:\\SYS\\x.txt "
                      "C:\\SYS\\y.txt\nren C:\\SYS\\y.txt z.txt\nformat c:\nmd C:\\N\\M\nrd C:\\N\\M\n");
    std::string bytes;
    ASSERT_TRUE(machine->readFile("C:\\SYS\\APP.DLL", bytes));
    EXPECT_EQ(bytes, "new");
    EXPECT_FALSE(machine->fileExists("C:\\SYS\\APP.1"));
    EXPECT_TRUE(machine->fileExists("C:\\SYS\\z.txt"));
    EXPECT_TRUE(machine->directoryExists("C:\\N"));
    EXPECT_FALSE(machine->directoryExists("C:\\N\\M"));
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_EQ(result.failures[0].line, 5);
}

// Catches a batch that cannot erase itself (it must be read whole before it
// runs) and WinExec of a batch not reaching the interpreter.
TEST_F(BatchTest, WinExecRunsABatchThatErasesItself)
{
    put("C:\\TEMP\\dir\\prog.exe");
    put("C:\\TEMP\\bat1.bat",
        "ERASE C:\\TEMP\\dir\\prog.exe\r\nERASE C:\\TEMP\\bat1.PIF\r\nERASE C:\\TEMP\\bat1.bat\r\n");
    std::vector<win::BatchResult> results;
    std::vector<std::string> others;
    win::installBatchRunner(
        *machine, [&](const std::string& program, const std::string&, int) { others.push_back(program); }, &results);
    put("C:\\TOOLS\\run.exe");
    EXPECT_GT(machine->winExec("C:\\TEMP\\bat1.bat", win::SW_HIDE), 31);
    EXPECT_GT(machine->winExec("\"C:\\TOOLS\\run.exe\" -x", win::SW_SHOW), 31);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].commandsRun, 2); // the .PIF was never there
    EXPECT_FALSE(machine->fileExists("C:\\TEMP\\dir\\prog.exe"));
    EXPECT_FALSE(machine->fileExists("C:\\TEMP\\bat1.bat"));
    ASSERT_EQ(others.size(), 1u);
}

} // namespace
