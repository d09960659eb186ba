#pragma once

// A form with a window as the dialogs see it, still free of widgets: a
// caption, visibility, modeless and modal showing with a modal result, and
// closing that the form may refuse. The window itself (a Qt widget, see
// ui/dialogwindows.h) is bound by a class derived from the form, which
// overrides the Window... hooks. Without a window the modal loop is played
// by ModalFormDriver (tests press the buttons there).
//
//   int result = form->ShowModal();   // returns when ModalResult is set
//   form->SetModalResult(mrOk);       // from a button: ends the modal loop

#include "setup/installlib/application.h"

#include <functional>
#include <string>

namespace installlib {

// Modal results as the buttons give them.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3 };

// What closing does with the form; caNone refuses to close.
enum TCloseAction { caNone, caHide, caFree, caMinimize };

struct TRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const TRect&) const = default;
};

class TWindowForm : public TForm {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TWindowForm(TComponent* Owner = nullptr);
    ~TWindowForm() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& Value);
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    void BringToFront() { WindowBringToFront(); }

    void SetBounds(int Left, int Top, int Width, int Height) override;
    // The window's inside; without a window the whole form.
    virtual TRect ClientRect() const { return { 0, 0, Width(), Height() }; }

    // Shows the form and waits until a modal result ends the loop; returns it.
    int ShowModal();
    bool IsModal() const { return modal_; }
    int ModalResult() const { return modalResult_; }
    // On a modal form a result other than mrNone asks FormClose; when it
    // refuses (caNone) the result goes back to mrNone and the form stays.
    void SetModalResult(int Value);
    // A modal form is closed through its modal result (mrCancel unless one
    // is set); a modeless one is hidden unless FormClose refuses.
    void Close();
    // The user asked the window to close (its close box, Alt+F4): Close by
    // default; a form whose work goes on while it is open decides otherwise.
    virtual void UserClose() { Close(); }

protected:
    // The form is about to become visible.
    virtual void FormShow() { }
    virtual void FormClose(TCloseAction& Action) { (void)Action; }

    // --- the window's side; nothing without a window ---
    virtual void WindowSetVisible(bool Value) { (void)Value; }
    virtual void WindowSetCaption(const std::string& Value) { (void)Value; }
    virtual void WindowSetBounds(int Left, int Top, int Width, int Height)
    {
        (void)Left, (void)Top, (void)Width, (void)Height;
    }
    virtual void WindowBringToFront() { }
    // The form is about to be shown modally (before it becomes visible).
    virtual void WindowBeginModal() { }
    // Runs until WindowEndModal; without a window ModalFormDriver plays it.
    virtual void WindowRunModal();
    virtual void WindowEndModal() { }

private:
    std::string caption_;
    bool visible_ = false;
    bool modal_ = false;
    int modalResult_ = mrNone;
};

// Plays the modal loop in place of the user: called once with the form when
// it is shown modally (a Qt window is shown first, and its own loop does not
// run); what it does (pressing buttons) sets the result. Tests set it.
std::function<void(TWindowForm& Form)>& ModalFormDriver();

} // namespace installlib
