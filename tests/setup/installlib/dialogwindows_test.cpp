#include "machine_fixture.h"

#include "setup/installlib/basedialogs.h"
#include "setup/installlib/dialogmanager.h"
#include "setup/installlib/dialogregistry.h"
#include "setup/installlib/installlibrary.h"
#include "setup/installlib/ui/dialogwindows.h"
#include "setup/installlib/ui/translatecontrols.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>

using namespace installlib;

namespace {

// A wizard page laid out as the setup's pages are: the theme picture on the
// left, the text panel, and Previous, Next and Cancel on a bottom panel.
class TButtonsPage : public TQtInstallForm {
public:
    INSTALLLIB_CLASS_INFO()
    explicit TButtonsPage(TComponent* Owner = nullptr)
        : TQtInstallForm(Owner)
    {
        QWidget* page = Widget();
        auto* outer = new QVBoxLayout(page);
        outer->setContentsMargins(0, 0, 0, 0);
        outer->setSpacing(0);
        auto* top = new QHBoxLayout();
        top->setSpacing(0);
        auto* theme = new QLabel(page);
        theme->setFixedWidth(136);
        theme->setAlignment(Qt::AlignCenter);
        QPixmap picture(120, 300);
        QPainter painter(&picture);
        QLinearGradient gradient(0, 0, 0, 300);
        gradient.setColorAt(0, QColor(0, 0, 128));
        gradient.setColorAt(1, QColor(0, 128, 128));
        painter.fillRect(picture.rect(), gradient);
        painter.end();
        theme->setPixmap(picture);
        top->addWidget(theme);
        auto* text = new QWidget(page);
        auto* textLayout = new QVBoxLayout(text);
        textLayout->setContentsMargins(8, 8, 8, 8);
        Message = new TTranslateLabel(text);
        Message->setObjectName("Message");
        Message->setWordWrap(true);
        textLayout->addWidget(Message);
        textLayout->addStretch();
        top->addWidget(text, 1);
        outer->addLayout(top, 1);
        auto* bottom = new QWidget(page);
        bottom->setFixedHeight(52);
        auto* bevel = new QFrame(bottom);
        bevel->setFrameShape(QFrame::HLine);
        bevel->setFrameShadow(QFrame::Sunken);
        bevel->setGeometry(0, 0, 2000, 2);
        BackBtn = button(bottom, "BackBtn", "< Previous", 4, 208, 75);
        ProceedBtn = button(bottom, "ProceedBtn", "Next >", 5, 288, 75);
        CancelBtn = button(bottom, "CancelBtn", "Cancel", 6, 368, 89);
        ProceedBtn->setDefault(true);
        outer->addWidget(bottom);
        ConnectButton(BackBtn, waPrevious, mrNone);
        ConnectButton(ProceedBtn, waNext, mrNone);
        ConnectButton(CancelBtn, waCancel, mrNone);
    }

    void UpdateDisplay() override
    {
        BackBtn->setVisible(!IsFirstPage());
        if (ProceedBtn->isVisible() && Widget()->isVisible())
            ProceedBtn->setFocus();
    }

    TTranslateLabel* Message = nullptr;
    TTranslateBitBtn* BackBtn = nullptr;
    TTranslateBitBtn* ProceedBtn = nullptr;
    TTranslateBitBtn* CancelBtn = nullptr;

private:
    static TTranslateBitBtn* button(QWidget* parent, const char* name, const char* text, int glid, int left, int width)
    {
        auto* b = new TTranslateBitBtn(QString::fromLatin1(text), parent);
        b->setObjectName(QString::fromLatin1(name));
        b->SetGLID(glid);
        b->setGeometry(left, 15, width, 33);
        return b;
    }
};

INSTALLLIB_DEFINE_COMPONENT_CLASS(TButtonsPage, TQtInstallForm)

class TButtonsDlg : public TBaseInstallDlg {
public:
    explicit TButtonsDlg(TComponent* Owner)
        : TBaseInstallDlg(Owner)
    {
        RegisterInstallForm(TButtonsPage::StaticClass(), this, 0);
    }
    const TMetaClass& FormClass() override { return TButtonsPage::StaticClass(); }
    void AssignDialogProperties() override
    {
        TBaseInstallDlg::AssignDialogProperties();
        auto* page = static_cast<TButtonsPage*>(LiveForm());
        page->SetCaption(Title);
        page->Message->setText(QString::fromStdString(Text));
        if (!DialogManager()) {
            // Alone, Next closes the page with OK.
            page->BackBtn->hide();
            TQtInstallForm::SetButtonModalResult(page->ProceedBtn, mrOk);
        }
    }
    std::string Title;
    std::string Text;
};

class DialogWindowsTest : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        InstallLibraryStartup();
        RegisterDialogWindows();
        owner = new TForm();
        manager = new TDialogManager(owner);
        manager->SetName("BeforeManager");
        guard.setSingleShot(true);
        guard.callOnTimeout([] {
            if (QPushButton* cancel = visibleButton("CancelBtn")) {
                ADD_FAILURE() << "the window was left open";
                cancel->click();
            }
        });
    }
    void TearDown() override
    {
        guard.stop();
        delete owner;
        ClearDialogRegistries();
        SetFormContainerClass(nullptr);
        DefaultScreenMetrics() = TScreenMetrics();
        InstallLibraryShutdown();
        MachineTest::TearDown();
    }

    TButtonsDlg* page(const std::string& name, const std::string& title, int order, TDialogManager* m)
    {
        auto* d = new TButtonsDlg(owner);
        d->SetName(name);
        d->Title = title;
        d->Text = "This program will install the software on your computer.";
        d->Order = order;
        d->SetDialogManager(m);
        return d;
    }

    // The visible window with a title, and the visible page's buttons in it.
    static QWidget* window()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && !w->windowTitle().isEmpty())
                return w;
        return nullptr;
    }
    static QPushButton* visibleButton(const char* name)
    {
        QWidget* w = window();
        if (!w)
            return nullptr;
        for (auto* b : w->findChildren<QPushButton*>(QString::fromLatin1(name)))
            if (b->isVisibleTo(w) && b->parentWidget()->parentWidget()->isVisible())
                return b;
        return nullptr;
    }
    static void click(const char* name)
    {
        QPushButton* b = visibleButton(name);
        ASSERT_NE(b, nullptr) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // Runs Steps once the modal loop has started. A window the steps leave
    // open is cancelled after a while, so that a failing test ends.
    void whileShown(std::function<void()> steps)
    {
        QTimer::singleShot(0, qApp, [steps = std::move(steps)] { steps(); });
        guard.start(5000);
    }

    TForm* owner = nullptr;
    TDialogManager* manager = nullptr;
    QTimer guard;
};

