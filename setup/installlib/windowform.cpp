#include "setup/installlib/windowform.h"

#include "setup/installlib/installlibrary.h"

namespace installlib {

INSTALLLIB_DEFINE_COMPONENT_CLASS(TWindowForm, TForm)

std::function<void(TWindowForm& Form)>& ModalFormDriver()
{
    static std::function<void(TWindowForm&)> driver;
    return driver;
}

TWindowForm::TWindowForm(TComponent* Owner)
    : TForm(Owner)
{
}

TWindowForm::~TWindowForm() = default;

void TWindowForm::SetCaption(const std::string& Value)
{
    caption_ = Value;
    WindowSetCaption(Value);
}

void TWindowForm::SetVisible(bool Value)
{
    if (Value == visible_)
        return;
    visible_ = Value;
    if (Value)
        FormShow();
    WindowSetVisible(Value);
}

void TWindowForm::SetBounds(int Left, int Top, int Width, int Height)
{
    TForm::SetBounds(Left, Top, Width, Height);
    WindowSetBounds(Left, Top, Width, Height);
}

int TWindowForm::ShowModal()
{
    modalResult_ = mrNone;
    modal_ = true;
    try {
        WindowBeginModal();
        Show();
        if (modalResult_ == mrNone) // showing may already have ended it
            WindowRunModal();
    } catch (...) {
        modal_ = false;
        Hide();
        throw;
    }
    modal_ = false;
    Hide();
    return modalResult_;
}

void TWindowForm::WindowRunModal()
{
    if (ModalFormDriver())
        ModalFormDriver()(*this);
}

void TWindowForm::SetModalResult(int Value)
{
    modalResult_ = Value;
    if (!modal_ || Value == mrNone)
        return;
    TCloseAction action = caHide;
    FormClose(action);
    if (action == caNone) {
        modalResult_ = mrNone;
        return;
    }
    WindowEndModal();
}

void TWindowForm::Close()
{
    if (modal_) {
        SetModalResult(modalResult_ != mrNone ? modalResult_ : static_cast<int>(mrCancel));
        return;
    }
    TCloseAction action = caHide;
    FormClose(action);
    if (action != caNone)
        Hide();
}

} // namespace installlib
