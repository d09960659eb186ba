#include "dialog_fixture.h"

#include "setup/installlib/netinstalllocation.h"
#include "setup/installlib/qrlecompress.h"

namespace dialogtest {

INSTALLLIB_DEFINE_COMPONENT_CLASS(TTestPage, TBaseInstallForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TLonePage, TTestPage)
INSTALLLIB_DEFINE_CLASS(TTestDlg, TBaseInstallDlg)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TTestCopyForm, TBaseDuringCopyForm)

namespace {

std::string messageOf(const std::function<void()>& work)
{
    try {
        work();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

// Managers answer their own moment's code only, and show their pages by
// Order: a wrong code table shows the wizard at the wrong moment, a wrong
// sort shows the licence before the welcome page.
TEST_F(DialogTest, ManagersShowTheirPagesInOrderOnTheirCodes)
{
    TDialogManager* before = manager(dmBeforeInstall, "BeforeManager");
    TDialogManager* good = manager(dmAfterGoodInstall, "GoodManager");
    page("Readme", "Readme information", 30, before);
    page("Welcome", "Welcome", 10, before);
    page("License", "Software license agreement", 20, before);
    page("Good", "Setup complete", 10, good);
    page("Alone", "Not in a wizard", 5, nullptr);

    scripts = { { "next", "next", "next", "modal?" } };
    install->Broadcast(icBeforeInstall, nullptr);
    EXPECT_EQ(log, (Log { "show Welcome", "show Software license agreement", "show Readme information", "ended" }));

    log.clear();
    for (int code : { icGoodInstallation, icAfterBadInstall, icReboot, icWelcome, icRunBegins })
        install->Broadcast(code, nullptr);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(modalShown, 1);

    scripts = { { "next" } };
    install->Broadcast(icAfterGoodInstall, nullptr);
    EXPECT_EQ(log, (Log { "show Setup complete" }));
    EXPECT_EQ(CurrentDialogManager(), nullptr);
    EXPECT_EQ(good->Dialogs().size(), 1u);
}

// A page without a component is shown for the manager its form names; a
// disabled page, or one naming another manager, is not shown at all.
TEST_F(DialogTest, PagesWithoutComponentsAndDisabledPages)
{
    TDialogManager* before = manager(dmBeforeInstall, "BeforeManager");
    TDialogManager* reboot = manager(dmReboot, "RebootManager");
    TFormEntry* lone = RegisterInstallForm(TLonePage::StaticClass(), nullptr, 0);
    page("Welcome", "Welcome", 10, before);
    page("License", "Licence", 20, before)->Enabled = false;
    page("Reboot", "Reboot windows", 10, reboot);

    scripts = { { "next", "next" } };
    install->Broadcast(icBeforeInstall, nullptr);
    EXPECT_EQ(log, (Log { "show Welcome", "show Lone" }));

    // The lone page names the before-install manager, not this one.
    log.clear();
    UnregisterInstallForm(lone);
    auto* other = manager(dmAfterBadInstall, "BadManager");
    page("Disabled", "Disabled", 10, other)->Enabled = false;
    install->Broadcast(icAfterBadInstall, nullptr);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(modalShown, 1); // nothing to show: no window at all
}

// Equal orders keep what the exchange pass makes of them, which is not
// always the order of registration.
TEST_F(DialogTest, EqualOrdersFollowTheExchangePass)
{
    TDialogManager* before = manager(dmBeforeInstall, "BeforeManager");
    page("A", "A", 10, before);
    page("B", "B", 10, before);
    page("C", "C", 5, before);
    scripts = { { "next", "next", "next" } };
    install->Broadcast(icBeforeInstall, nullptr);
    EXPECT_EQ(log, (Log { "show C", "show B", "show A" }));
}

// Next, Previous and skipped pages: Previous must not leave the wizard or
// land on a skipped page, Next after the last shown page must finish it,
// and closing the window (Alt+F4) must do nothing.
TEST_F(DialogTest, NextPreviousAndSkippedPages)
{
    TDialogManager* before = manager(dmBeforeInstall, "BeforeManager");
    page("Skip1", "Skipped first", 5, before)->Skip = true;
    page("Welcome", "Welcome", 10, before);
    page("Skip2", "Skipped middle", 15, before)->Skip = true;
    page("License", "Licence", 20, before);
    page("Skip3", "Skipped last", 30, before)->Skip = true;

    scripts = { { "first?", "back", "first?", "altf4", "modal?", "next", "first?", "last?", "back", "next", "next",
        "modal?" } };
    install->Broadcast(icBeforeInstall, nullptr);
    EXPECT_EQ(log,
        (Log { "show Welcome", "first", "show Welcome", "first", "still open", "show Licence", "not first", "not last",
            "show Welcome", "show Licence", "show Licence", "ended" }));
}

// A wizard whose pages all ask to be skipped would show no page and no
// button to leave it by; it ends at once instead.
TEST_F(DialogTest, AWizardOfSkippedPagesEndsAtOnce)
{
    TDialogManager* before = manager(dmBeforeInstall, "BeforeManager");
    page("Skip1", "Skipped", 10, before)->Skip = true;
    page("Skip2", "Skipped too", 20, before)->Skip = true;
    EXPECT_NO_THROW(install->Broadcast(icBeforeInstall, nullptr));
    EXPECT_EQ(modalShown, 0);
    EXPECT_TRUE(log.empty());
}

// Cancel asks the engine; a refusal keeps the wizard open, an accepted
// Cancel ends the run as a user abort: no file installed, the
// bad-installation wizard shown, the run record deleted.
TEST_F(DialogTest, CancelBecomesAUserAbortThroughTheEngine)
{
    TDialogManager* before = manager(dmBeforeInstall, "BeforeManager");
    TDialogManager* bad = manager(dmAfterBadInstall, "BadManager");
    page("Welcome", "Welcome", 10, before);
    page("Bad", "Setup incomplete", 10, bad);
    auto* file = new TTestFile(form.get(), log, "file");
    file->SetContainer(install);
    int asked = 0;
    install->OnUserAbort = [&](TCustomInstall*, bool& quitOut) {
        quitOut = ++asked > 1;
        log.push_back(quitOut ? "abort accepted" : "abort refused");
    };
    install->Loaded();
    log.clear();

    scripts = { { "cancel", "modal?", "cancel", "modal?" }, { "next" } };
    form->Activate();
    EXPECT_EQ(log,
        (Log { "find record (create)", "clear unfinished", "show Welcome", "abort refused", "still open",
            "abort accepted", "ended", "show Setup incomplete", "delete record" }));
    EXPECT_TRUE(install->Failed());
    EXPECT_TRUE(Application().Terminated());
    EXPECT_TRUE(messages.asked().empty()); // a user abort shows no error box
}

// Without an engine nobody can refuse: Cancel aborts at once.
TEST_F(DialogTest, CancelWithoutAnEngineAborts)
{
    TDialogManager* before = manager(dmBeforeInstall, "BeforeManager");
    page("Welcome", "Welcome", 10, before);
    scripts = { { "cancel" } };
    // The managers look for the engine only through their own reference.
    delete install;
    install = nullptr;
    EXPECT_THROW(before->ShowDialogs(), EAIUserAbort);
    EXPECT_EQ(CurrentDialogManager(), nullptr);
}

// A component shown alone: OK returns True, any other end is a user abort,
// EAbort from an event gives False; the freed form leaves no reference.
TEST_F(DialogTest, APageShownAlone)
{
    TTestDlg* alone = page("Welcome", "Welcome", 10, nullptr);
    scripts = { { "ok" }, { "altf4" } };
    EXPECT_TRUE(alone->ExecuteDialog());
    EXPECT_EQ(alone->LiveForm(), nullptr);
    EXPECT_THROW(alone->ExecuteDialog(), EAIUserAbort);
    EXPECT_EQ(alone->LiveForm(), nullptr);

    alone->OnBeforeExecute = [](TObject*) { throw EAbort(); };
    EXPECT_FALSE(alone->ExecuteDialog());
    alone->OnBeforeExecute = nullptr;
    alone->Enabled = false;
    EXPECT_TRUE(alone->ShowDialogForm());
    EXPECT_EQ(modalShown, 2);
}

// References between managers, components and forms are dropped when one
// side is freed; a stale one would show a freed page or crash.
TEST_F(DialogTest, FreedManagersAndComponentsLeaveNoReferences)
{
    TDialogManager* before = manager(dmBeforeInstall, "BeforeManager");
    TTestDlg* welcome = page("Welcome", "Welcome", 10, before);
    TTestDlg* license = page("License", "Licence", 20, before);
    ASSERT_EQ(before->Dialogs().size(), 2u);
    delete license;
    EXPECT_EQ(before->Dialogs(), (std::vector<TCustomBaseInstallDlg*> { welcome }));
    EXPECT_EQ(BIFList()->Count(), 1);
    scripts = { { "next" } };
    install->Broadcast(icBeforeInstall, nullptr);
    EXPECT_EQ(log, (Log { "show Welcome" }));
    EXPECT_EQ(welcome->LiveForm(), nullptr);

    welcome->SetDialogManager(nullptr);
    EXPECT_TRUE(before->Dialogs().empty());
    welcome->SetDialogManager(before);
    delete before;
    EXPECT_EQ(welcome->DialogManager(), nullptr);
}

// The configuration errors carry their texts and the names they are about.
TEST_F(DialogTest, ConfigurationErrorsNameWhatTheyAreAbout)
{
    TDialogManager* before = manager(dmBeforeInstall, "BeforeManager");
    EXPECT_EQ(messageOf([] { BIFListEntry(0); }), "The BIFList is NIL");
    TTestDlg* welcome = page("Welcome", "Welcome", 10, before);
    EXPECT_EQ(&BIFListEntry(0), BIFList()->Items(0));
    EXPECT_EQ(messageOf([] { BIFListEntry(1); }), "1 is an invalid index in the BIFList");
    EXPECT_EQ(messageOf([] { BIFListEntry(-1); }), "-1 is an invalid index in the BIFList");
    EXPECT_EQ(
        messageOf([&] { before->AddDialog(nullptr); }), "Cannot add a NIL Dialog to the Dialog Manager BeforeManager");
    EXPECT_EQ(messageOf([&] { welcome->AssignDialogProperties(); }),
        "Cannot AssignDialogProperties for Welcome because the Dialog is Nil");
    TBaseFormContainer container;
    EXPECT_EQ(messageOf([&] { container.BuildPages(); }), "The current dialog manager is not defined");
    EXPECT_EQ(FindDialogManager(dmBeforeInstall), before);
    EXPECT_EQ(FindDialogManager(dmReboot), nullptr);
    // A manager elsewhere than on the engine is not the one a page finds.
    TDialogManager* onForm = manager(dmReboot, "Elsewhere");
    onForm->SetContainer(nullptr);
    EXPECT_EQ(FindDialogManager(dmReboot), nullptr);
    EXPECT_EQ(FindClass("TDialogManager"), &TDialogManager::StaticClass()); // a stored script can name it
}

// Copy forms: made at the first progress code, placed by their component,
// fed every status, closed (and freed) at -996 and made again afterwards;
// wrong parameter objects are refused with the manager's name.
TEST_F(DialogTest, CopyFormsFollowTheProgressCodes)
{
    TDialogManager* copy = manager(dmDuringCopyFiles, "CopyManager");
    auto* progress = page("CopyDlg", "", 0, copy);
    progress->Position = qdpBottomCenter;
    progress->Width = 475;
    progress->Height = 146;
    progress->RelativeTopOffset = 30;
    BIFList()->RemoveDialog(progress);
    RegisterCopyForm(TTestCopyForm::StaticClass(), progress, 0);
    DefaultScreenMetrics() = { 640, 480, 18 };

    TFileStatusParameter status;
    status.FileName = "TAVIXCAT.EXE";
    status.TotalPercent = 40;
    install->Broadcast(icFileProgress, &status);
    ASSERT_EQ(copy->CopyForms().size(), 1u);
    TBaseDuringCopyForm* shown = copy->CopyForms()[0];
    EXPECT_TRUE(shown->Visible());
    // Centre 640 / 2 - 475 / 2 = 82.5 goes to the even 82; bottom 480 - 18 - 146 - 30.
    EXPECT_EQ(shown->Left(), 82);
    EXPECT_EQ(shown->Top(), 286);
    EXPECT_EQ(shown->Width(), 475);
    EXPECT_EQ(progress->LiveForm(), shown);

    TDownloadStatusParameter download(10, "files.1", 100, 50);
    install->Broadcast(icDownloadProgress, &download);
    install->Broadcast(icWorkFinished, nullptr);
    EXPECT_TRUE(copy->CopyForms().empty());
    EXPECT_EQ(progress->LiveForm(), nullptr);
    install->Broadcast(icFileProgress, &status);
    EXPECT_EQ(copy->CopyForms().size(), 1u);
    EXPECT_EQ(log, (Log { "file TAVIXCAT.EXE 40", "download files.1", "file TAVIXCAT.EXE 40" }));
    EXPECT_EQ(TTestCopyForm::Made, 2);
    EXPECT_EQ(TTestCopyForm::Freed, 1);

    EXPECT_EQ(messageOf([&] { install->Broadcast(icFileProgress, nullptr); }), "CopyManager got a nil PO parameter");
    EXPECT_EQ(messageOf([&] { install->Broadcast(icFileProgress, &download); }),
        "The PO object passed to CopyManager is not a TFileStatusParameter object");
    EXPECT_EQ(messageOf([&] { install->Broadcast(icDownloadProgress, &status); }),
        "The PO object passed to CopyManager is not a TDownloadStatusParameter object");
    delete copy;
    EXPECT_EQ(TTestCopyForm::Freed, 2);
}

// Cancel on a copy form stops the archive and the downloads only when the
// engine agrees; the form's result is Abort either way.
TEST_F(DialogTest, CancelOnACopyForm)
{
    manager(dmDuringCopyFiles, "CopyManager");
    SetNetUserAbort(false);
    SharedArchive().Abort = false;
    bool allow = false;
    install->OnUserAbort = [&](TCustomInstall*, bool& quitOut) { quitOut = allow; };
    TTestCopyForm copyForm;
    copyForm.CancelCopy();
    EXPECT_FALSE(SharedArchive().Abort);
    EXPECT_FALSE(NetUserAbort());
    EXPECT_EQ(copyForm.ModalResult(), mrAbort);
    allow = true;
    copyForm.CancelCopy();
    EXPECT_TRUE(SharedArchive().Abort);
    EXPECT_TRUE(NetUserAbort());
    SetNetUserAbort(false);
}

// The change-disk manager checks what it is given before it shows a form.
TEST_F(DialogTest, ChangeDiskChecksItsParameters)
{
    TDialogManager* disk = manager(dmChangeDisk, "DiskManager");
    TList list;
    EXPECT_EQ(messageOf([&] { install->Broadcast(icNextDiskNeeded, &list); }), "no error"); // no form registered
    // The lone page names the before-install manager, which does not exist.
    ChangeDiskFormList().Add(TLonePage::StaticClass(), nullptr, 0);
    EXPECT_EQ(messageOf([&] { install->Broadcast(icNextDiskNeeded, nullptr); }), "no error");

    disk->ManagerType = dmBeforeInstall; // now the lone page names this manager
    TDiskParameter parameter;
    EXPECT_EQ(messageOf([&] { disk->ShowChangeDisk(nullptr); }),
        "The ParameterObject is Nil in the TDialogManager. Cannot show the change disk form");
    EXPECT_EQ(messageOf([&] { disk->ShowChangeDisk(&parameter); }), "TChangeDiskDlg--PO is not a TList object");
    EXPECT_EQ(
        messageOf([&] { disk->ShowChangeDisk(&list); }), "TChangeDiskDlg--Not engouh parameters for status event");
    TList wrong { &parameter, &parameter };
    EXPECT_EQ(messageOf([&] { disk->ShowChangeDisk(&wrong); }), "TChangeDiskDlg says bad first parameter");
    EXPECT_EQ(CurrentDialogManager(), nullptr);
    EXPECT_EQ(modalShown, 0);
}

} // namespace
} // namespace dialogtest
