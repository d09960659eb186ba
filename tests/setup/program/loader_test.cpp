#include "platform/ui/message_service.h"
#include "platform/win/machine.h"
#include "platform/win/program.h"
#include "setup/installlib/buildmode.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/qrlecompress.h"
#include "setup/installlib/singlesetup.h"
#include "setup/loader/loader.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace installlib;

namespace {

// setup.1 of a setup program (the report program) and one presetup file,
// the loader as setup.exe in C:\DIST; the setup is run from there.
class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        machine = win::Machine::open(dir.path() / "root");
        win::Machine::setCurrent(machine);
        InstallLibraryStartup();
        ASSERT_TRUE(machine->forceDirectories("C:\\BUILD MACHINE"));
        ASSERT_TRUE(machine->forceDirectories("C:\\DIST"));
        ASSERT_TRUE(machine->writeFile("C:\\BUILD MACHINE\\tavixsetup.exe", win::programFileBytes(TAVIX_REPORT_PROGRAM)));
        ASSERT_TRUE(machine->writeFile("C:\\BUILD MACHINE\\IDAPINST.DLL", std::string(3000, 'i')));
        TQrleCompress archive;
        archive.SetCompressedFile("C:\\BUILD MACHINE\\setup.1");
        archive.SetFilesToProcess({ "C:\\BUILD MACHINE\\tavixsetup.exe", "C:\\BUILD MACHINE\\IDAPINST.DLL" });
        ASSERT_TRUE(archive.AddFiles(false, 1));
        ASSERT_TRUE(machine->readFile("C:\\BUILD MACHINE\\setup.1", setup1));
        loader = win::programFileBytes(TAVIX_LOADER);
        // Outside the folder the loader removes when the setup has ended.
        setenv("TAVIX_REPORT_DIR", dir.path().c_str(), 1);
    }
    void TearDown() override
    {
        unsetenv("TAVIX_REPORT_DIR");
        InstallLibraryShutdown();
        win::Machine::setCurrent(nullptr);
    }

    // The loader, setup.1 and a files.1 stand-in joined with the trailer.
    std::string selfExtracting()
    {
        TSelfExtractInfo info;
        info.Setup1First = std::int32_t(loader.size());
        info.Setup1Last = std::int32_t(loader.size() + setup1.size() - 1);
        info.Files1First = info.Setup1Last + 1;
        info.Files1Last = info.Files1First + 99;
        return loader + setup1 + std::string(100, 'f') + info.Bytes();
    }

    int start(const std::string& program, const std::vector<std::string>& args)
    {
        return win::runProgramFile(*machine, program, args, "C:\\DIST");
    }

    std::string report() { return tavix::testing::readFile(dir.path() / "report.txt"); }

    tavix::testing::TempDir dir { "loader" };
    std::shared_ptr<win::Machine> machine;
    std::string setup1, loader;
};

} // namespace

// Catches a loader that reads the wrong bytes of itself, unpacks elsewhere
// than Temp, starts the setup with arguments the engine cannot use, or
// leaves the folder it unpacked into when the setup has ended (however it
// ended) and no restart needs it.
TEST_F(LoaderTest, TheSelfExtractingFileUnpacksIntoTempAndStartsTheSetup)
{
    ASSERT_TRUE(machine->writeFile("C:\\DIST\\setup.exe", selfExtracting()));
    setenv("TAVIX_REPORT_EXIT", "1", 1);
    ASSERT_EQ(start("C:\\DIST\\setup.exe", { "extra" }), 1);
    unsetenv("TAVIX_REPORT_EXIT");

    const std::string r = report();
    EXPECT_NE(r.find("TAVIX_WINPROGRAM=C:\\TEMP\\QS1\\tavixsetup.exe\n"), std::string::npos) << r;
    EXPECT_NE(r.find("TAVIX_WINCWD=C:\\TEMP\\QS1\n"), std::string::npos) << r;
    EXPECT_NE(r.find("arg=-sC:\\DIST\narg=-esetup.exe\narg=-c\narg=extra\n"), std::string::npos) << r;
    EXPECT_FALSE(machine->directoryExists("C:\\TEMP\\QS1"));

    // A folder that the restart's resume runs from stays.
    machine->registry().writeString(win::RootKey::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
        "QuorleUnfinished", "\"C:\\TEMP\\QS1\\tavixsetup.exe\" -r");
    ASSERT_EQ(start("C:\\DIST\\setup.exe", { "*TODISK" }), 0);
    EXPECT_NE(report().find("arg=-c\narg=-f\narg=*TODISK\n"), std::string::npos);
    std::string bytes;
    ASSERT_TRUE(machine->readFile("C:\\TEMP\\QS1\\IDAPINST.DLL", bytes));
    EXPECT_EQ(bytes, std::string(3000, 'i'));
}

