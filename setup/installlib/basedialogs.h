#pragma once

// The dialog components: non-visual install objects (type 9000) that stand
// for one dialog form each. With a dialog manager the form is one page of
// that manager's wizard; without one the component shows it alone, modally,
// when its own information code arrives (the page components decide which).
// A component's live form is the form being shown for it, null otherwise.

#include "setup/installlib/dialogforms.h"
#include "setup/installlib/installcontainer.h"

#include <string>

namespace installlib {

class TDialogManager;

class TCustomBaseInstallDlg : public TInstallObject {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TCustomBaseInstallDlg(TComponent* Owner = nullptr);
    // Takes its entries out of the form registries.
    ~TCustomBaseInstallDlg() override;

    bool AutoSetFont = true;
    bool AutoTranslate = true;
    // The language the live form's texts are in.
    TQrleLanguage Language = qgEnglish;
    int Height = 0;
    bool OverrideMainTranslator = false;
    TQuorleDialogPosition Position = qdpCenter;
    int RelativeLeftOffset = 0;
    int RelativeTopOffset = 0;
    TQrleLanguage TranslateIntoLanguage = qgUser;
    int Width = 0;
    TNotifyEvent OnAfterExecute;
    TNotifyEvent OnBeforeExecute;

    TBaseQuorleForm* LiveForm() const { return liveForm_; }
    // Cleared by itself when the form is freed.
    void SetLiveForm(TBaseQuorleForm* Form);
    TDialogManager* DialogManager() const { return dialogManager_; }
    // The picture data of the theme image; empty takes the engine's.
    const std::string& ThemeBitmap() const { return themeBitmap_; }

    int RegisteredType() override;

    // --- virtual operations ---
    // Leaves the old manager's list and joins the new one's.
    virtual void SetDialogManager(TDialogManager* Manager);
    virtual void SetThemeBitmap(const std::string& Picture) { themeBitmap_ = Picture; }
    // Fonts and texts of the live form with the component's settings.
    void Translate() override;
    // Hands the component's settings to the live form; raises without one.
    virtual void AssignDialogProperties();
    // OnBeforeExecute, ShowDialogForm, OnAfterExecute; False on EAbort.
    virtual bool ExecuteDialog();
    // The form alone, modally: True for OK, EAIUserAbort otherwise; True at
    // once when the component is not enabled.
    virtual bool ShowDialogForm();
    virtual const TMetaClass& FormClass() = 0;
    virtual bool IsEnabled() { return true; }

    void ContainerDestroyed(TInstallContainer* Obj) override;

    // The component's settings as a form takes them.
    TTranslationSettings TranslationSettings() const;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Stores the manager without joining its list (a page component's
    // constructor takes the manager it finds this way).
    void StoreDialogManager(TDialogManager* Manager) { dialogManager_ = Manager; }

private:
    TBaseQuorleForm* liveForm_ = nullptr;
    TDialogManager* dialogManager_ = nullptr;
    std::string themeBitmap_;
};

// The component as the install script publishes it.
class TBaseInstallDlg : public TCustomBaseInstallDlg {
public:
    INSTALLLIB_CLASS_INFO()
    using TCustomBaseInstallDlg::TCustomBaseInstallDlg;
};

// The engine's theme picture; empty without an engine.
std::string EngineThemeBitmap();
// The picture a page of Dialog shows: the component's own, else the engine's.
std::string AssignThemeBitmap(const TCustomBaseInstallDlg& Dialog);

} // namespace installlib
