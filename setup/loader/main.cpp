// The loader a setup starts with (loader.h): started as setup.exe, it
// unpacks setup.1 into a new folder below the machine's Temp folder, starts
// the setup program there as a program of the emulated machine
// (win/program.h), waits for it and ends with its exit code. The machine's
// root and its own path on the machine come from the environment, or
//
//   loader --winroot DIR --self C:\path\setup.exe [arguments]
//
// Failures are shown in a message box (and written to standard error, and
// not waited on where no window is seen); the window system is started only
// then, so a loader that works needs none.

#include "platform/ui/program_messages.h"
#include "platform/win/machine.h"
#include "platform/win/program.h"
#include "setup/loader/loader.h"

#include <QApplication>

#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Message boxes on Qt, the application made at the first box.
class LoaderMessages : public ui::MessageService {
public:
    LoaderMessages(int& argc, char** argv)
        : argc_(argc)
        , argv_(argv)
    {
        qt_.setOnTop(true);
    }
    ui::Answer show(ui::MessageKind kind, const std::string& caption, const std::string& text,
        ui::Buttons buttons) override
    {
        if (!QApplication::instance())
            app_ = std::make_unique<QApplication>(argc_, argv_);
        return qt_.show(kind, caption, text, buttons);
    }
    void pushBusyCursor() override { }
    void popBusyCursor() override { }
    void processMessages() override
    {
        if (app_)
            qt_.processMessages();
    }

private:
    int& argc_;
    char** argv_;
    std::unique_ptr<QApplication> app_;
    // No window of its own: a box must not hide behind a running setup's.
    ui::ProgramMessageService qt_ { "loader" };
};

} // namespace

int main(int argc, char** argv)
{
    std::string root, self;
    std::vector<std::string> passOn;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--winroot" && i + 1 < argc)
            root = argv[++i];
        else if (arg == "--self" && i + 1 < argc)
            self = argv[++i];
        else
            passOn.push_back(arg);
    }
    LoaderMessages messages(argc, argv);
    ui::MessageService::setCurrent(&messages);
    int code = 1;
    try {
        auto machine = win::openProgramMachine(root);
        win::Machine::setCurrent(machine);
        if (self.empty())
            self = machine->moduleFileName();
        code = tavixloader::RunLoader(*machine, self, passOn, [&](const tavixloader::TSetupStart& start) {
            const int result = win::runProgramFile(*machine, start.Program, start.Arguments, start.Folder,
                win::HostRunOptions { true, start.Environment });
            if (result < 0)
                throw std::runtime_error("Cannot start the setup program " + start.Program
                    + " unpacked from the setup archive: it is no program of this machine.");
            return result;
        });
        win::Machine::setCurrent(nullptr);
    } catch (const std::exception& e) {
        messages.error(tavixloader::kLoaderCaption, std::string("Cannot open the machine the setup runs on: ") + e.what());
    }
    ui::MessageService::setCurrent(nullptr);
    return code;
}
