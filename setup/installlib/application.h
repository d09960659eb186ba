#pragma once

// The application and its forms as the install library sees them, without
// any widget: the main form with its activation event and bounds, the
// program's arguments and file, termination and the application-wide
// exception handler. The setup program's window (a Qt widget) derives from
// or drives a TForm: it calls Activate() when the window is activated and
// shows what SetBounds/Maximize/Refresh ask for.
//
// Qt has no application-wide exception hook, so every entry point and event
// handler of the library runs its work through Application().Guard(...):
// an exception goes to OnException when one is installed (the install
// engine's failure handler), else it is shown in the standard way (an error
// box with the application's title). No exception crosses the event loop.

#include "setup/installlib/component.h"

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace installlib {

using TFormNotifyEvent = std::function<void(TObject* Sender)>;

enum TWindowState { wsNormal, wsMinimized, wsMaximized };

// A form: a component that owns the components of one window.
class TCustomForm : public TComponent {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TCustomForm(TComponent* Owner = nullptr);

    TFormNotifyEvent OnActivate;

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    TWindowState WindowState() const { return windowState_; }

    // A window bound to the form overrides these to follow them.
    virtual void SetBounds(int Left, int Top, int Width, int Height);
    virtual void SetWindowState(TWindowState State) { windowState_ = State; }
    virtual void Refresh() { ++refreshCount_; }
    int RefreshCount() const { return refreshCount_; }

    // The window became the active one: fires OnActivate, exceptions routed
    // through Application().Guard.
    void Activate();

private:
    int left_ = 0, top_ = 0, width_ = 640, height_ = 480;
    TWindowState windowState_ = wsNormal;
    int refreshCount_ = 0;
};

class TForm : public TCustomForm {
public:
    INSTALLLIB_CLASS_INFO()
    using TCustomForm::TCustomForm;
};

// A container of non-visual components without a window.
class TDataModule : public TComponent {
public:
    INSTALLLIB_CLASS_INFO()
    using TComponent::TComponent;
};

using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;

class TApplication {
public:
    // Caption of the standard error box; empty uses the message service's default.
    std::string Title;
    // The main form (the first form the program made); may be null.
    TCustomForm* MainForm = nullptr;
    // The program's arguments, without the program itself (ParamStr(1) on).
    std::vector<std::string> Arguments;
    // The program file on the machine; empty means the machine's module file.
    std::string ExeName;
    // The library runs inside a library (a control on a web page) rather
    // than as a program: paths come from the module file, no clean-up batch.
    bool IsLibrary = false;

    // The application-wide exception handler; empty shows the exception.
    TExceptionEvent OnException;
    // What Terminate asks the event loop to do (QCoreApplication::quit).
    std::function<void()> OnTerminate;

    // ParamStr(Index): 0 the program file, 1.. the arguments; empty beyond.
    std::string ParamStr(int Index) const;
    int ParamCount() const { return static_cast<int>(Arguments.size()); }
    // The program file (ExeName, else the module file of the machine).
    std::string ProgramFile() const;

    // Asks the program to end when control returns to its message loop.
    void Terminate();
    bool Terminated() const { return terminated_; }

    // The error box with the exception's message.
    void ShowException(const std::exception& E);
    // OnException when set, else ShowException; an exception the handler
    // raises in turn is shown and never passed on.
    void HandleException(const std::exception& E);

    // Runs Work; an exception goes to HandleException. True when none arose.
    template <class F> bool Guard(F&& Work)
    {
        try {
            Work();
            return true;
        } catch (const std::exception& e) {
            HandleException(e);
        } catch (...) {
            HandleException(std::runtime_error("Unknown exception"));
        }
        return false;
    }

    // Back to the state of a new program (tests).
    void Reset();

private:
    bool terminated_ = false;
};

// The one application object of the program.
TApplication& Application();

// Registers the form classes by name (library start-up).
void RegisterFormClasses();

} // namespace installlib
