#include "machine_fixture.h"

#include "setup/installlib/ui/openfolderdialog.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

using namespace installlib;

namespace {

// Runs the browse dialog with one scripted step per opening of its window.
class OpenFolderDialogTest : public MachineTest {
protected:
    void SetUp() override
    {
        MachineTest::SetUp();
        ASSERT_TRUE(machine->forceDirectories("C:\\Program Files\\Tavixsoft"));
        ASSERT_TRUE(machine->forceDirectories("C:\\Data\\Old"));
        browse = std::make_unique<TOpenFolderDialog>(*machine);
        browse->InputQuery = [this](const std::string& caption, const std::string& prompt, std::string& value) {
            asked.push_back(caption + "|" + prompt);
            if (answers.empty())
                return false;
            value = answers.front();
            answers.erase(answers.begin());
            return true;
        };
        browse->OnBrowseShown = [this] {
            const size_t run = runs++;
            QTimer::singleShot(0, [this, run] {
                if (run < steps.size())
                    steps[run]();
                else
                    browse->CancelButton()->click();
            });
        };
    }

    std::string selected() const
    {
        auto* item = browse->Tree()->currentItem();
        return item ? item->data(0, Qt::UserRole).toString().toStdString() : std::string();
    }
    void type(const QString& text)
    {
        browse->PathEdit()->clear();
        QTest::keyClicks(browse->PathEdit(), text);
    }

    std::unique_ptr<TOpenFolderDialog> browse;
    std::vector<std::function<void()>> steps;
    size_t runs = 0;
    std::vector<std::string> answers;
    std::vector<std::string> asked;
};

} // namespace

// Catches a tree that lists the host's file system instead of the machine's.
TEST_F(OpenFolderDialogTest, TreeListsTheEmulatedDrivesAndFolders)
{
    std::vector<std::string> top, inC;
    steps.push_back([&] {
        auto* tree = browse->Tree();
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            top.push_back(tree->topLevelItem(i)->text(0).toStdString());
        tree->topLevelItem(1)->setExpanded(true);
        for (int i = 0; i < tree->topLevelItem(1)->childCount(); ++i)
            inC.push_back(tree->topLevelItem(1)->child(i)->text(0).toStdString());
        browse->CancelButton()->click();
    });
    EXPECT_FALSE(browse->Execute());
    EXPECT_EQ(top, (std::vector<std::string> { "A:", "C:", "S:" }));
    EXPECT_NE(std::find(inC.begin(), inC.end(), "Data"), inC.end());
    EXPECT_NE(std::find(inC.begin(), inC.end(), "Program Files"), inC.end());
    EXPECT_EQ(std::find(inC.begin(), inC.end(), "proc"), inC.end());
}

// Catches a start selection that is lost when the folder is missing or a bare drive.
TEST_F(OpenFolderDialogTest, StartSelectionIsTheNearestExistingFolder)
{
    std::string first, second, edit;
    bool buttonVisible = false;
    steps.push_back([&] {
        first = selected();
        edit = browse->PathEdit()->text().toStdString();
        buttonVisible = browse->CreateButton()->isVisible();
        browse->OkButton()->click();
    });
    browse->Directory = "c:\\program files\\tavixsoft\\Missing\\Deeper";
    ASSERT_TRUE(browse->Execute());
    EXPECT_EQ(first, "C:\\Program Files\\Tavixsoft");
    EXPECT_EQ(edit, first);
    EXPECT_TRUE(buttonVisible);
    EXPECT_EQ(browse->Directory, "C:\\Program Files\\Tavixsoft");
    EXPECT_FALSE(machine->directoryExists("C:\\Program Files\\Tavixsoft\\Missing"));

    steps = { [&] {
        second = selected();
        browse->OkButton()->click();
    } };
    runs = 0;
    browse->Directory = "C:";
    ASSERT_TRUE(browse->Execute());
    EXPECT_EQ(second, "C:\\");
    EXPECT_EQ(browse->Directory, "C:\\");
}

// Catches the create button shown while OK cannot be pressed.
TEST_F(OpenFolderDialogTest, NoSelectionHidesTheCreateButton)
{
    bool okEnabled = true, buttonVisible = true;
    steps.push_back([&] {
        okEnabled = browse->OkButton()->isEnabled();
        buttonVisible = browse->CreateButton()->isVisible();
        browse->CancelButton()->click();
    });
    browse->Directory = "";
    EXPECT_FALSE(browse->Execute());
    EXPECT_FALSE(okEnabled);
    EXPECT_FALSE(buttonVisible);
}

// Catches typing that does not move the tree, and OK that returns the tree
// instead of the typed path or does not create it.
TEST_F(OpenFolderDialogTest, TypedPathMovesTheTreeAndOkCreatesIt)
{
    std::string afterTyping;
    steps.push_back([&] {
        type("C:\\DATA\\old");
        afterTyping = selected();
        type("C:\\Data\\Old\\Fresh");
        browse->OkButton()->click();
    });
    browse->Directory = "C:\\Program Files";
    ASSERT_TRUE(browse->Execute());
    EXPECT_EQ(afterTyping, "C:\\Data\\Old");
    EXPECT_EQ(browse->Directory, "C:\\Data\\Old\\Fresh");
    EXPECT_TRUE(machine->directoryExists("C:\\Data\\Old\\Fresh"));

    // Without the path edit the tree's own selection is returned.
    browse->ShowPathEdit = false;
    steps = { [&] {
        EXPECT_EQ(browse->PathEdit(), nullptr);
        EXPECT_FALSE(browse->Tree()->geometry().intersects(browse->CreateButton()->geometry()));
        browse->Tree()->setCurrentItem(browse->Tree()->topLevelItem(2));
        browse->OkButton()->click();
    } };
    runs = 0;
    ASSERT_TRUE(browse->Execute());
    EXPECT_EQ(browse->Directory, "S:\\");
}