// The wizard window with real widgets: clicking Next and Previous moves
// between the pages (Previous hidden on the first), the close box does
// nothing, and Next on the last page ends the wizard normally.
TEST_F(DialogWindowsTest, ShowsAPageAndClicksItsButtons)
{
    page("Welcome", "Welcome", 10, manager);
    page("Readme", "Readme information", 20, manager);
    std::vector<std::string> seen;
    auto look = [&] {
        QWidget* w = window();
        QPushButton* back = visibleButton("BackBtn");
        seen.push_back(w ? w->windowTitle().toStdString() + (back ? " with Previous" : "") : "no window");
    };
    whileShown([&] {
        look();
        QWidget* w = window();
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->findChild<QTabBar*>("Tabs")->count(), 2);
        ASSERT_TRUE(w->grab().save(QStringLiteral(TAVIX_DIALOG_PICTURE)));
        w->close(); // Alt+F4 and the close command
        look();
        click("ProceedBtn");
        look();
        click("BackBtn");
        look();
        click("ProceedBtn");
        click("ProceedBtn");
    });
    EXPECT_NO_THROW(manager->ShowDialogs());
    EXPECT_EQ(seen, (std::vector<std::string> { "Welcome", "Welcome", "Readme information with Previous", "Welcome" }));
    EXPECT_EQ(window(), nullptr);
    EXPECT_EQ(CurrentDialogManager(), nullptr);
}

// Cancel on a real page ends the wizard as a user abort.
TEST_F(DialogWindowsTest, CancelClickedIsAUserAbort)
{
    page("Welcome", "Welcome", 10, manager);
    whileShown([] { click("CancelBtn"); });
    EXPECT_THROW(manager->ShowDialogs(), EAIUserAbort);
    EXPECT_EQ(window(), nullptr);
}

// The page's texts, its caption (which the wizard shows) and its fonts
// follow the translator's target language.
TEST_F(DialogWindowsTest, TranslationIsAppliedToThePage)
{
    TTranslator translator;
    translator.lgEnglish().Strings().Assign({ "4;< Previous", "5;Next >", "6;Cancel", "100;Welcome" });
    translator.lgGerman().Strings().Assign({ "4;< Zurück", "5;Weiter >", "6;Abbrechen", "100;Willkommen" });
    translator.TranslateIntoLanguage = qgGerman;
    page("Welcome", "Welcome", 10, manager);
    std::string title, next, cancel, family;
    whileShown([&] {
        title = window()->windowTitle().toStdString();
        next = visibleButton("ProceedBtn")->text().toStdString();
        cancel = visibleButton("CancelBtn")->text().toStdString();
        family = visibleButton("ProceedBtn")->font().family().toStdString();
        click("ProceedBtn");
    });
    manager->ShowDialogs();
    EXPECT_EQ(title, "Willkommen");
    EXPECT_EQ(next, "Weiter >");
    EXPECT_EQ(cancel, "Abbrechen");
    EXPECT_EQ(family, "MS Sans Serif");
}

// A page alone is a dialog window of its own: Next returns True, the close
// box is a user abort.
TEST_F(DialogWindowsTest, APageAloneEndsThroughItsButtons)
{
    TButtonsDlg* alone = page("Welcome", "Welcome", 10, nullptr);
    bool backShown = true;
    whileShown([&] {
        backShown = visibleButton("BackBtn") != nullptr;
        click("ProceedBtn");
    });
    EXPECT_TRUE(alone->ExecuteDialog());
    EXPECT_FALSE(backShown);
    whileShown([] { window()->close(); });
    EXPECT_THROW(alone->ExecuteDialog(), EAIUserAbort);
    EXPECT_EQ(window(), nullptr);
}

} // namespace