TEST_F(LoaderTest, ABareLoaderTakesSetup1BesideIt)
{
    ASSERT_TRUE(machine->writeFile("C:\\DIST\\setup.exe", loader));
    ASSERT_TRUE(machine->writeFile("C:\\DIST\\setup.1", setup1));
    ASSERT_EQ(start("C:\\DIST\\setup.exe", {}), 0);
    const std::string r = report();
    EXPECT_NE(r.find("arg=-sC:\\DIST\narg=-c\n"), std::string::npos) << r;
    EXPECT_EQ(r.find("arg=-e"), std::string::npos) << r;
}

// Catches a failure that goes unseen (standard error only), is cut short
// or names the wrong file, and an unpacking folder left behind.
TEST_F(LoaderTest, EveryFailureIsShownNamingTheFileAndTheCause)
{
    std::string damagedTrailer = selfExtracting();
    damagedTrailer.replace(damagedTrailer.size() - 40, 4, std::string("\xff\xff\xff\x7f", 4));
    std::string damagedArchive = selfExtracting();
    damagedArchive.replace(loader.size(), 40, std::string(40, 'x'));
    const std::string cut = selfExtracting().substr(0, loader.size() + 300);
    const struct {
        std::string setupExe;
        bool tempFull; // room for 2000 more bytes on C:
        std::string expected; // in the box, after the file's name
    } cases[] = {
        { loader, false, "C:\\DIST\\setup.1 is missing" },
        { damagedTrailer, false, "C:\\DIST\\setup.exe is damaged" },
        { cut, false, "C:\\DIST\\setup.exe is damaged or incomplete" },
        { damagedArchive, false, "C:\\DIST\\setup.exe is damaged: Could not read the file headers" },
        { selfExtracting(), true, "not enough room in the temporary folder C:\\TEMP\\QS1" },
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(machine->writeFile("C:\\DIST\\setup.exe", c.setupExe));
        if (c.tempFull) {
            machine->setDriveCapacity('C', 1ull << 40);
            machine->setDriveCapacity('C', (1ull << 40) - *machine->diskFreeSpace("C:\\") + 2000);
        }
        ui::ScriptedMessageService messages;
        ui::MessageService::setCurrent(&messages);
        bool started = false;
        EXPECT_EQ(tavixloader::RunLoader(*machine, "C:\\DIST\\setup.exe", {}, [&](const auto&) { return started = true, 0; }), 1);
        ui::MessageService::setCurrent(nullptr);
        machine->setDriveCapacity('C', 0);
        EXPECT_FALSE(started);
        ASSERT_EQ(messages.asked().size(), 1u) << c.expected;
        EXPECT_EQ(messages.asked()[0].kind, ui::MessageKind::Error);
        EXPECT_NE(messages.asked()[0].text.find(c.expected), std::string::npos) << messages.asked()[0].text;
        EXPECT_FALSE(machine->directoryExists("C:\\TEMP\\QS1")) << c.expected;
    }
}

// Catches a loader that only looks at the hold: a second one started while
// the first setup starts would unpack a folder before its setup refuses.
TEST_F(LoaderTest, TheHoldIsTakenBeforeUnpackingAndHandedToTheSetup)
{
    ASSERT_TRUE(machine->writeFile("C:\\DIST\\setup.exe", selfExtracting()));
    ui::ScriptedMessageService messages;
    ui::MessageService::setCurrent(&messages);
    int second = -1;
    EXPECT_EQ(tavixloader::RunLoader(*machine, "C:\\DIST\\setup.exe", {},
                  [&](const auto&) {
                      second
                          = tavixloader::RunLoader(*machine, "C:\\DIST\\setup.exe", {}, [](const auto&) { return 0; });
                      EXPECT_FALSE(machine->directoryExists("C:\\TEMP\\QS2"));
                      return 0;
                  }),
        0);
    ui::MessageService::setCurrent(nullptr);
    EXPECT_EQ(second, 1);
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(messages.asked()[0].text, kSetupRunningText);
    EXPECT_TRUE(machine->holdName(kSetupHoldName).holding());
}

// Catches a hold that fails for another reason than another setup (the
// holds' folder a planted link) taken as no setup running.
TEST_F(LoaderTest, AHoldThatCannotBeTakenRefusesWithTheReason)
{
    ASSERT_TRUE(machine->writeFile("C:\\DIST\\setup.exe", selfExtracting()));
    std::filesystem::remove_all(machine->root() / "mutexes");
    std::filesystem::create_directory(dir.path() / "elsewhere");
    std::filesystem::create_directory_symlink(dir.path() / "elsewhere", machine->root() / "mutexes");
    ui::ScriptedMessageService messages;
    ui::MessageService::setCurrent(&messages);
    bool started = false;
    EXPECT_EQ(
        tavixloader::RunLoader(*machine, "C:\\DIST\\setup.exe", {}, [&](const auto&) { return started = true, 0; }), 1);
    ui::MessageService::setCurrent(nullptr);
    EXPECT_FALSE(started);
    ASSERT_EQ(messages.asked().size(), 1u);
    EXPECT_EQ(
        messages.asked()[0].text, "Setup cannot make sure that no other setup runs on this machine: Access is denied.");
}
