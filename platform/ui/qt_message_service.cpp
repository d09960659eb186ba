#include "platform/ui/qt_message_service.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>

namespace ui {

namespace {

QMessageBox::StandardButtons toQt(Buttons buttons)
{
    switch (buttons) {
    case Buttons::Ok:
        return QMessageBox::Ok;
    case Buttons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case Buttons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case Buttons::RetryCancel:
        return QMessageBox::Retry | QMessageBox::Cancel;
    case Buttons::AbortRetryIgnore:
        return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    }
    return QMessageBox::Ok;
}

Answer fromQt(int button, Buttons buttons)
{
    switch (button) {
    case QMessageBox::Ok:
        return Answer::Ok;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Abort:
        return Answer::Abort;
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Ignore:
        return Answer::Ignore;
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    default:
        // Closed with Escape or the title bar: what Windows reports then.
        return (buttons == Buttons::Ok)                                           ? Answer::Ok
            : (buttons == Buttons::YesNo || buttons == Buttons::AbortRetryIgnore) ? Answer::No
                                                                                  : Answer::Cancel;
    }
}

} // namespace

Answer QtMessageService::show(MessageKind kind, const std::string& caption, const std::string& text, Buttons buttons)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (kind) {
    case MessageKind::Information:
        icon = QMessageBox::Information;
        break;
    case MessageKind::Warning:
        icon = QMessageBox::Warning;
        break;
    case MessageKind::Error:
        icon = QMessageBox::Critical;
        break;
    case MessageKind::Question:
        icon = QMessageBox::Question;
        break;
    }
    QString title = caption.empty() ? QCoreApplication::applicationName() : QString::fromStdString(caption);
    QMessageBox box(icon, title, QString::fromStdString(text), toQt(buttons), parent_);
    // The normal cursor while the user decides, whatever work is going on.
    bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    int result = box.exec();
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    return fromQt(result, buttons);
}

void QtMessageService::pushBusyCursor()
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtMessageService::popBusyCursor()
{
    if (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

void QtMessageService::processMessages()
{
    QCoreApplication::processEvents();
}

} // namespace ui
