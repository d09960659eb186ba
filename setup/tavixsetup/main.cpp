// tavixsetup: the setup program of the cross-reference program on the
// emulated Windows machine.
//
//   tavixsetup [--winroot DIR] [-b | -f | -r | -s<dir> -e<file> -c ...]
//
// Started on the build machine with -b it builds the self-extracting setup
// into the folder BUILD.INF names; started by the loader (setup.exe) it
// installs; started with -r by the RunOnce entry after a restart it
// finishes the install. The machine's root is DIR, else TAVIX_WINROOT; its
// own path on the machine comes from TAVIX_WINPROGRAM, which the machine
// sets when it starts the program (platform/win/program.h). Ends with 1
// when the install, the build or the floppy transfer failed or was
// cancelled, or when another setup runs on the machine, else 0. Its boxes
// also go to standard error and are not waited on where no window is seen.

#include "platform/ui/program_messages.h"
#include "platform/win/batch.h"
#include "platform/win/program.h"
#include "platform/win/text.h"
#include "setup/installlib/application.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/singlesetup.h"
#include "setup/installlib/ui/dialogwindows.h"
#include "setup/installlib/ui/wizardpages.h"
#include "setup/tavixsetup/form1.h"
#include "setup/tavixsetup/mainwindow.h"

#include <QApplication>
#include <QMessageBox>

#include <csignal>
#include <spawn.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr const char* kAfterExit = "--batch-after-exit";

// Starts this program again, on its own, to run batch once this one has ended.
void runAfterThisProgram(const win::Machine& machine, const std::string& batch)
{
    std::error_code ec;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    std::vector<std::string> words { self, "--winroot", machine.root().string(), kAfterExit, std::to_string(::getpid()),
        machine.moduleFileName(), batch };
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (ec || ::posix_spawn(&child, self.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
        std::fprintf(stderr, "tavixsetup: cannot start %s\n", batch.c_str());
}

// The other end: waits (a minute at most) until the program Pid has ended
// and its file Program is free, then runs Batch.
int runBatchAfterExit(const std::string& root, const std::vector<std::string>& arguments)
{
    auto machine = win::Machine::open(win::Machine::defaultRoot(root));
    const pid_t pid = pid_t(std::atol(arguments.at(1).c_str()));
    for (int i = 0; i < 1200 && (::kill(pid, 0) == 0 || machine->isHeld(arguments.at(2))); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return win::BatchInterpreter(*machine).runFile(arguments.at(3)).ok() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::string root;
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--winroot" && i + 1 < argc)
            root = argv[++i];
        else
            arguments.push_back(arg);
    }
    if (arguments.size() == 4 && arguments[0] == kAfterExit)
        return runBatchAfterExit(root, arguments);
    QApplication app(argc, argv);
    app.setApplicationName("Tavixsoft - Install");
    app.setWindowIcon(tavixsetup::SetupIcon());

    std::shared_ptr<win::Machine> machine;
    try {
        machine = win::openProgramMachine(root);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavixsetup: %s\n", e.what());
        return 2;
    }
    if (machine->moduleFileName().empty()) {
        std::fprintf(stderr, "tavixsetup: start it as a program of the machine (TAVIX_WINPROGRAM is not set)\n");
        return 2;
    }
    ui::ProgramMessageService messages("tavixsetup");
    // One setup (or uninstall) at a time on the machine, for as long as
    // this runs; the loader that started it hands its hold on.
    const installlib::TSetupHold setupHold(*machine, true);
    if (!setupHold.Holding()) {
        messages.setOnTop(true); // above the window of the setup that runs
        messages.error(app.applicationName().toStdString(), setupHold.Refusal());
        return 1;
    }
    win::Machine::setCurrent(machine);
    // Programs the install starts afterwards run on by themselves. Batch
    // files (the clean-up of the setup's own folder) run once this program
    // has ended: until then its file is in use, as on Windows.
    win::installProgramRunner(*machine, win::HostRunOptions { false, {} });
    std::vector<std::string> batches;
    machine->setProgramRunner([&batches, programs = machine->programRunner(), m = machine.get()](
                                  const std::string& program, const std::string& line, int show) {
        if (win::text::toUpper(program).ends_with(".BAT"))
            batches.push_back(m->fullPathName(program));
        else
            programs(program, line, show);
    });

    installlib::InstallLibraryStartup();
    installlib::RegisterDialogWindows();
    installlib::RegisterWizardPageClasses();
    ui::MessageService::setCurrent(&messages);
    installlib::TApplication& application = installlib::Application();
    application.Title = "Tavixsoft - Install";
    application.Arguments = arguments;
    application.ExeName = machine->moduleFileName();
    application.OnTerminate = [] { QCoreApplication::quit(); };

    int code = 0;
    {
        auto form = std::make_unique<tavixsetup::TForm1>();
        application.MainForm = form.get();
        bool loaded = application.Guard([&] { form->Load(); });
        if (loaded && !application.Terminated()) {
            tavixsetup::TForm1Window window(*form);
            messages.setParent(&window);
            window.show();
            app.exec();
            messages.setParent(nullptr);
        }
        if (!loaded || (form->Install1 && form->Install1->Failed()))
            code = 1;
        application.MainForm = nullptr;
        // The engine starts its pending clean-up batch as it goes.
        form.reset();
    }
    ui::MessageService::setCurrent(nullptr);
    installlib::InstallLibraryShutdown();
    win::Machine::setCurrent(nullptr);
    for (const std::string& batch : batches)
        runAfterThisProgram(*machine, batch);
    return code;
}
