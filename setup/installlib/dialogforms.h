#pragma once

// The forms of the install dialogs, free of widgets:
// - TBaseQuorleForm, base of every dialog form: its font and translation
//   settings and the translation step;
// - TBaseInstallForm, base of every wizard page: its dialog component and
//   manager, its order and the page's part in the wizard (first or last
//   page, Next, Previous, Cancel);
// - TBaseDuringCopyForm, base of the forms shown while files are copied;
// - TBaseFormContainer, the wizard window that holds one manager's pages
//   and moves between them.
// A form with a real window derives from these and binds its widgets
// (ui/dialogwindows.h); TranslateTexts and ApplyFormFonts are where the
// widgets are translated.

#include "setup/installlib/dialogplacement.h"
#include "setup/installlib/messageparameters.h"
#include "setup/installlib/translator.h"
#include "setup/installlib/windowform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace installlib {

class TCustomBaseInstallDlg;
class TDialogManager;
class TInstallContainer;

// The font and translation settings a form or its dialog component carries.
struct TTranslationSettings {
    bool AutoSetFont = true;
    bool AutoTranslate = true;
    bool OverrideMainTranslator = false;
    TQrleLanguage TranslateIntoLanguage = qgUser;
};

class TBaseQuorleForm : public TWindowForm {
public:
    INSTALLLIB_CLASS_INFO()
    // The font's character set becomes ANSI; the form joins the library's
    // list of forms for its lifetime.
    explicit TBaseQuorleForm(TComponent* Owner = nullptr);
    ~TBaseQuorleForm() override;

    bool AutoSetFont = true;
    bool AutoTranslate = true;
    TInstallContainer* Container = nullptr;
    // The language the form's texts are in now.
    TQrleLanguage Language = qgEnglish;
    bool OverrideMainTranslator = false;
    TQrleLanguage TranslateIntoLanguage = qgUser;
    std::uint8_t FontCharset = 0; // ANSI_CHARSET

    virtual void Retranslate() { TranslateForm(); }
    // Each form fills its controls here.
    virtual void UpdateDisplay() { }
    // Fonts and texts for the target language (the form's own target when
    // OverrideMainTranslator is set), then pending window messages run.
    virtual void TranslateForm();

    // Fonts and texts with these settings, from the language Current; returns
    // the language the texts are in afterwards. Used by TranslateForm and by
    // a dialog component translating its live form.
    TQrleLanguage TranslateWith(const TTranslationSettings& Settings, TQrleLanguage Current);

protected:
    // The widgets' side. Without widgets the texts are "translated" to the
    // language the global translator would give them.
    virtual TQrleLanguage TranslateTexts(TQrleLanguage Source, const TQrleLanguage* Into);
    virtual void ApplyFormFonts(const TQrleLanguage* Into) { (void)Into; }
};

class TBaseInstallForm : public TBaseQuorleForm {
public:
    INSTALLLIB_CLASS_INFO()
    using TBaseQuorleForm::TBaseQuorleForm;

    TCustomBaseInstallDlg* DC = nullptr;
    TDialogManager* DM = nullptr;
    int Order = 0;

    virtual bool IsFirstPage();
    virtual bool IsLastPage();
    virtual void PageLeaving() { }
    // Ends the wizard (or the page shown alone) as aborted, without asking.
    virtual void AbortWizard();
    virtual void NextPage();
    virtual void PreviousPage();
    // The page became the current one.
    virtual void PageActivated();
    // True passes the page over in both directions.
    virtual bool SkipPage() { return false; }
    // Asks the engine whether the user may abort; if so, as AbortWizard.
    virtual void CancelWizard();
    // A change-disk form takes the disk asked for here before it is shown.
    virtual void SetDiskParameter(TDiskParameter* Disk) { (void)Disk; }

protected:
    // The wizard window the page lies in; null for a page shown alone.
    class TBaseFormContainer* OwningContainer() const;
    // The window a modal result goes to: the wizard, else the page itself.
    TWindowForm& ModalTarget();
};

class TBaseDuringCopyForm : public TBaseQuorleForm {
public:
    INSTALLLIB_CLASS_INFO()
    using TBaseQuorleForm::TBaseQuorleForm;

    TDialogManager* DM = nullptr;

    // Asks the engine whether the user may abort; if so, the shared archive
    // and the downloads stop at their next check. The modal result becomes
    // Abort either way.
    virtual void CancelCopy();
    // One of the two is given, the other is null.
    virtual void UpdateStatus(TFileStatusParameter* FileStatus, TDownloadStatusParameter* DownloadStatus)
    {
        (void)FileStatus, (void)DownloadStatus;
    }
};

enum TPageDirection { pdBackward, pdForward };

class TBaseFormContainer : public TWindowForm {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TBaseFormContainer(TComponent* Owner = nullptr);
    ~TBaseFormContainer() override;

    // --- the wizard ---
    // Makes the pages of the current dialog manager; returns their number.
    int BuildPages();
    const std::vector<TBaseInstallForm*>& Pages() const { return pages_; }
    int PageCount() const { return static_cast<int>(pages_.size()); }
    // The tab index: the current page, -1 before the first is shown.
    int TabIndex() const { return tabIndex_; }
    const std::vector<std::string>& TabTexts() const { return tabs_; }
    bool Finished() const { return finished_; }

    // Shows page Index, or the nearest one in Direction that is not skipped.
    bool ShowPage(int Index, TPageDirection Direction);
    virtual void NextPage();
    virtual bool PreviousPage();
    bool IsFirstPage();
    bool IsLastPage();
    // Left and top from the screen, the form's size and the offsets.
    virtual void PlaceOnScreen(TQuorleDialogPosition Position, int LeftOffset, int TopOffset);

    // --- handlers ---
    void FormCreate();
    void FormResize();
    // The tab control changed its selection itself (never when the wizard
    // sets the index).
    void TabsChanging();
    void TabsChange(int NewIndex);

    // Where the pages lie: the display panel, the whole inside by default.
    virtual TRect DisplayPanelRect() const { return ClientRect(); }
    virtual TScreenMetrics Screen() const { return DefaultScreenMetrics(); }
    // A change of size moves the pages with the display panel.
    void SetBounds(int Left, int Top, int Width, int Height) override;

protected:
    void FormShow() override;
    void FormClose(TCloseAction& Action) override;
    // The tab control's side: a tab added, the index set without its events.
    virtual void TabsAdded(const std::string& Text) { (void)Text; }
    virtual void TabIndexSet(int Index) { (void)Index; }

private:
    void setTabIndex(int Index);

    std::vector<TBaseInstallForm*> pages_;
    std::vector<std::string> tabs_;
    int tabIndex_ = -1;
    bool resizing_ = false;
    bool finished_ = false;
};

// The class ShowDialogs makes its wizard window of; the Qt windows put
// theirs here when they start. Null goes back to TBaseFormContainer.
const TMetaClass& FormContainerClass();
void SetFormContainerClass(const TMetaClass* Class);

// True when the engine lets the user abort (its OnUserAbort); True without
// an engine.
bool UserMayAbort();

} // namespace installlib
