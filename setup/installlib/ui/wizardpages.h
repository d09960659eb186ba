#pragma once

// The library's eight ready-made wizard pages, each a pair of a dialog
// component (placed in the install script with its DialogManager, Order and
// texts) and its page form:
//
//   component               form                     Order  manager             alone on
//   TWelcomeDlg             TWelcomeForm               10   dmBeforeInstall     -982
//   TLicenseDlg             TLicenseForm               20   dmBeforeInstall     -981
//   TReadmeDlg              TReadmeForm                30   dmBeforeInstall     -977
//   TSelectDestinationDlg   TSelectDestinationForm     45   dmBeforeInstall     -966
//   TSelectFolderDlg        TSelectFolderForm          60   dmBeforeInstall     -991
//   TGoodInstallationDlg    TGoodInstallForm           10   dmAfterGoodInstall  -995
//   TBadInstallationDlg     TBadInstallForm            10   dmAfterBadInstall   -994
//   TRebootDlg              TRebootForm                10   dmReboot            -987
//
// A component finds the first manager of its type when it is made; with a
// manager its page is one page of that manager's wizard, without one the
// component shows the page alone, modally, when its code is broadcast.
// Every text carries its translator number. The rules the destination and
// program folder pages apply are in pagerules.h.
//
//   auto* welcome = new TWelcomeDlg(&scriptForm);   // joins the before-install manager
//   welcome->SetContainer(install);

#include "setup/installlib/basedialogs.h"
#include "setup/installlib/dialogregistry.h"
#include "setup/installlib/pagerules.h"
#include "setup/installlib/ui/dialogwindows.h"
#include "setup/installlib/ui/translatecontrols.h"

#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QRadioButton;
class QVBoxLayout;

namespace installlib {

// --- the page forms ---

// What every page has: the theme picture on the left, the text panel, and
// the buttons on a bottom panel. Wizard pages have Previous, Next and
// Cancel; the end pages (good, bad, reboot) Previous and Next or Finish.
class TWizardPageForm : public TQtInstallForm {
public:
    INSTALLLIB_CLASS_INFO()
    enum TButtonSet { bsWizard, bsEnding };
    TWizardPageForm(TComponent* Owner, TButtonSet Buttons, int ClientWidth, bool StayOnTop);

    QLabel* ThemeImage = nullptr;
    QWidget* TextPanel = nullptr;
    TTranslateBitBtn* BackBtn = nullptr;
    TTranslateBitBtn* ProceedBtn = nullptr;
    TTranslateBitBtn* CancelBtn = nullptr; // wizard pages only
    TTranslateBitBtn* FinishBtn = nullptr; // end pages only

    // The buttons for the page's place in the wizard, then the page's own
    // controls (FillPage), then the focus on the button that goes on.
    void UpdateDisplay() override;
    // In front: the focus on the button that goes on.
    void PageActivated() override;
    // Shown alone: no Previous, and Next or Finish close the page with OK.
    virtual void PrepareAlone();
    // The picture data of the theme image; empty keeps the library's own.
    void SetThemePicture(const std::string& Data);
    // The page's own controls from the install tree.
    virtual void FillPage() { }

protected:
    TTranslateLabel* AddText(const char* Name, const char* Text, int GLID);
    QVBoxLayout* TextLayout() const { return textLayout_; }

private:
    void FocusOnward();
    QVBoxLayout* textLayout_ = nullptr;
    TButtonSet buttons_;
};

class TWelcomeForm : public TWizardPageForm {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TWelcomeForm(TComponent* Owner = nullptr);
};

class TLicenseForm : public TWizardPageForm {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TLicenseForm(TComponent* Owner = nullptr);
    QPlainTextEdit* Agreement = nullptr;
};

class TReadmeForm : public TWizardPageForm {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TReadmeForm(TComponent* Owner = nullptr);
    QPlainTextEdit* Information = nullptr;
};

// The destination directory: the form's Container is the engine.
class TSelectDestinationForm : public TWizardPageForm {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TSelectDestinationForm(TComponent* Owner = nullptr);
    QGroupBox* DestinationGroup = nullptr;
    QLineEdit* edDestDir = nullptr;
    TTranslateBitBtn* BrowseBtn = nullptr;

