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
#include "platform/win/program.h"
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

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

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
    // One setup (or uninstall) at a time on the machine, for as long as this runs.
    const win::Machine::Hold setupHold = machine->holdName(installlib::kSetupHoldName);
    if (!setupHold.holding() && win::lastError() == win::ERROR_ALREADY_EXISTS) {
        messages.error(app.applicationName().toStdString(), installlib::kSetupRunningText);
        return 1;
    }
    win::Machine::setCurrent(machine);
    // Programs the install starts afterwards run on by themselves; clean-up
    // batch files run at once.
    win::installProgramRunner(*machine, win::HostRunOptions { false, {} });

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
    return code;
}
