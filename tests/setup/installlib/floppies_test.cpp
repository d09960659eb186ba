// Transferring a self-extracting setup onto floppies (-f): several disks
// of the emulated A: swapped when the scripted user answers the new-disk
// box, a refused disk, a disk too small, and a setup not started by the
// self-extractor.

#include "buildmode_fixture.h"
#include "floppyset.h"

#include <filesystem>
#include <map>

using namespace buildtest;

namespace {

namespace fs = std::filesystem;

class FloppyTest : public BuildTest {
protected:
    void SetUp() override
    {
        BuildTest::SetUp();
        buildScript();
        engine->BuildSetup(kProgram, kOut, true);
        setup1 = read(kOut + "\\setup.1");
        newProgram("C:\\TEMP\\QS1\\setup.exe", { "-f", "-s" + kOut, "-esetup.exe" });
        floppies.emplace(*machine, dir.path() / "disks");
        messages.onShow([this](const ui::ScriptedMessageService::Asked& asked) {
            const std::string prefix = "Please insert disk #";
            if (asked.text.rfind(prefix, 0) == 0 && !refuse)
                floppies->insert(std::stoi(asked.text.substr(prefix.size())));
        });
    }

    std::vector<std::string> askedTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& asked : messages.asked())
            texts.push_back(asked.text);
        return texts;
    }

    std::optional<floppytest::FloppySet> floppies;
    std::string setup1;
    bool refuse = false;
};

// Catches volumes that do not read back as the product (or a leftover
// volume taken for one of the set), a loader or setup.1 cut at the wrong
// offset, the program going on afterwards, and a transfer that does not
// say what went onto which disk.
TEST_F(FloppyTest, SetupSpansSeveralDisks)
{
    machine->setDriveCapacity('A', 8000);
    buildScript();
    engine->Loaded();
    EXPECT_TRUE(Application().Terminated());
    EXPECT_EQ(askedTexts(),
        (std::vector<std::string> { "Please insert disk #2", "Please insert disk #3", "Please insert disk #1",
            "This installation was transferred to 3 disk(s): setup.exe, setup.1 and files.1 on disk 1, files.2 on "
            "disk 2, files.3 on disk 3." }));
    EXPECT_EQ(messages.asked()[0].buttons, ui::Buttons::OkCancel);
    EXPECT_EQ(messages.busyDepth(), 0);

    floppies->insert(1);
    EXPECT_TRUE(read("A:\\setup.exe") == loader);
    EXPECT_TRUE(read("A:\\setup.1") == setup1);
    // A files.2 left on disk #1 is no disk #2.
    machine->setDriveCapacity('A', 0);
    ASSERT_TRUE(machine->writeFile("A:\\files.2", "left from another set"));
    messages = {};
    TQrleCompress reader;
    reader.SetCompressedFile("A:\\files.1");
    reader.OnNewDisk = [this](TQrleCompress&, int disk, std::string&) { floppies->insert(disk); };
    reader.ExtractDirectory = "C:\\CHECK";
    std::vector<std::string> names;
    for (const auto& entry : sources)
        names.push_back(entry.first);
    reader.SetFilesToProcess(names);
    ASSERT_TRUE(machine->forceDirectories("C:\\CHECK"));
    ASSERT_TRUE(reader.ExtractFiles());
    for (const auto& [path, bytes] : sources)
        EXPECT_TRUE(read("C:\\CHECK" + path.substr(path.find_last_of('\\'))) == bytes) << path;
    EXPECT_FALSE(askedTexts().empty());
    for (const std::string& text : askedTexts())
        EXPECT_EQ(text, "The disk in the drive is disk #1 of this set, not disk #2.");
}

