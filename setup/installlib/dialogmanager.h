#pragma once

// TDialogManager: one moment of the installation (before install, after a
// good or a bad install, during copying, change of disk, reboot). When the
// engine broadcasts that moment's code the manager shows the pages of the
// dialog components that name it as one modal wizard, in their Order; the
// copy manager keeps its progress forms up to date and closes them when the
// work ends.
//
//   auto* before = new TDialogManager(&form);
//   before->SetContainer(install);           // dmBeforeInstall by default
//   welcome->SetDialogManager(before);       // -980 now shows the wizard

#include "setup/installlib/dialogforms.h"
#include "setup/installlib/dialogregistry.h"
#include "setup/installlib/installcontainer.h"

#include <vector>

namespace installlib {

class TCustomBaseInstallDlg;

// The information code that starts each manager type (-998 for the copy
// manager, which also reacts to -988 and -996).
int ManagerTypeCode(TManagerType Type);

class TDialogManager : public TInstallObject {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TDialogManager(TComponent* Owner = nullptr);
    // Frees its open copy forms.
    ~TDialogManager() override;

    int Height = 395;
    TManagerType ManagerType = dmBeforeInstall;
    TQuorleDialogPosition Position = qdpCenter;
    int RelativeLeftOffset = 0;
    int RelativeTopOffset = 0;
    int Width = 478;

    int RegisteredType() override;
    void ReceiveInformationCode(TInstallContainer* Container, int Code, TObject* PO) override;
    void ContainerDestroyed(TInstallContainer* Obj) override;

    // --- virtual operations ---
    // The modal wizard; EAIUserAbort when it was aborted.
    virtual void ShowDialogs();
    virtual void ShowChangeDisk(TObject* Parameters);
    // Null raises Exception.
    virtual void AddDialog(TCustomBaseInstallDlg* Dialog);
    virtual void RemoveDialog(TCustomBaseInstallDlg* Dialog);

    const std::vector<TCustomBaseInstallDlg*>& Dialogs() const { return dialogs_; }

    // --- the forms shown while files are copied ---
    const std::vector<TBaseDuringCopyForm*>& CopyForms() const { return copyForms_; }
    void CreateCopyForms();
    // Creates the forms when none are open, then passes the status on.
    void UpdateCopyForms(TFileStatusParameter* FileStatus, TDownloadStatusParameter* DownloadStatus);
    void CloseCopyForms();

private:
    std::vector<TBaseDuringCopyForm*> copyForms_;
    std::vector<TCustomBaseInstallDlg*> dialogs_;
};

// Registers TDialogManager by name (library start-up).
void RegisterDialogClasses();

} // namespace installlib
