#include "platform/ui/qt_message_service.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace ui {

namespace {

// A place where a line may break; it takes no room on screen.
constexpr QChar kBreak(0x200B);

// A box sizes itself to the widest run of text without a blank, so a long
// path made it wider than the screen and cut it. A run wider than Widest
// may therefore break after each backslash or slash, and a part of it still
// wider after any character.
QString breakableText(const QString& text, const QFontMetrics& metrics, int widest)
{
    QString out;
    auto addRun = [&](const QString& run) {
        if (metrics.horizontalAdvance(run) <= widest) {
            out += run;
            return;
        }
        QString part;
        for (const QChar c : run) {
            if (!part.isEmpty() && metrics.horizontalAdvance(part + c) > widest) {
                out += part + kBreak;
                part.clear();
            }
            part += c;
            if (c == u'\\' || c == u'/') {
                out += part + kBreak;
                part.clear();
            }
        }
        out += part;
    };
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (text[i].isSpace()) {
            addRun(text.mid(start, i - start));
            out += text[i];
            start = i + 1;
        }
    addRun(text.mid(start));
    return out;
}

// Copies its text without the break marks.
class MessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        QMessageBox::keyPressEvent(event);
        if (event == QKeySequence::Copy)
            if (QClipboard* clipboard = QGuiApplication::clipboard())
                clipboard->setText(clipboard->text().remove(kBreak));
    }
};

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
    MessageBox box(icon, title, QString(), toQt(buttons), parent_);
    // No unbroken part wider than a third of the screen: the box stays
    // within the screen and wraps the rest.
    const QScreen* screen = parent_ ? parent_->screen() : QGuiApplication::primaryScreen();
    const int widest = screen ? std::max(200, screen->availableGeometry().width() / 3) : 340;
    box.setText(breakableText(QString::fromStdString(text), QFontMetrics(box.font()), widest));
    QTimer raise;
    if (onTop_) {
        // Also where no window manager keeps it above: the other program's
        // window may come up after the box.
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        QObject::connect(&raise, &QTimer::timeout, &box, [&box] { box.raise(); });
        raise.start(250);
        QTimer::singleShot(0, &box, [&box] { box.activateWindow(); });
    }
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
