#include "platform/ui/message_service.h"

namespace ui {

namespace {
MessageService* g_service = nullptr;

Answer firstButton(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
    case Buttons::OkCancel:
        return Answer::Ok;
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        return Answer::Yes;
    case Buttons::RetryCancel:
        return Answer::Retry;
    case Buttons::AbortRetryIgnore:
        return Answer::Abort;
    }
    return Answer::Ok;
}
} // namespace

MessageService& MessageService::current()
{
    if (g_service)
        return *g_service;
    // Without a window (tools, tests that set nothing) boxes take their first button.
    static ScriptedMessageService fallback;
    return fallback;
}

void MessageService::setCurrent(MessageService* service)
{
    g_service = service;
}

Answer ScriptedMessageService::show(
    MessageKind kind, const std::string& caption, const std::string& text, Buttons buttons)
{
    asked_.push_back(Asked { kind, caption, text, buttons });
    if (showHook_)
        showHook_(asked_.back());
    if (nextAnswer_ < answers_.size())
        return answers_[nextAnswer_++];
    return firstButton(buttons);
}

void ScriptedMessageService::pushBusyCursor()
{
    ++busyDepth_;
    if (busyDepth_ > maxBusyDepth_)
        maxBusyDepth_ = busyDepth_;
}

void ScriptedMessageService::popBusyCursor()
{
    if (busyDepth_ > 0)
        --busyDepth_;
}

void ScriptedMessageService::processMessages()
{
    ++processCount_;
    if (processHook_)
        processHook_();
}

} // namespace ui
