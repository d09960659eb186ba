#include "setup/installlib/dialogmanager.h"

#include "platform/ui/message_service.h"
#include "setup/installlib/application.h"
#include "setup/installlib/basedialogs.h"
#include "setup/installlib/filerelated.h"
#include "setup/installlib/typecodes.h"

#include <algorithm>
#include <memory>

namespace installlib {

INSTALLLIB_DEFINE_COMPONENT_CLASS(TDialogManager, TInstallObject)

void RegisterDialogClasses()
{
    RegisterClass(TDialogManager::StaticClass());
}

int ManagerTypeCode(TManagerType Type)
{
    switch (Type) {
    case dmBeforeInstall:
        return icBeforeInstall;
    case dmAfterGoodInstall:
        return icAfterGoodInstall;
    case dmAfterBadInstall:
        return icAfterBadInstall;
    case dmDuringCopyFiles:
        return icFileProgress;
    case dmChangeDisk:
        return icNextDiskNeeded;
    case dmReboot:
        return icReboot;
    }
    return 0;
}

namespace {

// Clears the current manager on every way out of a wizard or change-disk form.
class CurrentManagerScope {
public:
    explicit CurrentManagerScope(TDialogManager* Manager) { SetCurrentDialogManager(Manager); }
    ~CurrentManagerScope() { SetCurrentDialogManager(nullptr); }
    CurrentManagerScope(const CurrentManagerScope&) = delete;
    CurrentManagerScope& operator=(const CurrentManagerScope&) = delete;
};

template <class T> T& requireParameter(TObject* PO, const std::string& name, const char* wrongClassText)
{
    if (!PO)
        throw IException("%s got a nil PO parameter", { name });
    auto* parameter = dynamic_cast<T*>(PO);
    if (!parameter)
        throw IException(wrongClassText, { name });
    return *parameter;
}

} // namespace

TDialogManager::TDialogManager(TComponent* Owner)
    : TInstallObject(Owner)
{
    ProcessedByContainer = 0;
}

TDialogManager::~TDialogManager()
{
    // Copy forms belong to no form; without this they would outlive the
    // manager their DM names.
    std::vector<TBaseDuringCopyForm*> forms;
    forms.swap(copyForms_);
    for (TBaseDuringCopyForm* form : forms)
        delete form;
    if (CurrentDialogManager() == this)
        SetCurrentDialogManager(nullptr);
}

int TDialogManager::RegisteredType()
{
    return tcNeverInstalled;
}

void TDialogManager::ContainerDestroyed(TInstallContainer* Obj)
{
    TInstallObject::ContainerDestroyed(Obj);
    if (auto* dialog = dynamic_cast<TCustomBaseInstallDlg*>(Obj))
        RemoveDialog(dialog);
}

void TDialogManager::AddDialog(TCustomBaseInstallDlg* Dialog)
{
    if (!Dialog)
        throw Exception(TranslateFormat("Cannot add a NIL Dialog to the Dialog Manager %s", { Name() }));
    dialogs_.push_back(Dialog);
}

void TDialogManager::RemoveDialog(TCustomBaseInstallDlg* Dialog)
{
    std::erase(dialogs_, Dialog);
}

void TDialogManager::ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO)
{
    TInstallObject::ReceiveInformationCode(Container, Code, PO);
    switch (Code) {
    case icBeforeInstall:
    case icAfterGoodInstall:
    case icAfterBadInstall:
    case icReboot:
        if (ManagerTypeCode(ManagerType) == Code)
            ShowDialogs();
        break;
    case icFileProgress:
        if (ManagerType == dmDuringCopyFiles)
            UpdateCopyForms(&requireParameter<TFileStatusParameter>(
                                PO, Name(), "The PO object passed to %s is not a TFileStatusParameter object"),
                nullptr);
        break;
    case icDownloadProgress:
        if (ManagerType == dmDuringCopyFiles)
            UpdateCopyForms(nullptr,
                &requireParameter<TDownloadStatusParameter>(
                    PO, Name(), "The PO object passed to %s is not a TDownloadStatusParameter object"));
        break;
    case icWorkFinished:
        if (ManagerType == dmDuringCopyFiles)
            CloseCopyForms();
        break;
    case icNextDiskNeeded:
        if (ManagerType == dmChangeDisk)
            ShowChangeDisk(PO);
        break;
    default:
        break;
    }
}

