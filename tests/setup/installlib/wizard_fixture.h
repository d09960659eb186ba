#pragma once

// The library's pages with their Qt windows, offscreen, driven by a
// scripted user: every modal window shown (a wizard or a page alone) plays
// the next script of steps on its current page, as a user clicks and types:
//
//   next, back, finish, cancel   click that button (it must be visible)
//   close                        the window's close box (Alt+F4)
//   type:TEXT                    clear the page's edit and type TEXT
//   choose:NAME                  click NAME in the folder list
//   yes, no                      click a choice of the reboot page
//   browse                       click Browse
//   browse:OK                    click Browse, then OK in the folder browser
//                                (Cancel when OK does nothing)
//   browse:C:                    the same, choosing that drive first
//   enter, escape                press that key where the page has its focus
//   look                         note the page's caption and visible buttons
//   shot:NAME                    save a picture of the window as NAME.png
//   hook                         call Hook with the window (a test's own look)
//
// A script that leaves its window open ends it with a failure.

#include "setup/installlib/dialogmanager.h"
#include "setup/installlib/dialogregistry.h"
#include "setup/installlib/ui/dialogwindows.h"
#include "setup/installlib/ui/progresswindows.h"
#include "setup/installlib/ui/wizardpages.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace wizardtest {

using namespace installlib;

class ScriptedUser {
public:
    ScriptedUser()
    {
        RegisterDialogWindows();
        ModalFormDriver() = [this](TWindowForm& window) { play(window); };
    }
    ~ScriptedUser()
    {
        ModalFormDriver() = nullptr;
        TSelectDestinationForm::Browser() = nullptr;
        SetFormContainerClass(nullptr);
        DefaultScreenMetrics() = TScreenMetrics();
    }
    ScriptedUser(const ScriptedUser&) = delete;
    ScriptedUser& operator=(const ScriptedUser&) = delete;

    void add(std::vector<std::string> steps) { scripts.push_back(std::move(steps)); }

    std::deque<std::vector<std::string>> scripts;
    std::vector<std::string> seen; // what "look" noted, one line a look
    // Called on every window before its script plays, and by "hook".
    std::function<void(TWindowForm&)> BeforeSteps;
    std::function<void(TWindowForm&)> Hook;
    // What a failure report adds (the last message box).
    std::function<std::string()> Why = [] { return std::string(); };
    int windowsShown = 0;
    // Where "shot" saves its pictures; nothing is saved when empty.
    std::string pictureDir;

    // The page the user sees in Window: the wizard's current page or the
    // page shown alone.
    static TWizardPageForm* currentPage(TWindowForm& window)
    {
        if (auto* wizard = dynamic_cast<TBaseFormContainer*>(&window))
            return wizard->TabIndex() < 0 ? nullptr
                                          : dynamic_cast<TWizardPageForm*>(
                                                wizard->Pages().at(static_cast<std::size_t>(wizard->TabIndex())));
        return dynamic_cast<TWizardPageForm*>(&window);
    }
    static QWidget* windowWidget(TWindowForm& window)
    {
        if (auto* wizard = dynamic_cast<TQtFormContainer*>(&window))
            return wizard->Widget();
        TWizardPageForm* page = currentPage(window);
        return page ? page->Widget() : nullptr;
    }
    static bool shown(QWidget* button, QWidget* window)
    {
        return button && window && window->isVisible() && button->isVisibleTo(window);
    }

    // One line: caption, then the visible buttons in order.
    static std::string look(TWindowForm& window)
    {
        TWizardPageForm* page = currentPage(window);
        QWidget* w = windowWidget(window);
        if (!page || !w)
            return "no page";
        std::string line = w->windowTitle().toStdString() + ":";
        for (auto [button, name] : { std::pair<QWidget*, const char*> { page->BackBtn, " Previous" },
                 { page->ProceedBtn, " Next" }, { page->FinishBtn, " Finish" }, { page->CancelBtn, " Cancel" } })
            if (shown(button, w))
                line += name;
        return line;
    }

private:
    void click(QWidget* button, QWidget* window, const std::string& step)
    {
        if (!shown(button, window)) {
            ADD_FAILURE() << "no visible button for " << step;
            return;
        }
        QTest::mouseClick(button, Qt::LeftButton);
    }

