#include "setup/installlib/basedialogs.h"

#include "platform/ui/message_service.h"
#include "setup/installlib/dialogmanager.h"
#include "setup/installlib/dialogregistry.h"
#include "setup/installlib/install.h"
#include "setup/installlib/typecodes.h"

#include <memory>

namespace installlib {

INSTALLLIB_DEFINE_CLASS(TCustomBaseInstallDlg, TInstallObject)
INSTALLLIB_DEFINE_CLASS(TBaseInstallDlg, TCustomBaseInstallDlg)

std::string EngineThemeBitmap()
{
    TCustomInstall* install = CurrentInstall();
    return install ? install->DialogThemeBitmap : std::string();
}

std::string AssignThemeBitmap(const TCustomBaseInstallDlg& Dialog)
{
    return Dialog.ThemeBitmap().empty() ? EngineThemeBitmap() : Dialog.ThemeBitmap();
}

TCustomBaseInstallDlg::TCustomBaseInstallDlg(TComponent* Owner)
    : TInstallObject(Owner)
{
    ProcessedByContainer = 0;
    Order = 0;
    SetInstallTypes({ itFull, itDefault, itCompact, itCustom });
}

TCustomBaseInstallDlg::~TCustomBaseInstallDlg()
{
    // A registry entry left behind would hand a freed component to the
    // next wizard.
    if (TFormEntryList* list = BIFList())
        list->RemoveDialog(this);
    if (TFormEntryList* list = DCFList())
        list->RemoveDialog(this);
    ChangeDiskFormList().RemoveDialog(this);
    if (dialogManager_)
        dialogManager_->RemoveDialog(this);
    SetLiveForm(nullptr);
}

int TCustomBaseInstallDlg::RegisteredType()
{
    return tcNeverInstalled;
}

void TCustomBaseInstallDlg::SetLiveForm(TBaseQuorleForm* Form)
{
    if (Form == liveForm_)
        return;
    if (liveForm_)
        RemoveFreeNotification(liveForm_);
    liveForm_ = Form;
    if (liveForm_)
        FreeNotification(liveForm_);
}

void TCustomBaseInstallDlg::Notification(TComponent* AComponent, TOperation Operation)
{
    TInstallObject::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == liveForm_)
        liveForm_ = nullptr;
}

void TCustomBaseInstallDlg::SetDialogManager(TDialogManager* Manager)
{
    if (Manager == dialogManager_)
        return;
    if (Manager)
        Manager->AddDialog(this);
    if (dialogManager_)
        dialogManager_->RemoveDialog(this);
    dialogManager_ = Manager;
}

void TCustomBaseInstallDlg::ContainerDestroyed(TInstallContainer* Obj)
{
    TInstallObject::ContainerDestroyed(Obj);
    if (Obj && Obj == dialogManager_)
        dialogManager_ = nullptr;
}

TTranslationSettings TCustomBaseInstallDlg::TranslationSettings() const
{
    return { AutoSetFont, AutoTranslate, OverrideMainTranslator, TranslateIntoLanguage };
}

void TCustomBaseInstallDlg::Translate()
{
    if (liveForm_)
        Language = liveForm_->TranslateWith(TranslationSettings(), Language);
}

void TCustomBaseInstallDlg::AssignDialogProperties()
{
    if (!liveForm_)
        throw Exception(TranslateFormat("Cannot AssignDialogProperties for %s because the Dialog is Nil", { Name() }));
    liveForm_->AutoSetFont = AutoSetFont;
    liveForm_->AutoTranslate = AutoTranslate;
    liveForm_->Container = Container();
    liveForm_->OverrideMainTranslator = OverrideMainTranslator;
    liveForm_->TranslateIntoLanguage = TranslateIntoLanguage;
    if (auto* page = dynamic_cast<TBaseInstallForm*>(liveForm_))
        page->DC = this;
    Translate();
}

bool TCustomBaseInstallDlg::ExecuteDialog()
{
    try {
        if (OnBeforeExecute)
            OnBeforeExecute(this);
        bool result = ShowDialogForm();
        ui::MessageService::current().processMessages();
        if (OnAfterExecute)
            OnAfterExecute(this);
        return result;
    } catch (const EAbort&) {
        return false;
    }
}

bool TCustomBaseInstallDlg::ShowDialogForm()
{
    if (!IsEnabled())
        return true;
    // Freed on every way out, so a failure while it is prepared leaves no
    // window behind.
    std::unique_ptr<TComponent> made(FormClass().Create(nullptr));
    auto* form = dynamic_cast<TBaseQuorleForm*>(made.get());
    if (!form)
        throw Exception(TranslateFormat("%s is not a dialog form", { FormClass().Name() }));
    SetLiveForm(form);
    AssignDialogProperties();
    int result = form->ShowModal();
    made.reset();
    if (result != mrOk)
        throw EAIUserAbort();
    return true;
}

} // namespace installlib