void TDialogManager::ShowDialogs()
{
    int result;
    {
        CurrentManagerScope current(this);
        std::unique_ptr<TComponent> made(FormContainerClass().Create(nullptr));
        auto* container = dynamic_cast<TBaseFormContainer*>(made.get());
        if (!container)
            throw Exception(TranslateFormat("%s is not a wizard window", { FormContainerClass().Name() }));
        container->SetBounds(container->Left(), container->Top(), Width, Height);
        container->PlaceOnScreen(Position, RelativeLeftOffset, RelativeTopOffset);
        if (container->BuildPages() == 0)
            return;
        result = container->ShowModal();
    }
    if (result == mrAbort)
        throw EAIUserAbort();
    if (TCustomForm* main = Application().MainForm)
        main->Refresh();
    ui::MessageService::current().processMessages();
}

void TDialogManager::CreateCopyForms()
{
    TFormEntryList* list = DCFList();
    if (!list)
        return;
    for (int i = 0; i < list->Count(); ++i) {
        TFormEntry& entry = *list->Items(i);
        std::unique_ptr<TComponent> made(entry.FormClass->Create(nullptr));
        auto* form = dynamic_cast<TBaseDuringCopyForm*>(made.get());
        if (!form || form->DM != this)
            continue;
        if (TCustomBaseInstallDlg* dialog = entry.Dialog) {
            dialog->SetLiveForm(form);
            TDialogPlace place = PlaceDialog(dialog->Position, dialog->RelativeLeftOffset, dialog->RelativeTopOffset,
                dialog->Width, dialog->Height, DefaultScreenMetrics(), crRound);
            form->SetBounds(place.Left, place.Top, dialog->Width, dialog->Height);
        }
        copyForms_.push_back(form);
        made.release();
        form->UpdateDisplay();
        form->TranslateForm();
        form->Show();
    }
}

void TDialogManager::UpdateCopyForms(TFileStatusParameter* FileStatus, TDownloadStatusParameter* DownloadStatus)
{
    if (copyForms_.empty())
        CreateCopyForms();
    const std::vector<TBaseDuringCopyForm*> forms = copyForms_;
    for (TBaseDuringCopyForm* form : forms)
        if (std::find(copyForms_.begin(), copyForms_.end(), form) != copyForms_.end())
            form->UpdateStatus(FileStatus, DownloadStatus);
}

void TDialogManager::CloseCopyForms()
{
    // The next progress code makes new forms, so a closed one is freed
    // rather than kept hidden for the rest of the run.
    std::vector<TBaseDuringCopyForm*> forms;
    forms.swap(copyForms_);
    for (TBaseDuringCopyForm* form : forms) {
        form->Close();
        delete form;
    }
}

void TDialogManager::ShowChangeDisk(TObject* Parameters)
{
    TFormEntryList& list = ChangeDiskFormList();
    if (list.Count() == 0)
        return;
    CurrentManagerScope current(this);
    std::unique_ptr<TComponent> made(list.Items(0)->FormClass->Create(nullptr));
    auto* form = dynamic_cast<TBaseInstallForm*>(made.get());
    if (!form || form->DM != this)
        return;
    if (!Parameters)
        throw Exception(
            TranslateFormat("The ParameterObject is Nil in the TDialogManager. Cannot show the change disk form", {}));
    auto* entries = dynamic_cast<TList*>(Parameters);
    if (!entries)
        throw Exception(TranslateFormat("TChangeDiskDlg--PO is not a TList object", {}));
    if (entries->Count() < 2)
        throw Exception(TranslateFormat("TChangeDiskDlg--Not engouh parameters for status event", {}));
    auto* file = dynamic_cast<TFileRelated*>(entries->Items[0]);
    if (!file || !ObjectIs(file, "TCustomInstallFile"))
        throw Exception(TranslateFormat("TChangeDiskDlg says bad first parameter", {}));
    auto* disk = dynamic_cast<TDiskParameter*>(entries->Items[1]);
    if (!disk)
        throw Exception(TranslateFormat("TChangeDiskDlg says bad second parameter", {}));
    file->MarkNewDiskAnswered();
    form->SetDiskParameter(disk);
    form->UpdateDisplay();
    form->TranslateForm();
    if (form->ShowModal() == mrAbort)
        throw EAIUserAbort();
}

} // namespace installlib
