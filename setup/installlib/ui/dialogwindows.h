#pragma once

// The dialog framework's windows on Qt:
// - TQtFormContainer, the wizard window: no close box, Alt+F4 refused, a
//   display panel where the pages lie and an invisible tab bar whose index
//   is the current page;
// - TQtInstallForm, base of wizard pages with widgets: inside a wizard its
//   widget is a child of the display panel, alone it is a dialog window;
// - TQtDuringCopyForm, base of the copy-progress windows (modeless).
// RegisterDialogWindows makes the dialog managers build their wizards in
// TQtFormContainer and places them on the primary screen.
//
//   class TMyPage : public TQtInstallForm { ... build widgets in Widget() ... };
//   page->ConnectButton(next, waNext, mrNone);   // Next calls NextPage
//                                                // when CanProceed

#include "setup/installlib/dialogforms.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QAbstractButton;
class QEventLoop;
class QTabBar;

namespace installlib {

// The widget of a library form: tells the form about closing and resizing.
class TFormWidget : public QWidget {
    Q_OBJECT
public:
    TFormWidget(TWindowForm& Form, QWidget* Parent, Qt::WindowFlags Flags);
    std::function<void()> OnResize;

protected:
    void closeEvent(QCloseEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;

private:
    TWindowForm& form_;
};

// The window side shared by the three form classes.
class TQtFormWindow {
public:
    TQtFormWindow(TWindowForm& Form, QWidget* Parent, Qt::WindowFlags Flags);
    ~TQtFormWindow();
    TQtFormWindow(const TQtFormWindow&) = delete;
    TQtFormWindow& operator=(const TQtFormWindow&) = delete;

    // Null once Qt has freed it with its parent.
    TFormWidget* Widget() const { return widget_; }
    void SetVisible(bool Value);
    void SetCaption(const std::string& Value);
    void SetBounds(int Left, int Top, int Width, int Height);
    TRect ClientRect() const;
    // Application-modal from before it is shown, so that no other window of
    // the program takes input while it is open.
    void BeginModal();
    // The modal loop; with a ModalFormDriver set (a scripted user) the
    // driver plays it instead, on the shown window.
    void RunModal();
    void EndModal();

private:
    TWindowForm& form_;
    QPointer<TFormWidget> widget_;
    QEventLoop* loop_ = nullptr;
    bool endRequested_ = false;
};

// The screen a window is placed on: the primary screen's size and the
// style's caption height.
TScreenMetrics PrimaryScreenMetrics();

// Raises a window; a page inside the wizard also hides the pages under it.
void BringWidgetToFront(QWidget* Widget);

// The library forms' own font on Window: Arial, 11 pixels high.
void ApplyFormFont(QWidget* Window);
// Window's text in black, whatever the desktop's colours.
void SetBlackText(QWidget* Window);

// A library form with its window: the form's window operations go to it.
template <class Base> class TQtWindowed : public Base {
public:
    TQtWindowed(TComponent* Owner, QWidget* Parent, Qt::WindowFlags Flags)
        : Base(Owner)
        , window_(*this, Parent, Flags)
    {
    }
    QWidget* Widget() const { return window_.Widget(); }
    TRect ClientRect() const override { return window_.ClientRect(); }

protected:
    void WindowSetVisible(bool Value) override { window_.SetVisible(Value); }
    void WindowSetCaption(const std::string& Value) override { window_.SetCaption(Value); }
    void WindowSetBounds(int Left, int Top, int Width, int Height) override
    {
        window_.SetBounds(Left, Top, Width, Height);
    }
    void WindowBringToFront() override { BringWidgetToFront(window_.Widget()); }
    void WindowBeginModal() override { window_.BeginModal(); }
    void WindowRunModal() override { window_.RunModal(); }
    void WindowEndModal() override { window_.EndModal(); }

    TQtFormWindow window_;
};

class TQtFormContainer : public TQtWindowed<TBaseFormContainer> {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TQtFormContainer(TComponent* Owner = nullptr);
    ~TQtFormContainer() override;

    QWidget* DisplayPanel() const { return displayPanel_; }
    QTabBar* Tabs() const { return tabs_; }

    TRect DisplayPanelRect() const override;
    TScreenMetrics Screen() const override { return PrimaryScreenMetrics(); }

protected:
    void TabsAdded(const std::string& Text) override;
    void TabIndexSet(int Index) override;

private:
    QWidget* displayPanel_ = nullptr;
    QTabBar* tabs_ = nullptr;
};

// What a page's button does before it hands on its modal result.
enum TWizardAction { waNone, waPrevious, waNext, waCancel };

class TQtInstallForm : public TQtWindowed<TBaseInstallForm> {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TQtInstallForm(TComponent* Owner = nullptr);
    ~TQtInstallForm() override;

    // A click runs Action, then gives the form ModalResult when it is not
    // mrNone (which ends the page's modal loop when it is shown alone).
    // Failures go to the application's exception handler.
    void ConnectButton(QAbstractButton* Button, TWizardAction Action, int ModalResult);
    // Changes the modal result a connected button hands on.
    static void SetButtonModalResult(QAbstractButton* Button, int ModalResult);
    // Next may leave the page; a page checks what was typed here.
    virtual bool CanProceed() { return true; }

protected:
    TQrleLanguage TranslateTexts(TQrleLanguage Source, const TQrleLanguage* Into) override;
    void ApplyFormFonts(const TQrleLanguage* Into) override;
};

class TQtDuringCopyForm : public TQtWindowed<TBaseDuringCopyForm> {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TQtDuringCopyForm(TComponent* Owner = nullptr);
    ~TQtDuringCopyForm() override;

protected:
    TQrleLanguage TranslateTexts(TQrleLanguage Source, const TQrleLanguage* Into) override;
    void ApplyFormFonts(const TQrleLanguage* Into) override;
};

// The texts of Widget and the widgets inside it, and the form's caption,
// translated for a library form (into its own target language when Into is
// given); returns the language the texts are in afterwards.
TQrleLanguage TranslateFormWidget(TBaseQuorleForm& Form, QWidget* Widget, TQrleLanguage Source, const TQrleLanguage* Into);
// The fonts of Widget and the widgets inside it for the target language.
void ApplyFormWidgetFonts(QWidget* Widget, const TQrleLanguage* Into);

// Dialog managers build their wizards in TQtFormContainer and copy windows
// are placed on the primary screen from now on.
void RegisterDialogWindows();

} // namespace installlib
