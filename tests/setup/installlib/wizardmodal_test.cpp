// Clicks that go through the window system, as a user's do, so that a modal
// window blocks them from the program's other windows.
#define QTEST_QPA_MOUSE_HANDLING

#include "engine_fixture.h"
#include "wizard_fixture.h"

#include "setup/installlib/typecodes.h"

#include <QPushButton>

using namespace enginetest;
using namespace wizardtest;

namespace {

class WizardModalTest : public EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        startAs("C:\\TEMP\\QS1\\setup.exe", { "-sC:\\TEMP\\QS1", "-c" });
        makeInstall();
    }
    void TearDown() override
    {
        form.reset();
        ClearDialogRegistries();
        EngineTest::TearDown();
    }
    ScriptedUser user;
};

// Catches a wizard or a page alone that is not modal when it is shown: a
// click into another window of the program must not reach it.
TEST_F(WizardModalTest, PagesAndWizardsBlockTheProgramsOtherWindows)
{
    QPushButton other(QStringLiteral("Another window"));
    other.setGeometry(20, 20, 200, 40);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    int clicks = 0;
    QObject::connect(&other, &QPushButton::clicked, [&] { ++clicks; });
    QTest::mouseClick(&other, Qt::LeftButton);
    ASSERT_EQ(clicks, 1);

    auto* welcome = new TWelcomeDlg(form.get());
    welcome->SetName("WelcomeDlg");
    welcome->SetContainer(install);
    bool blocked = false;
    user.Hook = [&](TWindowForm& window) {
        QTest::mouseClick(&other, Qt::LeftButton);
        blocked = QApplication::activeModalWidget() == ScriptedUser::windowWidget(window);
    };
    user.add({ "hook", "next" });
    EXPECT_NO_THROW(install->Broadcast(icWelcome, nullptr));
    EXPECT_TRUE(blocked);
    auto* before = new TDialogManager(form.get());
    before->SetName("DialogManager");
    before->SetContainer(install);
    welcome->SetDialogManager(before);
    blocked = false;
    user.add({ "hook", "next" });
    EXPECT_NO_THROW(install->Broadcast(icBeforeInstall, nullptr));
    EXPECT_TRUE(blocked);
    EXPECT_EQ(clicks, 1);
    QTest::mouseClick(&other, Qt::LeftButton);
    EXPECT_EQ(clicks, 2); // free again once the page is closed
}

} // namespace
