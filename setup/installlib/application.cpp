#include "setup/installlib/application.h"

#include "platform/ui/message_service.h"
#include "platform/win/machine.h"

namespace installlib {

INSTALLLIB_DEFINE_COMPONENT_CLASS(TCustomForm, TComponent)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TForm, TCustomForm)
INSTALLLIB_DEFINE_COMPONENT_CLASS(TDataModule, TComponent)

TCustomForm::TCustomForm(TComponent* Owner)
    : TComponent(Owner)
{
}

void TCustomForm::SetBounds(int Left, int Top, int Width, int Height)
{
    left_ = Left;
    top_ = Top;
    width_ = Width;
    height_ = Height;
}

void TCustomForm::Activate()
{
    if (OnActivate)
        Application().Guard([&] { OnActivate(this); });
}

std::string TApplication::ParamStr(int Index) const
{
    if (Index == 0)
        return ProgramFile();
    if (Index < 0 || Index > ParamCount())
        return {};
    return Arguments[static_cast<std::size_t>(Index - 1)];
}

std::string TApplication::ProgramFile() const
{
    if (!ExeName.empty())
        return ExeName;
    return win::Machine::hasCurrent() ? win::Machine::current().moduleFileName() : std::string();
}

void TApplication::Terminate()
{
    terminated_ = true;
    if (OnTerminate)
        OnTerminate();
}

void TApplication::ShowException(const std::exception& E)
{
    ui::MessageService::current().error(Title, E.what());
}

void TApplication::HandleException(const std::exception& E)
{
    if (!OnException) {
        ShowException(E);
        return;
    }
    try {
        OnException(nullptr, E);
    } catch (const std::exception& second) {
        ShowException(second);
    } catch (...) {
        ShowException(std::runtime_error("Unknown exception"));
    }
}

void TApplication::Reset()
{
    *this = TApplication();
}

TApplication& Application()
{
    static TApplication application;
    return application;
}

void RegisterFormClasses()
{
    RegisterClass(TCustomForm::StaticClass());
    RegisterClass(TForm::StaticClass());
    RegisterClass(TDataModule::StaticClass());
}

} // namespace installlib
