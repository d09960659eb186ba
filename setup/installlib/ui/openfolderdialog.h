#pragma once

// The folder browser: a browse window over the drives and folders of the
// emulated machine, with a create-folder button and a path edit that the
// component adds into it each time it runs and keeps in step with the tree.
//
//   TOpenFolderDialog browse(machine);
//   browse.Directory = "C:\\Program Files";      // start selection
//   if (browse.Execute()) use(browse.Directory);  // may raise EOFDCreateFolder

#include "setup/installlib/openfolder.h"

#include <QDialog>
#include <QFont>
#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>
#include <exception>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace installlib {

class TOpenFolderDialog;

class TOFDCreateButton : public QPushButton {
    Q_OBJECT
public:
    TOFDCreateButton(TOpenFolderDialog& Dialog, QWidget* Parent);
    TOpenFolderDialog& Dialog() const { return dialog_; }

private:
    TOpenFolderDialog& dialog_;
};

class TOFDPathEdit : public QLineEdit {
    Q_OBJECT
public:
    TOFDPathEdit(TOpenFolderDialog& Dialog, QWidget* Parent);
    TOpenFolderDialog& Dialog() const { return dialog_; }

protected:
    void keyReleaseEvent(QKeyEvent* Event) override;

private:
    TOpenFolderDialog& dialog_;
};

class TOpenFolderDialog : public QObject {
    Q_OBJECT
public:
    explicit TOpenFolderDialog(win::Machine& Machine, QObject* Parent = nullptr);
    ~TOpenFolderDialog() override;

    // True with the chosen directory in Directory; False on Cancel, or on OK
    // before anything was chosen. A folder that cannot be created raises
    // EOFDCreateFolder and ends the run. Folders the create button made and
    // the user did not keep (Cancel, or another choice) are removed again
    // while they are empty.
    bool Execute();

    std::string Directory;
    bool ShowCreateButton = true;
    bool ShowPathEdit = true;
    // The font of the browse window and its name box (a page gives its own).
    QFont Font;
    // Sender = the create button; Allow starts True.
    std::function<void(TOFDCreateButton& Sender, bool& Allow)> OnCreateFolder;
    // Asks for a new folder's name; false on Cancel. A dialog box by default.
    std::function<bool(const std::string& Caption, const std::string& Prompt, std::string& Value)> InputQuery;
    // Runs each time the browse window has been set up and is about to show.
    std::function<void()> OnBrowseShown;

    // The browse window and its parts while a run is in progress (else null).
    QDialog* BrowseWindow() const { return window_; }
    QTreeWidget* Tree() const { return tree_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    TOFDCreateButton* CreateButton() const { return createButton_; }
    TOFDPathEdit* PathEdit() const { return pathEdit_; }
    const std::string& CurrentPath() const { return currentPath_; }

    void CreateFolder(); // the create button's click
    void SyncFromEdit(); // the path edit's key-up
    // Selects the nearest existing directory of Path in the tree.
    void SelectPath(const std::string& Path);

private:
    bool RunOnce();
    void BuildBrowseWindow(QDialog& Window);
    void InitDialog();
    void SelectionChanged(const std::string& ItemPath);
    // OK, and with it the create button, only once something is chosen.
    void UpdateChoice();
    // Creates Path, noting the folders made for it.
    void MakeFolder(const std::string& Path);
    // Removes the made folders that do not hold the chosen directory.
    void RemoveUnkept(bool Chosen);
    // BFFM_SETSELECTION: moves the tree to Path when it names a listed folder.
    bool SetSelection(const std::string& Path);
    void Populate(QTreeWidgetItem* Item);
    QTreeWidgetItem* AddFolderItem(QTreeWidgetItem* Parent, const std::string& Text, const std::string& Path);
    static std::string ItemPath(const QTreeWidgetItem* Item);

    win::Machine& machine_;
    QPointer<TOFDCreateButton> createButton_;
    std::string currentPath_;
    bool reopen_ = false;
    bool selecting_ = false;
    QPointer<TOFDPathEdit> pathEdit_;
    bool editSync_ = false;
    QPointer<QDialog> window_;
    QPointer<QPushButton> ok_, cancel_;
    QPointer<QTreeWidget> tree_;
    std::optional<TOFDRect> okRect_, cancelRect_, treeRect_;
    std::exception_ptr error_;
    std::vector<std::string> made_; // by this Execute, for RemoveUnkept
};

} // namespace installlib
