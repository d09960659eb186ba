#include "platform/ui/program_messages.h"

#include <QGuiApplication>

#include <cstdio>

namespace ui {

bool WindowsAreSeen()
{
    if (!QGuiApplication::instance())
        return false;
    const QString platform = QGuiApplication::platformName();
    return platform != "offscreen" && platform != "minimal";
}

Answer ProgramMessageService::show(
    MessageKind kind, const std::string& caption, const std::string& text, Buttons buttons)
{
    std::fprintf(stderr, "%s: %s\n", program_.c_str(), text.c_str());
    std::fflush(stderr);
    if (WindowsAreSeen())
        return QtMessageService::show(kind, caption, text, buttons);
    return buttons == Buttons::Ok ? Answer::Ok : buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
}

} // namespace ui
