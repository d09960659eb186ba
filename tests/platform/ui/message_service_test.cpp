#include "platform/ui/message_service.h"
#include "platform/ui/qt_message_service.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

using namespace ui;

// Catches scripted answers given out of order or questions not recorded (tests of the install library rely on both).
TEST(ScriptedMessageService, AnswersInOrderAndRecords)
{
    ScriptedMessageService s;
    s.queueAnswer(Answer::Cancel);
    s.queueAnswer(Answer::No);
    std::vector<std::string> seen;
    s.onShow([&](const ScriptedMessageService::Asked& a) { seen.push_back(a.text); });
    EXPECT_EQ(s.question("Setup", "Please insert disk #2", Buttons::OkCancel), Answer::Cancel);
    EXPECT_EQ(s.question("Setup", "Overwrite?"), Answer::No);
    // With the queue used up each box takes its first button.
    EXPECT_EQ(s.question("Setup", "Again?", Buttons::YesNoCancel), Answer::Yes);
    EXPECT_EQ(s.error("Setup", "Failed"), Answer::Ok);
    EXPECT_EQ(s.show(MessageKind::Warning, "", "Retry?", Buttons::RetryCancel), Answer::Retry);
    ASSERT_EQ(s.asked().size(), 5u);
    EXPECT_EQ(s.asked()[0].kind, MessageKind::Question);
    EXPECT_EQ(s.asked()[0].caption, "Setup");
    EXPECT_EQ(s.asked()[0].buttons, Buttons::OkCancel);
    EXPECT_EQ(s.asked()[3].kind, MessageKind::Error);
    EXPECT_EQ(seen.size(), 5u);
}

// Catches an unbalanced busy cursor and a message pump that never runs the test's hook (Cancel during a loop).
TEST(ScriptedMessageService, BusyCursorAndMessagePump)
{
    ScriptedMessageService s;
    MessageService::setCurrent(&s);
    bool cancelled = false;
    s.onProcessMessages([&] { cancelled = s.processCount() == 3; });
    {
        BusyCursor outer;
        BusyCursor inner;
        EXPECT_EQ(s.busyDepth(), 2);
        int blocks = 0;
        while (!cancelled) {
            ++blocks;
            MessageService::current().processMessages();
        }
        EXPECT_EQ(blocks, 3);
    }
    EXPECT_EQ(s.busyDepth(), 0);
    EXPECT_EQ(s.maxBusyDepth(), 2);
    s.popBusyCursor(); // an extra pop does no harm
    EXPECT_EQ(s.busyDepth(), 0);
    MessageService::setCurrent(nullptr);
    EXPECT_NE(&MessageService::current(), &s);
    EXPECT_EQ(MessageService::current().question("x", "y"), Answer::Yes);
}

namespace {
// Presses a button of the message box that is about to open.
void pressLater(QMessageBox::StandardButton which, std::string* seenText = nullptr)
{
    QTimer::singleShot(0, [which, seenText] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return pressLater(which, seenText);
        if (seenText)
            *seenText = box->text().toStdString() + "|" + box->windowTitle().toStdString();
        if (which == QMessageBox::NoButton)
            box->reject();
        else
            box->button(which)->click();
    });
}
} // namespace

// Catches buttons mapped to the wrong answers, or the box closing without an answer a caller expects.
TEST(QtMessageService, ButtonsMapToAnswers)
{
    QtMessageService s;
    std::string seen;
    pressLater(QMessageBox::No, &seen);
    EXPECT_EQ(s.question("Setup", "Replace the file?", Buttons::YesNoCancel), Answer::No);
    EXPECT_EQ(seen, "Replace the file?|Setup");
    pressLater(QMessageBox::Cancel);
    EXPECT_EQ(s.question("Setup", "Please insert disk #2", Buttons::OkCancel), Answer::Cancel);
    pressLater(QMessageBox::Ok);
    EXPECT_EQ(s.error("Setup", "Failed"), Answer::Ok);
    // Escape on a Yes/No/Cancel box answers Cancel, as Windows does.
    pressLater(QMessageBox::NoButton);
    EXPECT_EQ(s.question("Setup", "Stop?", Buttons::YesNoCancel), Answer::Cancel);
}

// Catches a box that grows with a long path past the screen and cuts it.
TEST(QtMessageService, ALongPathWrapsWithinTheScreen)
{
    QtMessageService s;
    int width = 0, screenWidth = 0;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        width = box->width();
        screenWidth = box->screen()->availableGeometry().width();
        box->accept();
    });
    s.error(
        "Setup", "Cannot create C:\\" + std::string(200, 'a') + "\\" + std::string(100, 'b') + ": Access is denied.");
    EXPECT_GT(width, 0);
    EXPECT_LE(width, screenWidth * 2 / 3); // room for the window's frame and more
}

// Catches a busy cursor left on screen after the work, and a pump that does not deliver pending events.
TEST(QtMessageService, BusyCursorAndPump)
{
    QtMessageService s;
    {
        BusyCursor busy(s);
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        bool ran = false;
        QTimer::singleShot(0, [&] { ran = true; });
        for (int i = 0; i < 20 && !ran; ++i)
            s.processMessages();
        EXPECT_TRUE(ran);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}
