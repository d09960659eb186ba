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

    Answer show(MessageKind kind, const std::string& caption, const std::string& text, Buttons buttons) override;
    void pushBusyCursor() override;
    void popBusyCursor() override;
    void processMessages() override;

private:
    QWidget* parent_;
};

} // namespace ui
