#pragma once

// Two emulated machines in a temporary folder: the build machine laid out
// by the seeder, and a fresh target machine. The setup program's script
// runs in this process on either, with the scripted message service.

#include "platform/ui/message_service.h"
#include "platform/win/machine.h"
#include "platform/win/program.h"
#include "setup/installlib/application.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installlibrary.h"
#include "setup/tavixsetup/buildlayout.h"
#include "setup/tavixsetup/form1.h"
#include "tests/support/temp_dir.h"
#include "tools/buildmachine.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace setuptest {

inline std::string str(std::string_view s)
{
    return std::string(s);
}

// Every file below a machine's drive C with its bytes (folders with an
// empty text and a trailing "/"), keyed by the path below the drive.
inline std::map<std::string, std::string> driveFiles(const win::Machine& machine)
{
    std::map<std::string, std::string> out;
    const std::filesystem::path drive = machine.root() / "drives" / "C";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(drive)) {
        const std::string relative = std::filesystem::relative(entry.path(), drive).string();
        if (entry.is_regular_file())
            out[relative] = tavix::testing::readFile(entry.path());
        else if (entry.is_directory())
            out[relative + "/"] = "";
    }
    return out;
}

class SetupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        build = win::Machine::open(dir.path() / "build");
        win::Machine::setCurrent(build);
        sampledata::seedBuildMachine(*build, { TAVIX_HOST_SETUP, TAVIX_HOST_LOADER, TAVIX_HOST_UNINSTALL,
                                                   TAVIX_HOST_PRODUCT });
        win::Machine::setCurrent(nullptr);
    }
    void TearDown() override
    {
        ui::MessageService::setCurrent(nullptr);
        if (installlib::InstallLibraryStarted())
            installlib::InstallLibraryShutdown();
        installlib::Application().Reset();
        win::Machine::setCurrent(nullptr);
    }

    // One start of the setup program's script on machine, as the program
    // file program with arguments: the form loaded and, unless the loading
    // ended the program, activated. Returns whether the run failed.
    bool runScript(std::shared_ptr<win::Machine> machine, const std::string& program,
        const std::vector<std::string>& arguments, ui::ScriptedMessageService& messages)
    {
        win::Machine::setCurrent(machine);
        machine->setModuleFileName(program);
        runs.clear();
        win::installProgramRunner(*machine, {}, &runs);
        installlib::Application().Reset();
        installlib::InstallLibraryStartup();
        ui::MessageService::setCurrent(&messages);
        installlib::TApplication& application = installlib::Application();
        application.Title = "Tavixsoft - Install";
        application.Arguments = arguments;
        application.ExeName = program;
        bool failed = false;
        {
            auto form = std::make_unique<tavixsetup::TForm1>();
            application.MainForm = form.get();
            bool loaded = application.Guard([&] { form->Load(); });
            if (loaded && !application.Terminated())
                form->Activate();
            failed = !loaded || form->Install1->Failed();
            application.MainForm = nullptr;
        }
        ui::MessageService::setCurrent(nullptr);
        installlib::InstallLibraryShutdown();
        installlib::Application().Reset();
        win::Machine::setCurrent(nullptr);
        return failed;
    }

    // -b on the build machine.
    void buildSetup()
    {
        ui::ScriptedMessageService messages;
        runScript(build, str(tavixsetup::kSetupDir) + "\\" + str(tavixsetup::kSetupProgramName), { "-b" }, messages);
        for (const auto& asked : messages.asked())
            ADD_FAILURE() << "the build said: " << asked.text;
    }

    std::string read(win::Machine& machine, const std::string& path)
    {
        std::string bytes;
        EXPECT_TRUE(machine.readFile(path, bytes)) << path;
        return bytes;
    }

    tavix::testing::TempDir dir { "tavixsetup" };
    std::shared_ptr<win::Machine> build;
    std::vector<win::ProgramRun> runs;
};

} // namespace setuptest
