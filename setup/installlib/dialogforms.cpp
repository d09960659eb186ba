#include "setup/installlib/dialogforms.h"

#include "platform/ui/message_service.h"
#include "setup/installlib/basedialogs.h"
#include "setup/installlib/dialogmanager.h"
#include "setup/installlib/dialogregistry.h"
#include "setup/installlib/install.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/netinstalllocation.h"
#include "setup/installlib/qrlecompress.h"

#include <algorithm>
#include <memory>

namespace installlib {

INSTALLLIB_DEFINE_COMPONENT_CLASS(TBaseQuorleForm, TWindowForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TBaseInstallForm, TBaseQuorleForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TBaseDuringCopyForm, TBaseQuorleForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TBaseFormContainer, TWindowForm)

namespace {

const TMetaClass*& containerClass()
{
    static const TMetaClass* cls = nullptr;
    return cls;
}

} // namespace

const TMetaClass& FormContainerClass()
{
    return containerClass() ? *containerClass() : TBaseFormContainer::StaticClass();
}

void SetFormContainerClass(const TMetaClass* Class)
{
    containerClass() = Class;
}

bool UserMayAbort()
{
    TCustomInstall* install = CurrentInstall();
    return install ? install->QueryUserAbort() : true;
}

// --- TBaseQuorleForm ------------------------------------------------------------------

TBaseQuorleForm::TBaseQuorleForm(TComponent* Owner)
    : TWindowForm(Owner)
{
    if (InstallLibraryStarted())
        LibraryForms().push_back(this);
}

TBaseQuorleForm::~TBaseQuorleForm()
{
    if (InstallLibraryStarted())
        std::erase(LibraryForms(), static_cast<TComponent*>(this));
}

TQrleLanguage TBaseQuorleForm::TranslateWith(const TTranslationSettings& Settings, TQrleLanguage Current)
{
    const TQrleLanguage* into = Settings.OverrideMainTranslator ? &Settings.TranslateIntoLanguage : nullptr;
    if (Settings.AutoSetFont)
        ApplyFormFonts(into);
    if (Settings.AutoTranslate)
        return TranslateTexts(Current, into);
    return Current;
}

void TBaseQuorleForm::TranslateForm()
{
    Language = TranslateWith({ AutoSetFont, AutoTranslate, OverrideMainTranslator, TranslateIntoLanguage }, Language);
    ui::MessageService::current().processMessages();
}

TQrleLanguage TBaseQuorleForm::TranslateTexts(TQrleLanguage Source, const TQrleLanguage* Into)
{
    TTranslator* translator = GlobalTranslator();
    if (!translator)
        return Source;
    if (!Into)
        return translator->ResultLanguage(Source);
    TQrleLanguage saved = translator->TranslateIntoLanguage;
    translator->TranslateIntoLanguage = *Into;
    TQrleLanguage result = translator->ResultLanguage(Source);
    translator->TranslateIntoLanguage = saved;
    return result;
}

// --- TBaseInstallForm -----------------------------------------------------------------

TBaseFormContainer* TBaseInstallForm::OwningContainer() const
{
    return dynamic_cast<TBaseFormContainer*>(Owner());
}

TWindowForm& TBaseInstallForm::ModalTarget()
{
    if (TBaseFormContainer* container = OwningContainer())
        return *container;
    return *this;
}

bool TBaseInstallForm::IsFirstPage()
{
    TBaseFormContainer* container = OwningContainer();
    return container ? container->IsFirstPage() : false;
}

bool TBaseInstallForm::IsLastPage()
{
    TBaseFormContainer* container = OwningContainer();
    return container ? container->IsLastPage() : false;
}

void TBaseInstallForm::AbortWizard()
{
    ModalTarget().SetModalResult(mrAbort);
}

void TBaseInstallForm::NextPage()
{
    if (TBaseFormContainer* container = OwningContainer())
        container->NextPage();
}

void TBaseInstallForm::PreviousPage()
{
    if (TBaseFormContainer* container = OwningContainer())
        container->PreviousPage();
}

void TBaseInstallForm::PageActivated()
{
    if (!dynamic_cast<TCustomForm*>(Owner()))
        return;
    UpdateDisplay();
    BringToFront();
}

void TBaseInstallForm::CancelWizard()
{
    if (UserMayAbort())
        AbortWizard();
}

// --- TBaseDuringCopyForm --------------------------------------------------------------

void TBaseDuringCopyForm::CancelCopy()
{
    if (UserMayAbort()) {
        if (InstallLibraryStarted())
            SharedArchive().Abort = true;
        SetNetUserAbort(true);
    }
    SetModalResult(mrAbort);
}

// --- TBaseFormContainer ---------------------------------------------------------------

TBaseFormContainer::TBaseFormContainer(TComponent* Owner)
    : TWindowForm(Owner)
{
    TCustomForm::SetBounds(Left(), Top(), 487, 368);
    SetCaption("BaseFormContainer");
    FormCreate();
}

TBaseFormContainer::~TBaseFormContainer() = default;

void TBaseFormContainer::FormCreate()
{
    resizing_ = true;
    SetBounds(Left(), Top(), 478, 395);
    resizing_ = false;
    finished_ = false;
}

void TBaseFormContainer::SetBounds(int Left, int Top, int Width, int Height)
{
    bool resized = Width != this->Width() || Height != this->Height();
    TWindowForm::SetBounds(Left, Top, Width, Height);
    if (resized)
        FormResize();
}

void TBaseFormContainer::FormResize()
{
    if (resizing_)
        return;
    TRect panel = DisplayPanelRect();
    for (TBaseInstallForm* page : pages_)
        page->SetBounds(panel.Left, panel.Top, panel.Width, panel.Height);
}

int TBaseFormContainer::BuildPages()
{
    TDialogManager* manager = CurrentDialogManager();
    if (!manager)
        throw Exception(TranslateFormat("The current dialog manager is not defined", {}));
    pages_.clear();
    // Entries may be added while pages are made (a page's constructor can
    // register); only those present at the start are walked.
    TFormEntryList* list = BIFList();
    int count = list ? list->Count() : 0;
    for (int i = 0; i < count && i < list->Count(); ++i) {
        TFormEntry& entry = *list->Items(i);
        TCustomBaseInstallDlg* dialog = entry.Dialog;
        if (dialog && (dialog->DialogManager() != manager || !dialog->IsEnabled()))
            continue;
        std::unique_ptr<TComponent> made(entry.FormClass->Create(this));
        auto* page = dynamic_cast<TBaseInstallForm*>(made.get());
        if (!page || (!dialog && page->DM != manager))
            continue; // freed here, which also takes it out of this form's components
        made.release();
        page->DC = dialog;
        if (dialog) {
            page->Container = dialog->Container();
            page->Order = dialog->Order;
            dialog->SetLiveForm(page);
            dialog->AssignDialogProperties();
        }
        tabs_.push_back(ClassName());
        TabsAdded(tabs_.back());
        TRect panel = DisplayPanelRect();
        page->SetBounds(panel.Left, panel.Top, panel.Width, panel.Height);
        page->TranslateForm();
        page->Show();
        pages_.push_back(page);
    }
    // An exchange pass: page j goes before page i when its Order is lower.
    for (std::size_t i = 0; i < pages_.size(); ++i)
        for (std::size_t j = i + 1; j < pages_.size(); ++j)
            if (pages_[j]->Order < pages_[i]->Order)
                std::swap(pages_[i], pages_[j]);
    return PageCount();
}

void TBaseFormContainer::setTabIndex(int Index)
{
    tabIndex_ = Index;
    TabIndexSet(Index);
}

bool TBaseFormContainer::ShowPage(int Index, TPageDirection Direction)
{
    if (Index < 0 || Index >= PageCount())
        return false;
    TBaseInstallForm* page = pages_[static_cast<std::size_t>(Index)];
    if (page->SkipPage())
        return ShowPage(Direction == pdBackward ? Index - 1 : Index + 1, Direction);
    setTabIndex(Index);
    SetCaption(page->Caption());
    page->PageActivated();
    return true;
}

void TBaseFormContainer::FormShow()
{
    if (!ShowPage(0, pdBackward) && !ShowPage(0, pdForward)) {
        // Every page asks to be skipped: a wizard without a page has no
        // button to leave it by, so it ends at once.
        finished_ = true;
        SetModalResult(mrOk);
        return;
    }
    BringToFront();
}

void TBaseFormContainer::NextPage()
{
    int current = tabIndex_;
    if (!ShowPage(current + 1, pdForward))
        ShowPage(current + 1, pdBackward);
    if (tabIndex_ == current) {
        finished_ = true;
        SetModalResult(mrOk);
        Close();
    }
}

bool TBaseFormContainer::PreviousPage()
{
    int current = tabIndex_;
    if (ShowPage(current - 1, pdBackward))
        return true;
    return ShowPage(current - 1, pdForward);
}

bool TBaseFormContainer::IsFirstPage()
{
    for (int i = 0; i < tabIndex_ && i < PageCount(); ++i)
        if (!pages_[static_cast<std::size_t>(i)]->SkipPage())
            return false;
    return true;
}

bool TBaseFormContainer::IsLastPage()
{
    return tabIndex_ == PageCount() - 1;
}

void TBaseFormContainer::TabsChanging()
{
    if (tabIndex_ >= 0 && tabIndex_ < PageCount())
        pages_[static_cast<std::size_t>(tabIndex_)]->PageLeaving();
}

void TBaseFormContainer::TabsChange(int NewIndex)
{
    if (!ShowPage(NewIndex, pdBackward))
        ShowPage(NewIndex, pdForward);
}

void TBaseFormContainer::FormClose(TCloseAction& Action)
{
    if (!finished_ && ModalResult() != mrAbort)
        Action = caNone;
}

void TBaseFormContainer::PlaceOnScreen(TQuorleDialogPosition Position, int LeftOffset, int TopOffset)
{
    TDialogPlace place = PlaceDialog(Position, LeftOffset, TopOffset, Width(), Height(), Screen(), crTruncate);
    SetBounds(place.Left, place.Top, Width(), Height());
}

} // namespace installlib
