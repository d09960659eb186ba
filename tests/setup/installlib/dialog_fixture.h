#pragma once

// Wizard pages without windows over the engine fixture: a page form and its
// dialog component that write into the engine's log when a page is shown,
// managers made on the engine, and a modal driver that plays one script of
// button presses per modal window shown.

#include "engine_fixture.h"

#include "setup/installlib/basedialogs.h"
#include "setup/installlib/dialogmanager.h"
#include "setup/installlib/dialogregistry.h"

#include <deque>
#include <string>
#include <vector>

namespace dialogtest {

using namespace enginetest;

// Where the test pages and forms write; set by the fixture.
inline Log*& PageLog()
{
    static Log* log = nullptr;
    return log;
}

// A page: shows its caption in the log when it becomes the current page.
class TTestPage : public TBaseInstallForm {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TTestPage(TComponent* Owner = nullptr)
        : TBaseInstallForm(Owner)
    {
    }
    void UpdateDisplay() override
    {
        if (PageLog())
            PageLog()->push_back("show " + Caption());
    }
    void PageLeaving() override
    {
        if (PageLog())
            PageLog()->push_back("leave " + Caption());
    }
    bool SkipPage() override { return Skip; }
    bool Skip = false;
};

// A page without a component of its own: shown for the before-install
// manager that its constructor finds.
class TLonePage : public TTestPage {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TLonePage(TComponent* Owner = nullptr)
        : TTestPage(Owner)
    {
        DM = FindDialogManager(dmBeforeInstall);
        Order = 15;
        SetCaption("Lone");
    }
};

// A page's dialog component: registers its page as every component does,
// gives it its title and whether it asks to be skipped.
class TTestDlg : public TBaseInstallDlg {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TTestDlg(TComponent* Owner = nullptr)
        : TBaseInstallDlg(Owner)
    {
        entry_ = RegisterInstallForm(TTestPage::StaticClass(), this, 0);
    }
    ~TTestDlg() override { UnregisterInstallForm(entry_); }
    const TMetaClass& FormClass() override { return TTestPage::StaticClass(); }
    bool IsEnabled() override { return Enabled; }
    void AssignDialogProperties() override
    {
        TBaseInstallDlg::AssignDialogProperties();
        auto* page = static_cast<TTestPage*>(LiveForm());
        page->SetCaption(Title);
        page->Skip = Skip;
    }

    std::string Title;
    bool Skip = false;
    bool Enabled = true;

private:
    TFormEntry* entry_ = nullptr;
};

// A copy form: records the status it is given.
class TTestCopyForm : public TBaseDuringCopyForm {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TTestCopyForm(TComponent* Owner = nullptr)
        : TBaseDuringCopyForm(Owner)
    {
        DM = FindDialogManager(dmDuringCopyFiles);
        ++Made;
    }
    ~TTestCopyForm() override { ++Freed; }
    void UpdateStatus(TFileStatusParameter* FileStatus, TDownloadStatusParameter* DownloadStatus) override
    {
        if (!PageLog())
            return;
        if (FileStatus)
            PageLog()->push_back("file " + FileStatus->FileName + " " + std::to_string(FileStatus->TotalPercent));
        if (DownloadStatus)
            PageLog()->push_back("download " + DownloadStatus->FileName);
    }
    static inline int Made = 0;
    static inline int Freed = 0;
};

class DialogTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        PageLog() = &log;
        TTestCopyForm::Made = TTestCopyForm::Freed = 0;
        startAs("C:\\TEMP\\QS1\\setup.exe", { "-sC:\\TEMP\\QS1", "-c" });
        makeInstall();
        ModalFormDriver() = [this](TWindowForm& window) {
            ++modalShown;
            if (scripts.empty())
                return;
            std::vector<std::string> steps = scripts.front();
            scripts.pop_front();
            for (const std::string& step : steps)
                press(window, step);
        };
    }
    void TearDown() override
    {
        ModalFormDriver() = nullptr;
        DefaultScreenMetrics() = TScreenMetrics();
        form.reset(); // the components go before the registries are emptied
        ClearDialogRegistries();
        PageLog() = nullptr;
        EngineTest::TearDown();
    }

    TTestDlg* page(const std::string& name, const std::string& title, int order, TDialogManager* m)
    {
        auto* d = new TTestDlg(form.get());
        d->SetName(name);
        d->Title = title;
        d->Order = order;
        d->SetContainer(install);
        d->SetDialogManager(m);
        return d;
    }

    // One button press on the modal window: next, back, cancel, altf4
    // (closing the window), ok (a page alone ending with OK).
    void press(TWindowForm& window, const std::string& step)
    {
        auto* wizard = dynamic_cast<TBaseFormContainer*>(&window);
        if (step == "altf4") {
            window.Close();
            return;
        }
        if (step == "ok") {
            window.SetModalResult(mrOk);
            return;
        }
        TBaseInstallForm* current = wizard ? wizard->Pages().at(static_cast<size_t>(wizard->TabIndex()))
                                           : dynamic_cast<TBaseInstallForm*>(&window);
        if (step == "next")
            current->NextPage();
        else if (step == "back")
            current->PreviousPage();
        else if (step == "cancel")
            current->CancelWizard();
        else if (step == "first?")
            log.push_back(current->IsFirstPage() ? "first" : "not first");
        else if (step == "last?")
            log.push_back(current->IsLastPage() ? "last" : "not last");
        else if (step == "modal?")
            log.push_back(window.IsModal() && window.ModalResult() == mrNone ? "still open" : "ended");
    }

    std::deque<std::vector<std::string>> scripts;
    int modalShown = 0;
};

} // namespace dialogtest