    void step(TWindowForm& window, const std::string& s)
    {
        TWizardPageForm* page = currentPage(window);
        QWidget* w = windowWidget(window);
        ASSERT_NE(page, nullptr) << s;
        if (s == "next")
            click(page->ProceedBtn, w, s);
        else if (s == "back")
            click(page->BackBtn, w, s);
        else if (s == "finish")
            click(page->FinishBtn, w, s);
        else if (s == "cancel")
            click(page->CancelBtn, w, s);
        else if (s == "close")
            w->close();
        else if (s == "look")
            seen.push_back(look(window));
        else if (s == "hook")
            Hook(window);
        else if (s.rfind("type:", 0) == 0) {
            auto* destination = dynamic_cast<TSelectDestinationForm*>(page);
            auto* folder = dynamic_cast<TSelectFolderForm*>(page);
            QLineEdit* edit = destination ? destination->edDestDir : folder ? folder->FolderEdit : nullptr;
            ASSERT_TRUE(edit && shown(edit, w)) << s;
            edit->setFocus();
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Delete);
            QTest::keyClicks(edit, QString::fromStdString(s.substr(5)));
        } else if (s.rfind("choose:", 0) == 0) {
            auto* folder = dynamic_cast<TSelectFolderForm*>(page);
            ASSERT_NE(folder, nullptr) << s;
            auto found = folder->FolderListBox->findItems(QString::fromStdString(s.substr(7)), Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1) << s;
            QListWidget* list = folder->FolderListBox;
            list->scrollToItem(found[0]);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found[0]).center());
        } else if (s == "yes" || s == "no") {
            auto* reboot = dynamic_cast<TRebootForm*>(page);
            ASSERT_NE(reboot, nullptr) << s;
            click(s == "yes" ? reboot->YesButton : reboot->NoButton, w, s);
        } else if (s == "browse" || s.rfind("browse:", 0) == 0) {
            auto* destination = dynamic_cast<TSelectDestinationForm*>(page);
            ASSERT_NE(destination, nullptr) << s;
            if (s != "browse")
                QTimer::singleShot(0, [drive = s.substr(7)] {
                    QWidget* browser = QApplication::activeModalWidget();
                    auto* tree = browser ? browser->findChild<QTreeWidget*>() : nullptr;
                    if (!tree)
                        return;
                    // Shown, the window gives its tree the focus.
                    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
                    QApplication::sendEvent(tree, &focus);
                    for (int i = 0; i < tree->topLevelItemCount(); ++i)
                        if (tree->topLevelItem(i)->text(0).toStdString() == drive)
                            tree->setCurrentItem(tree->topLevelItem(i));
                    for (const char* name : { "OK", "Cancel" })
                        for (auto* button : browser->findChildren<QPushButton*>())
                            if (button->text() == name && QApplication::activeModalWidget() == browser)
                                button->click();
                });
            click(destination->BrowseBtn, w, s);
        } else if (s == "enter" || s == "escape") {
            QWidget* focused = page->Widget()->focusWidget();
            QTest::keyClick(focused && focused->isVisible() ? focused : page->Widget(),
                s == "enter" ? Qt::Key_Return : Qt::Key_Escape);
        } else if (s.rfind("shot:", 0) == 0) {
            if (!pictureDir.empty()) {
                EXPECT_TRUE(w->grab().save(QString::fromStdString(pictureDir + "/" + s.substr(5) + ".png")));
            }
        } else {
            ADD_FAILURE() << "unknown step " << s;
        }
    }

    void play(TWindowForm& window)
    {
        ++windowsShown;
        if (scripts.empty()) {
            ADD_FAILURE() << "a window was shown with no script: " << look(window);
            window.SetModalResult(mrAbort);
            return;
        }
        std::vector<std::string> steps = scripts.front();
        scripts.pop_front();
        if (BeforeSteps)
            BeforeSteps(window);
        for (const std::string& s : steps) {
            if (!window.IsModal() || window.ModalResult() != mrNone) {
                ADD_FAILURE() << "the window ended before step " << s;
                return;
            }
            step(window, s);
        }
        if (window.IsModal() && window.ModalResult() == mrNone) {
            ADD_FAILURE() << "the script left the window open: " << look(window) << " (" << Why() << ")";
            // Leaves it the way a user gives up on a setup.
            window.SetModalResult(mrAbort);
        }
    }
};

} // namespace wizardtest