// Catches a run that writes into files it did not make: a read-only
// setup.1 taken for a full disk, and an old floppy given as the last disk
// whose files.1 (of an earlier set) gets the final table of this one.
TEST_F(FloppyTest, AnOldFloppyKeepsItsFilesAndDiskOneIsAskedFor)
{
    machine->setDriveCapacity('A', 8000);
    ASSERT_TRUE(machine->writeFile("A:\\setup.1", "an older setup.1"));
    ASSERT_TRUE(machine->setFileAttributes("A:\\setup.1", win::FILE_ATTRIBUTE_READONLY));
    buildScript();
    engine->Loaded();
    ASSERT_EQ(askedTexts(), (std::vector<std::string> { "Cannot create A:\\setup.1: Access is denied." }));
    ASSERT_TRUE(machine->setFileAttributes("A:\\setup.1", 0));

    const std::map<std::string, std::string> old { { "files.1", "files.1 of an earlier set" },
        { "notes.txt", "the user's notes" } };
    fs::create_directories(dir.path() / "disks" / "3");
    for (const auto& [name, bytes] : old)
        tavix::testing::writeFile(dir.path() / "disks" / "3" / name, bytes);
    newProgram("C:\\TEMP\\QS1\\setup.exe", { "-f", "-s" + kOut, "-esetup.exe" });
    buildScript();
    engine->Loaded();
    EXPECT_FALSE(engine->Failed());
    EXPECT_EQ(askedTexts(),
        (std::vector<std::string> { "Cannot create A:\\setup.1: Access is denied.", "Please insert disk #2",
            "Please insert disk #3", "The disk in the drive is disk #3 of this set, not disk #1.",
            "Please insert disk #1",
            "This installation was transferred to 3 disk(s): setup.exe, setup.1 and files.1 on disk 1, files.2 on "
            "disk 2, files.3 on disk 3." }));
    floppies->insert(3);
    for (const auto& [name, bytes] : old)
        EXPECT_EQ(read("A:\\" + name), bytes);
}

// Catches a refused disk that goes on writing, is not reported with the
// user-abort text or as a failure, or leaves an unfinished archive volume
// on the disk.
TEST_F(FloppyTest, CancelAtTheSecondDiskStopsCleanly)
{
    machine->setDriveCapacity('A', 8000);
    refuse = true;
    messages.queueAnswer(ui::Answer::Cancel);
    buildScript();
    engine->Loaded();
    EXPECT_TRUE(Application().Terminated());
    EXPECT_EQ(askedTexts(), (std::vector<std::string> { "Please insert disk #2", "Aborted by user" }));
    EXPECT_TRUE(engine->Failed()); // the program ends with 1
    EXPECT_EQ(floppies->current(), 1);
    EXPECT_EQ(floppies->names(), (std::vector<std::string> { "setup.1", "setup.exe" }));
    EXPECT_EQ(messages.busyDepth(), 0);
}

// Catches a loader cut short on a small disk passing for a copy, and
// -f without the self-extractor falling through to a transfer.
TEST_F(FloppyTest, SmallDiskAndNoSelfExtractor)
{
    machine->setDriveCapacity('A', 600);
    buildScript();
    engine->Loaded();
    EXPECT_EQ(askedTexts(),
        (std::vector<std::string> { "Cannot create setup.exe on the A drive. Probably not enough room" }));
    EXPECT_TRUE(floppies->names().empty());

    machine->setDriveCapacity('A', 2500);
    newProgram("C:\\TEMP\\QS1\\setup.exe", { "-f", "-s" + kOut, "-esetup.exe" });
    messages = {};
    buildScript();
    engine->Loaded();
    EXPECT_EQ(
        askedTexts(), (std::vector<std::string> { "Cannot create setup.1 on the A drive. Probably not enough room" }));
    EXPECT_EQ(floppies->names(), (std::vector<std::string> { "setup.exe" }));

    newProgram("C:\\TEMP\\QS1\\setup.exe", { "-f", "-s" + kOut });
    messages = {};
    buildScript();
    engine->Loaded();
    EXPECT_TRUE(Application().Terminated());
    EXPECT_EQ(askedTexts(),
        (std::vector<std::string> { "Sorry... You can only transfer this installation to "
                                    "floppies through the self-extracting file. Usage example: "
                                    "setup.exe *TODISK" }));
}

} // namespace
