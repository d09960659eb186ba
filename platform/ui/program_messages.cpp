#include "platform/ui/program_messages.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace ui {

bool WindowsAreSeen()
{
    if (QGuiApplication::instance()) {
        const QString platform = QGuiApplication::platformName();
        return platform != "offscreen" && platform != "minimal";
    }
    // No application yet: the one that would be made takes its platform
    // from the environment, and needs a display unless one is named.
    const char* named = std::getenv("QT_QPA_PLATFORM");
    const std::string platform = named ? named : "";
    if (platform.rfind("offscreen", 0) == 0 || platform.rfind("minimal", 0) == 0)
        return false;
    return !platform.empty() || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
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
