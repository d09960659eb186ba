#pragma once

// The message service of a program that may run where nobody sees its
// windows (a build started by a script, under the offscreen platform):
// every box's text goes to standard error as well, prefixed with the
// program's name, and where the window system shows nothing (the offscreen
// or minimal platform) no box is waited on: it is answered as if closed
// (Ok, No or Cancel).

#include "platform/ui/qt_message_service.h"

#include <string>

namespace ui {

class ProgramMessageService : public QtMessageService {
public:
    explicit ProgramMessageService(std::string program, QWidget* parent = nullptr)
        : QtMessageService(parent)
        , program_(std::move(program))
    {
    }

    Answer show(MessageKind kind, const std::string& caption, const std::string& text, Buttons buttons) override;

private:
    std::string program_;
};

// False under a window system that shows nothing. Before there is an
// application, says whether one made now would show its windows (a
// platform that shows them, or a display to show them on).
bool WindowsAreSeen();

} // namespace ui
