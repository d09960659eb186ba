#pragma once

// The install library started over a fresh emulated machine, with the
// scripted message service in place, an empty main form and WinExec of a
// batch file run by the interpreter (its runs kept in batchRuns).

#include "machine_fixture.h"

#include "platform/ui/message_service.h"
#include "platform/win/batch.h"
#include "setup/installlib/application.h"
#include "setup/installlib/installlibrary.h"

#include <memory>
#include <vector>

class LibraryFormTest : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        installlib::InstallLibraryStartup();
        installlib::Application().Reset();
        ui::MessageService::setCurrent(&messages);
        form = std::make_unique<installlib::TForm>();
        form->SetName("MainForm");
        installlib::Application().MainForm = form.get();
        win::installBatchRunner(*machine, {}, &batchRuns);
    }
    void TearDown() override
    {
        form.reset();
        installlib::Application().Reset();
        ui::MessageService::setCurrent(nullptr);
        installlib::InstallLibraryShutdown();
        MachineTest::TearDown();
    }

    ui::ScriptedMessageService messages;
    std::unique_ptr<installlib::TForm> form;
    std::vector<win::BatchResult> batchRuns;
};
