// Install files inside a whole run of the engine: the engine's archive, a
// file in use that waits for the restart, and a self-registration that only
// succeeds when the run retries it.

#include "engine_fixture.h"

#include "setup/installlib/installfile.h"
#include "setup/installlib/registryroutines.h"
#include "tests/support/temp_dir.h"

#include <cstdlib>

using namespace enginetest;

namespace {

// The engine of the run, keeping its Unfinished list in memory.
class TUnfinishedInstall : public TRecordingInstall {
public:
    using TRecordingInstall::TRecordingInstall;
    void AddUnfinished(std::string_view Name, int Code) override
    {
        Unfinished.push_back(std::string(Name) + ";" + std::to_string(Code));
        ++UnfinishedCount;
    }
    std::vector<std::string> Unfinished;
};

class InstallFileRunTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        RegisterInstallFileClasses();
        selfregLog = dir.path() / "selfreg.log";
        setenv("TAVIX_SELFREG_LOG", selfregLog.c_str(), 1);
        startAs("C:\\TEMP\\QS1\\setup.exe", { "-sC:\\TEMP\\QS1", "-c" });
        engine = new TUnfinishedInstall(form.get(), log);
        engine->SetName("Install1");
        install = engine;
        directory = new TFileContainer(form.get());
        directory->SetName("Dir1");
        directory->SetContainer(engine);
        directory->SetDestDirType(nullptr);
        directory->SetDestDir("C:\\Program Files\\My App");
        ASSERT_TRUE(machine->forceDirectories("C:\\BUILD"));
    }
    void TearDown() override
    {
        unsetenv("TAVIX_SELFREG_LOG");
        unsetenv("TAVIX_SELFREG_RESULT");
        EngineTest::TearDown();
    }

    TInstallFile* addFile(const std::string& name, const std::string& bytes)
    {
        const std::string source = "C:\\BUILD\\" + name;
        EXPECT_TRUE(machine->writeFile(source, bytes));
        auto* file = new TInstallFile(form.get(), source, directory);
        file->SetName("F" + std::to_string(files.size() + 1));
        if (file->FileType() == iftNormal) {
            file->SetDestDirType(nullptr);
            file->SetDestDir("C:\\Program Files\\My App");
        }
        files.push_back(file);
        return file;
    }

    // Loads the engine and packs every file into its archive.
    void loadAndPack()
    {
        engine->Loaded();
        bool first = true;
        for (auto* file : files) {
            file->AddToArchive = first ? lzcOverwrite : lzcOnlyAdd;
            file->CompressFile();
            first = false;
        }
        ASSERT_TRUE(machine->fileExists("C:\\TEMP\\QS1\\files.1"));
        log.clear();
    }

    int registrations() const
    {
        if (!std::filesystem::exists(selfregLog))
            return 0;
        std::string text = tavix::testing::readFile(selfregLog);
        return int(std::count(text.begin(), text.end(), '\n'));
    }

    std::string read(const std::string& path)
    {
        std::string bytes;
        EXPECT_TRUE(machine->readFile(path, bytes)) << path;
        return bytes;
    }

    TUnfinishedInstall* engine = nullptr;
    TFileContainer* directory = nullptr;
    std::vector<TInstallFile*> files;
    std::filesystem::path selfregLog;
};

// Catches a run that forgets the restart for a file in use, takes a failed
// registration for the end of the run, or never retries it.
TEST_F(InstallFileRunTest, InUseFileAndRetriedRegistrationInOneRun)
{
    auto* app = addFile("APP.DLL", "the new library");
    auto* control = addFile("CTL.OCX", tavix::testing::readFile(TAVIX_SELFREG_MODULE));
    EXPECT_EQ(control->FileType(), iftSystemWideDLL);
    loadAndPack();

    ASSERT_TRUE(machine->forceDirectories("C:\\Program Files\\My App"));
    ASSERT_TRUE(machine->writeFile("C:\\Program Files\\My App\\APP.DLL", "the old library"));
    machine->setInUse("C:\\Program Files\\My App\\APP.DLL", true);
    setenv("TAVIX_SELFREG_RESULT", "1", 1); // fails during the walk
    directory->OnAfterInstallObjects = [](TObject*, bool) { unsetenv("TAVIX_SELFREG_RESULT"); };

    form->Activate();
    EXPECT_FALSE(engine->Failed());
    EXPECT_EQ(registrations(), 2);
    EXPECT_EQ(SelfRegisterRetryList().Count(), 0);
    EXPECT_TRUE(app->InUse());
    EXPECT_EQ(engine->Unfinished, std::vector<std::string> { "F1;0" });
    EXPECT_EQ(count("register run on reboot"), 1);
    EXPECT_EQ(count("reboot windows"), 1);
    EXPECT_EQ(read("C:\\Program Files\\My App\\APP.DLL"), "the old library");
    EXPECT_EQ(read(machine->systemDirectory() + "\\CTL.OCX"), read("C:\\BUILD\\CTL.OCX"));
    EXPECT_EQ(RegistryReadInteger(4, "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
                  machine->systemDirectory() + "\\CTL.OCX", 0),
        1);

    machine->restart();
    EXPECT_EQ(read("C:\\Program Files\\My App\\APP.DLL"), "the new library");
    EXPECT_FALSE(machine->fileExists("C:\\Program Files\\My App\\APP.1"));
}

// Catches a registration that still fails at the retry being swallowed.
TEST_F(InstallFileRunTest, RegistrationFailingTwiceFailsTheRun)
{
    addFile("CTL.OCX", tavix::testing::readFile(TAVIX_SELFREG_MODULE));
    loadAndPack();
    setenv("TAVIX_SELFREG_RESULT", "1", 1);
    form->Activate();
    EXPECT_TRUE(engine->Failed());
    EXPECT_EQ(registrations(), 2);
}

} // namespace
