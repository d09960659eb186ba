#include "platform/win/module.h"

#include "platform/win/batch.h"
#include "tests/platform/win/machine_fixture.h"

#include <cstdlib>

using namespace win;

namespace {

std::string hostBytes(const char* path)
{
    return tavix::testing::readFile(path);
}

class ModuleTest : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        log = dir.path() / "calls.log";
        setenv("TAVIX_SELFREG_LOG", log.c_str(), 1);
        unsetenv("TAVIX_SELFREG_RESULT");
    }
    void TearDown() override
    {
        unsetenv("TAVIX_SELFREG_LOG");
        unsetenv("TAVIX_SELFREG_RESULT");
    }
    std::filesystem::path log;
};

} // namespace

// Catches a library loaded from outside the machine or its export not really run.
TEST_F(ModuleTest, LoadsTheLibraryStoredUnderTheDllNameAndCallsItsExport)
{
    ASSERT_TRUE(machine->forceDirectories("C:\\Program Files\\My App"));
    ASSERT_TRUE(machine->writeFile("C:\\Program Files\\My App\\CTL.OCX", hostBytes(TAVIX_SELFREG_MODULE)));
    Module lib;
    ASSERT_TRUE(lib.load(*machine, "c:\\program files\\my app\\ctl.ocx")) << lib.loaderMessage();
    EXPECT_EQ(lib.path(), "C:\\program files\\my app\\ctl.ocx");
    auto reg = lib.procAddress<int (*)()>("DllRegisterServer");
    ASSERT_NE(reg, nullptr);
    EXPECT_EQ(reg(), 0);
    setenv("TAVIX_SELFREG_RESULT", "0x80004005", 1);
    EXPECT_EQ(reg(), int(0x80004005u));
    EXPECT_EQ(tavix::testing::readFile(log), "DllRegisterServer\nDllRegisterServer\n");
    lib.free();
    EXPECT_FALSE(lib.isLoaded());
}

// Catches load failures reported as success or with the wrong error.
TEST_F(ModuleTest, MissingFileExportAndBadFormatGiveTheirErrors)
{
    Module lib;
    EXPECT_FALSE(lib.load(*machine, "C:\\WINNT\\system32\\NONE.DLL"));
    EXPECT_EQ(lastError(), ERROR_MOD_NOT_FOUND);

    ASSERT_TRUE(machine->writeFile("C:\\WINNT\\system32\\TEXT.DLL", "MZ this is no library"));
    EXPECT_FALSE(lib.load(*machine, "C:\\WINNT\\system32\\TEXT.DLL"));
    EXPECT_EQ(lastError(), ERROR_BAD_EXE_FORMAT);
    EXPECT_FALSE(lib.loaderMessage().empty());

    ASSERT_TRUE(machine->writeFile("C:\\WINNT\\system32\\OTHER.DLL", hostBytes(TAVIX_NOEXPORT_MODULE)));
    ASSERT_TRUE(lib.load(*machine, "C:\\WINNT\\system32\\OTHER.DLL"));
    EXPECT_EQ(lib.procAddress("DllRegisterServer"), nullptr);
    EXPECT_EQ(lastError(), ERROR_PROC_NOT_FOUND);
    EXPECT_NE(lib.procAddress("SomethingElse"), nullptr);
}

// Catches a program path with blanks split into words, or arguments losing their quotes.
TEST_F(ModuleTest, StartProgramKeepsPathsWithBlanksAsOneWord)
{
    ASSERT_TRUE(machine->forceDirectories("C:\\Program Files\\My App"));
    ASSERT_TRUE(machine->writeFile("C:\\Program Files\\My App\\SERVER.EXE", "MZ"));
    std::vector<std::string> started;
    machine->setProgramRunner([&](const std::string& program, const std::string& line, int show) {
        started.push_back(program + "|" + std::to_string(show));
        auto words = splitBatchWords(line);
        started.insert(started.end(), words.begin(), words.end());
    });
    EXPECT_EQ(startProgram(*machine, "C:\\Program Files\\My App\\SERVER.EXE", { "/REGSERVER", "a b" }, SW_HIDE), 33);
    EXPECT_EQ(started,
        (std::vector<std::string> {
            "C:\\Program Files\\My App\\SERVER.EXE|0", "C:\\Program Files\\My App\\SERVER.EXE", "/REGSERVER", "a b" }));
    EXPECT_EQ(startProgram(*machine, "C:\\Program Files\\None\\X.EXE", {}, SW_HIDE), int(ERROR_PATH_NOT_FOUND));
}

// Catches quoting that a program's own parser would split differently.
TEST(CommandLineQuoting, ArgumentsRoundTrip)
{
    EXPECT_EQ(quoteArgument("plain"), "plain");
    EXPECT_EQ(quoteArgument(""), "\"\"");
    EXPECT_EQ(quoteArgument("a b"), "\"a b\"");
    EXPECT_EQ(quoteArgument("C:\\dir with blank\\"), "\"C:\\dir with blank\\\\\"");
    EXPECT_EQ(quoteArgument("say \"hi\""), "\"say \\\"hi\\\"\"");
    EXPECT_EQ(buildCommandLine("C:\\A B\\x.exe", { "-r", "x y" }), "\"C:\\A B\\x.exe\" -r \"x y\"");
}