// Catches a create button that asks for a name for a typed new path, or
// does not reopen the window on the new folder.
TEST_F(OpenFolderDialogTest, CreateButtonMakesTheTypedPathAndReopens)
{
    std::string reopenedOn;
    steps.push_back([&] {
        type("C:\\Program Files\\Tavixsoft\\Demo\\Bin");
        browse->CreateButton()->click();
    });
    steps.push_back([&] {
        reopenedOn = selected();
        browse->OkButton()->click();
    });
    ASSERT_TRUE(browse->Execute());
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(runs, 2u);
    EXPECT_EQ(reopenedOn, "C:\\Program Files\\Tavixsoft\\Demo\\Bin");
    EXPECT_EQ(browse->Directory, "C:\\Program Files\\Tavixsoft\\Demo\\Bin");
    EXPECT_TRUE(machine->directoryExists("C:\\Program Files\\Tavixsoft\\Demo\\Bin"));
}

// Catches a new folder made beside instead of below the selection, made
// after Cancel in the name box or a veto by OnCreateFolder, or left behind
// when the browser is cancelled.
TEST_F(OpenFolderDialogTest, CreateButtonOnExistingPathAsksForAName)
{
    answers = { "Reports" };
    std::string reopenedOn;
    steps.push_back([&] { browse->CreateButton()->click(); });
    steps.push_back([&] {
        reopenedOn = selected();
        browse->CancelButton()->click();
    });
    browse->Directory = "C:\\Data";
    EXPECT_FALSE(browse->Execute());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], TOFDResourceStrings::InputCaption() + "|" + TOFDResourceStrings::InputPrompt());
    EXPECT_EQ(reopenedOn, "C:\\Data\\Reports");
    EXPECT_FALSE(machine->directoryExists("C:\\Data\\Reports")); // made, then not kept

    // Cancel in the name box, then a veto: nothing made, the window stays.
    int vetoes = 0;
    steps = { [&] {
        browse->CreateButton()->click();
        browse->OnCreateFolder = [&](TOFDCreateButton& sender, bool& allow) {
            EXPECT_EQ(&sender, browse->CreateButton());
            ++vetoes;
            allow = false;
        };
        answers = { "Vetoed" };
        browse->CreateButton()->click();
        browse->CancelButton()->click();
    } };
    runs = 0;
    browse->Directory = "C:\\Data";
    EXPECT_FALSE(browse->Execute());
    EXPECT_EQ(runs, 1u);
    EXPECT_EQ(vetoes, 1);
    EXPECT_EQ(ListFolders(*machine, "C:\\Data"), std::vector<std::string> { "Old" });
}

// Catches a reserved or malformed name that creates something or is
// swallowed instead of reaching the caller.
TEST_F(OpenFolderDialogTest, BadNamesRaiseAndCreateNothing)
{
    answers = { "CON" };
    steps.push_back([&] { browse->CreateButton()->click(); });
    browse->Directory = "C:\\Data";
    EXPECT_THROW(browse->Execute(), EOFDCreateFolder);
    EXPECT_EQ(runs, 1u);

    steps = { [&] {
        type("C:\\Data\\New\\a<b");
        browse->CreateButton()->click();
    } };
    runs = 0;
    EXPECT_THROW(browse->Execute(), EOFDCreateFolder);

    steps = { [&] {
        type("Relative\\Folder");
        browse->OkButton()->click();
    } };
    runs = 0;
    EXPECT_THROW(browse->Execute(), EOFDCreateFolder);
    EXPECT_EQ(ListFolders(*machine, "C:\\Data"), std::vector<std::string> { "Old" });
    EXPECT_FALSE(machine->directoryExists("C:\\Relative"));
}

// Catches a full drive reported as a created folder.
TEST_F(OpenFolderDialogTest, FullDriveRaises)
{
    ASSERT_TRUE(machine->writeFile("A:\\disk.dat", "xyz"));
    machine->setDriveCapacity('A', 3);
    steps.push_back([&] {
        type("A:\\Backup");
        browse->CreateButton()->click();
    });
    EXPECT_THROW(browse->Execute(), EOFDCreateFolder);
    EXPECT_FALSE(machine->directoryExists("A:\\Backup"));
}

// The dialog as the user sees it, for a look in the build tree.
TEST_F(OpenFolderDialogTest, RendersToPicture)
{
    QImage picture;
    steps.push_back([&] {
        browse->BrowseWindow()->repaint();
        picture = browse->BrowseWindow()->grab().toImage();
        browse->CancelButton()->click();
    });
    browse->Directory = "C:\\Program Files\\Tavixsoft";
    browse->Execute();
    ASSERT_FALSE(picture.isNull());
    EXPECT_TRUE(picture.save(QString::fromUtf8(TAVIX_BROWSER_PICTURE)));
}
