#pragma once

// The message service on Qt: QMessageBox, the override cursor and
// QCoreApplication::processEvents.

#include "platform/ui/message_service.h"

class QWidget;

namespace ui {

class QtMessageService : public MessageService {
public:
    // parent: the window the boxes are modal to (may be null).
    explicit QtMessageService(QWidget* parent = nullptr)
        : parent_(parent)
    {
    }
    void setParent(QWidget* parent) { parent_ = parent; }
    // Boxes come up above the windows of other programs (a refusal while
    // another program's window is in front).
    void setOnTop(bool onTop) { onTop_ = onTop; }

    Answer show(MessageKind kind, const std::string& caption, const std::string& text, Buttons buttons) override;
    void pushBusyCursor() override;
    void popBusyCursor() override;
    void processMessages() override;

private:
    QWidget* parent_;
    bool onTop_ = false;
};

} // namespace ui
