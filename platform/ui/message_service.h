#pragma once

// How the install library talks to the user outside its dialogs: message
// boxes, the busy cursor, and letting pending window messages run during long
// loops. The library calls MessageService::current(); a program installs the
// Qt implementation (qt_message_service.h), tests the scripted one.
//
//   ui::MessageService::setCurrent(&service);
//   if (ui::MessageService::current().question("Setup", "Please insert disk #2",
//           ui::Buttons::OkCancel) == ui::Answer::Cancel) ...
//   { ui::BusyCursor busy; longWork(); }   // hourglass while it lives

#include <functional>
#include <string>
#include <vector>

namespace ui {

enum class MessageKind { Information, Warning, Error, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
// Numbers as MessageBox returns them (IDOK ...).
enum class Answer { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

class MessageService {
public:
    virtual ~MessageService() = default;

    // Shows a box and waits for the answer. An empty caption means the
    // application's title.
    virtual Answer show(MessageKind kind, const std::string& caption, const std::string& text, Buttons buttons) = 0;

    Answer information(const std::string& caption, const std::string& text)
    {
        return show(MessageKind::Information, caption, text, Buttons::Ok);
    }
    Answer warning(const std::string& caption, const std::string& text)
    {
        return show(MessageKind::Warning, caption, text, Buttons::Ok);
    }
    Answer error(const std::string& caption, const std::string& text)
    {
        return show(MessageKind::Error, caption, text, Buttons::Ok);
    }
    Answer question(const std::string& caption, const std::string& text, Buttons buttons = Buttons::YesNo)
    {
        return show(MessageKind::Question, caption, text, buttons);
    }

    // The hourglass; pushes nest and every push needs its pop.
    virtual void pushBusyCursor() = 0;
    virtual void popBusyCursor() = 0;
    // Lets pending window messages run (a Cancel button's click, repaints).
    virtual void processMessages() = 0;

    // The service the library uses; a scripted service that answers Ok when
    // none was set.
    static MessageService& current();
    // Does not take ownership; nullptr goes back to the default.
    static void setCurrent(MessageService* service);
};

// The busy cursor for the lifetime of the object.
class BusyCursor {
public:
    explicit BusyCursor(MessageService& service = MessageService::current())
        : service_(service)
    {
        service_.pushBusyCursor();
    }
    ~BusyCursor() { service_.popBusyCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    MessageService& service_;
};

// For tests: answers from a queue and records what was asked.
class ScriptedMessageService : public MessageService {
public:
    struct Asked {
        MessageKind kind;
        std::string caption;
        std::string text;
        Buttons buttons;
    };

    Answer show(MessageKind kind, const std::string& caption, const std::string& text, Buttons buttons) override;
    void pushBusyCursor() override;
    void popBusyCursor() override;
    void processMessages() override;

    // Queued answers are used in order; with none left the box gets its first
    // button (Ok, Yes, Retry or Abort).
    void queueAnswer(Answer answer) { answers_.push_back(answer); }
    // Called on every box before it is answered (e.g. to swap a floppy).
    void onShow(std::function<void(const Asked&)> hook) { showHook_ = std::move(hook); }
    // Called on every processMessages (e.g. to press Cancel during a loop).
    void onProcessMessages(std::function<void()> hook) { processHook_ = std::move(hook); }

    const std::vector<Asked>& asked() const { return asked_; }
    int busyDepth() const { return busyDepth_; }
    int maxBusyDepth() const { return maxBusyDepth_; }
    int processCount() const { return processCount_; }

private:
    std::vector<Answer> answers_;
    size_t nextAnswer_ = 0;
    std::vector<Asked> asked_;
    std::function<void(const Asked&)> showHook_;
    std::function<void()> processHook_;
    int busyDepth_ = 0;
    int maxBusyDepth_ = 0;
    int processCount_ = 0;
};

} // namespace ui