    void FillPage() override;
    // Refuses a destination that cannot be (with a message naming why).
    bool CanProceed() override;
    void Browse();

    // The folder browser Browse runs; the library's own when not set.
    static TFolderBrowser& Browser();

private:
    bool suppressChange_ = false;
};

// The program folder: the form's Container is the product's link group.
class TSelectFolderForm : public TWizardPageForm {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TSelectFolderForm(TComponent* Owner = nullptr);
    QLineEdit* FolderEdit = nullptr;
    QListWidget* FolderListBox = nullptr;

    bool SkipPage() override { return Container == nullptr; }
    void FillPage() override;
    bool CanProceed() override;

private:
    bool suppressChange_ = false;
};

class TGoodInstallForm : public TWizardPageForm {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TGoodInstallForm(TComponent* Owner = nullptr);
};

class TBadInstallForm : public TWizardPageForm {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TBadInstallForm(TComponent* Owner = nullptr);
};

// The reboot question: its answer is the engine's Reboot.
class TRebootForm : public TWizardPageForm {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TRebootForm(TComponent* Owner = nullptr);
    QGroupBox* RG = nullptr;
    QRadioButton* YesButton = nullptr;
    QRadioButton* NoButton = nullptr;

    void FillPage() override;

private:
    bool suppressClick_ = false;
};

// --- the components ---

class TWizardPageDlg : public TBaseInstallDlg {
public:
    INSTALLLIB_CLASS_INFO()
    // Order, the form's registry entry and the first manager of Type.
    TWizardPageDlg(TComponent* Owner, const TMetaClass& FormClass, int Order, TManagerType Type, int AloneCode);
    ~TWizardPageDlg() override;

    const TMetaClass& FormClass() override { return *formClass_; }
    // Without a dialog manager, the page's own code shows it alone.
    void ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO) override;
    // The framework's, then the page is made ready to be shown alone (inside
    // a wizard UpdateDisplay sets the buttons again), the theme picture, and
    // the page's own steps.
    void AssignDialogProperties() override;

    // The live page form; null when none is shown.
    TWizardPageForm* Page() const;

protected:
    // The page's own data into its form.
    virtual void AssignPageProperties(TWizardPageForm& Page) { (void)Page; }

private:
    const TMetaClass* formClass_;
    int aloneCode_;
};

class TWelcomeDlg : public TWizardPageDlg {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TWelcomeDlg(TComponent* Owner = nullptr);
};

class TLicenseDlg : public TWizardPageDlg {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TLicenseDlg(TComponent* Owner = nullptr);
    // The agreement's lines, shown in place of the form's own.
    std::vector<std::string> LicenseAgreement;

protected:
    void AssignPageProperties(TWizardPageForm& Page) override;
};

class TReadmeDlg : public TWizardPageDlg {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TReadmeDlg(TComponent* Owner = nullptr);
    std::vector<std::string> ReadmeText;

protected:
    void AssignPageProperties(TWizardPageForm& Page) override;
};

class TSelectDestinationDlg : public TWizardPageDlg {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TSelectDestinationDlg(TComponent* Owner = nullptr);
    // Raises without a Container.
    bool ShowDialogForm() override;
};

class TSelectFolderDlg : public TWizardPageDlg {
public:
    INSTALLLIB_CLASS_INFO()
    // Its Container is the product's link group.
    explicit TSelectFolderDlg(TComponent* Owner = nullptr);
    // Only a link group (or none) is taken.
    void SetContainer(TInstallContainer* Value) override;
    // Raises without a Container.
    bool ShowDialogForm() override;
};

class TGoodInstallationDlg : public TWizardPageDlg {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TGoodInstallationDlg(TComponent* Owner = nullptr);
};

class TBadInstallationDlg : public TWizardPageDlg {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TBadInstallationDlg(TComponent* Owner = nullptr);
};

class TRebootDlg : public TWizardPageDlg {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TRebootDlg(TComponent* Owner = nullptr);
};

// Registers the page components, the status window and the copy window by
// name (the script can make them).
void RegisterWizardPageClasses();

} // namespace installlib
