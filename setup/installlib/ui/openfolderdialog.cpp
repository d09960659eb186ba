#include "setup/installlib/ui/openfolderdialog.h"

#include "platform/win/machine.h"
#include "platform/win/text.h"
#include "setup/installlib/routines.h"

#include <QApplication>
#include <QDialog>
#include <QInputDialog>
#include <QLabel>
#include <QTreeWidget>

#include <algorithm>

namespace installlib {

namespace {

constexpr int PathRole = Qt::UserRole;
constexpr int PopulatedRole = Qt::UserRole + 1;
// SHGetPathFromIDList's buffer: MAX_PATH + 1.
constexpr size_t ItemPathBuffer = 261;

QString Q(const std::string& s)
{
    return QString::fromStdString(s);
}

QRect ToQRect(const TOFDRect& r)
{
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

TOFDRect FromQRect(const QRect& r)
{
    return { r.left(), r.top(), r.left() + r.width(), r.top() + r.height() };
}

} // namespace

TOFDCreateButton::TOFDCreateButton(TOpenFolderDialog& Dialog, QWidget* Parent)
    : QPushButton(Parent)
    , dialog_(Dialog)
{
    connect(this, &QPushButton::clicked, this, [this] { dialog_.CreateFolder(); });
}

TOFDPathEdit::TOFDPathEdit(TOpenFolderDialog& Dialog, QWidget* Parent)
    : QLineEdit(Parent)
    , dialog_(Dialog)
{
}

void TOFDPathEdit::keyReleaseEvent(QKeyEvent* Event)
{
    QLineEdit::keyReleaseEvent(Event);
    dialog_.SyncFromEdit();
}

TOpenFolderDialog::TOpenFolderDialog(win::Machine& Machine, QObject* Parent)
    : QObject(Parent)
    , machine_(Machine)
{
    InputQuery = [this](const std::string& Caption, const std::string& Prompt, std::string& Value) {
        QInputDialog box(window_);
        box.setFont(Font);
        box.setWindowTitle(Q(Caption));
        box.setLabelText(Q(Prompt));
        box.setTextValue(Q(Value));
        if (box.exec() != QDialog::Accepted)
            return false;
        Value = box.textValue().toStdString();
        return true;
    };
}

TOpenFolderDialog::~TOpenFolderDialog() = default;

bool TOpenFolderDialog::Execute()
{
    // A create-button click ends the window with OK and asks for another run
    // on the new folder; a loop rather than recursion keeps that unbounded.
    made_.clear();
    bool result = false;
    try {
        for (;;) {
            result = RunOnce();
            if (!reopen_)
                break;
            Directory = currentPath_;
        }
    } catch (...) {
        RemoveUnkept(false);
        throw;
    }
    RemoveUnkept(result);
    return result;
}

void TOpenFolderDialog::MakeFolder(const std::string& Path)
{
    std::vector<std::string> missing = MissingFolders(machine_, Path);
    CreateFolderPath(machine_, Path);
    made_.insert(made_.end(), missing.begin(), missing.end());
}

void TOpenFolderDialog::RemoveUnkept(bool Chosen)
{
    // Deepest first, so that a parent is empty by the time its turn comes.
    std::sort(made_.begin(), made_.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });
    const std::string kept = win::text::toUpper(AddBackslash(Directory));
    for (const std::string& folder : made_)
        if (!Chosen || !kept.starts_with(win::text::toUpper(AddBackslash(folder))))
            machine_.removeDirectory(folder); // one the user filled stays
    made_.clear();
}

bool TOpenFolderDialog::RunOnce()
{
    reopen_ = false;
    createButton_ = nullptr;
    pathEdit_ = nullptr;
    ok_ = cancel_ = nullptr;
    tree_ = nullptr;
    okRect_ = cancelRect_ = treeRect_ = std::nullopt;
    error_ = nullptr;
    currentPath_.clear();

    QDialog window(QApplication::activeWindow());
    window_ = &window;
    BuildBrowseWindow(window);
    InitDialog();
    if (OnBrowseShown)
        OnBrowseShown();
    const int answer = window.exec();
    const std::string chosen = tree_ ? ItemPath(tree_->currentItem()) : std::string();
    window_ = nullptr;
    if (error_) {
        reopen_ = false;
        std::rethrow_exception(error_);
    }
    // OK before anything was chosen keeps the caller's directory.
    if (answer != QDialog::Accepted || win::text::trim(ShowPathEdit ? currentPath_ : chosen).empty())
        return false;
    if (ShowPathEdit) {
        MakeFolder(currentPath_);
        Directory = currentPath_;
    } else {
        Directory = chosen.substr(0, ItemPathBuffer - 1);
    }
    return true;
}

void TOpenFolderDialog::BuildBrowseWindow(QDialog& Window)
{
    Window.setWindowTitle(Q(TOFDResourceStrings::DialogTitle()));
    Window.setFont(Font);
    Window.setFixedSize(320, 318);
    auto* prompt = new QLabel(Q(TOFDResourceStrings::DialogTitle()), &Window);
    prompt->setGeometry(12, 10, 296, 36);
    prompt->setWordWrap(true);

    auto* tree = new QTreeWidget(&Window);
    tree->setHeaderHidden(true);
    tree->setGeometry(12, 52, 296, 218);
    auto* ok = new QPushButton(QStringLiteral("OK"), &Window);
    ok->setGeometry(144, 282, 75, 23);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &Window);
    cancel->setGeometry(228, 282, 75, 23);
    connect(ok, &QPushButton::clicked, &Window, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, &Window, &QDialog::reject);

    for (const auto& drive : ListDrives(machine_)) {
        auto* item = AddFolderItem(nullptr, drive.Text, drive.Path);
        tree->addTopLevelItem(item);
    }
    connect(tree, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { Populate(item); });
    connect(tree, &QTreeWidget::currentItemChanged, this,
        [this](QTreeWidgetItem* item) { SelectionChanged(ItemPath(item)); });
    ok->setEnabled(false);
}

QTreeWidgetItem* TOpenFolderDialog::AddFolderItem(
    QTreeWidgetItem* Parent, const std::string& Text, const std::string& Path)
{
    auto* item = Parent ? new QTreeWidgetItem(Parent) : new QTreeWidgetItem();
    item->setText(0, Q(Text));
    item->setData(0, PathRole, Q(Path));
    item->setData(0, PopulatedRole, false);
    // A folder shows its expander only when it has folders inside.
    item->setChildIndicatorPolicy(Parent && ListFolders(machine_, Path).empty()
            ? QTreeWidgetItem::DontShowIndicatorWhenChildless
            : QTreeWidgetItem::ShowIndicator);
    return item;
}

void TOpenFolderDialog::Populate(QTreeWidgetItem* Item)
{
    if (!Item || Item->data(0, PopulatedRole).toBool())
        return;
    Item->setData(0, PopulatedRole, true);
    const std::string path = ItemPath(Item);
    const auto folders = ListFolders(machine_, path);
    for (const auto& name : folders)
        AddFolderItem(Item, name, AddBackslash(path) + name);
    if (folders.empty())
        Item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

std::string TOpenFolderDialog::ItemPath(const QTreeWidgetItem* Item)
{
    return Item ? Item->data(0, PathRole).toString().toStdString() : std::string();
}

void TOpenFolderDialog::InitDialog()
{
    if (!window_)
        return;
    // Find the parts of the browse window as it stands.
    for (auto* child : window_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (auto* tree = qobject_cast<QTreeWidget*>(child); tree && !tree_) {
            tree_ = tree;
            treeRect_ = FromQRect(tree->geometry());
        } else if (auto* button = qobject_cast<QPushButton*>(child)) {
            if (!ok_) {
                ok_ = button;
                okRect_ = FromQRect(button->geometry());
            } else if (!cancel_) {
                cancel_ = button;
                cancelRect_ = FromQRect(button->geometry());
            }
        }
    }
    const TOFDPlacement place = PlaceAddedControls(treeRect_, okRect_, cancelRect_, ShowCreateButton, ShowPathEdit);
    if (place.Button) {
        createButton_ = new TOFDCreateButton(*this, window_);
        createButton_->setText(Q(TOFDResourceStrings::ButtonCaption()));
        createButton_->setGeometry(ToQRect(*place.Button));
        createButton_->setVisible(ok_ && ok_->isEnabled());
    }
    if (tree_ && place.Tree && place.Tree != treeRect_)
        tree_->setGeometry(ToQRect(*place.Tree));
    if (place.Edit) {
        pathEdit_ = new TOFDPathEdit(*this, window_);
        pathEdit_->setGeometry(place.Edit->Left, place.Edit->Top, place.Edit->Width(), 21);
        pathEdit_->show();
    }
    if (tree_)
        tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    SelectPath(Directory);
    // Without a start folder nothing is chosen: the tree would otherwise
    // take its first drive as current once it has the focus.
    if (tree_ && !tree_->currentItem())
        tree_->setCurrentIndex(QModelIndex());
}

void TOpenFolderDialog::SelectPath(const std::string& Path)
{
    if (!window_)
        return;
    selecting_ = true;
    const std::string selection = SelectionPath(machine_, Path);
    if (!selection.empty())
        SetSelection(selection);
    selecting_ = false;
}

bool TOpenFolderDialog::SetSelection(const std::string& Path)
{
    if (!tree_)
        return false;
    const std::string path = win::text::trim(Path);
    if (path.size() < 2 || path[1] != ':')
        return false;
    const std::string drive = win::text::toUpper(path.substr(0, 2)) + "\\";
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; i < tree_->topLevelItemCount(); ++i)
        if (win::text::equalsNoCase(ItemPath(tree_->topLevelItem(i)), drive))
            item = tree_->topLevelItem(i);
    if (!item)
        return false;
    const std::string rest = path.size() > 3 ? path.substr(3) : std::string();
    for (const auto& part : win::text::splitNonEmpty(rest, '\\')) {
        Populate(item);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount() && !next; ++i)
            if (win::text::equalsNoCase(item->child(i)->text(0).toStdString(), part))
                next = item->child(i);
        if (!next)
            return false;
        item->setExpanded(true);
        item = next;
    }
    tree_->setCurrentItem(item);
    tree_->scrollToItem(item);
    return true;
}

void TOpenFolderDialog::SelectionChanged(const std::string& ItemPath)
{
    currentPath_ = ItemPath;
    if (pathEdit_ && !editSync_)
        pathEdit_->setText(Q(currentPath_));
    UpdateChoice();
}

void TOpenFolderDialog::UpdateChoice()
{
    if (ok_)
        ok_->setEnabled(!win::text::trim(currentPath_).empty());
    if (ok_ && createButton_)
        createButton_->setVisible(ok_->isEnabled());
}

void TOpenFolderDialog::SyncFromEdit()
{
    if (selecting_ || !pathEdit_)
        return;
    editSync_ = true;
    const std::string text = pathEdit_->text().toStdString();
    SetSelection(text);
    currentPath_ = text;
    editSync_ = false;
    UpdateChoice();
}

void TOpenFolderDialog::CreateFolder()
{
    bool allow = true;
    if (OnCreateFolder && createButton_)
        OnCreateFolder(*createButton_, allow);
    if (!allow)
        return;
    try {
        if (pathEdit_ && !machine_.directoryExists(pathEdit_->text().toStdString())) {
            currentPath_ = pathEdit_->text().toStdString();
        } else {
            std::string name;
            if (!InputQuery
                || !InputQuery(TOFDResourceStrings::InputCaption(), TOFDResourceStrings::InputPrompt(), name))
                return;
            currentPath_ = NewFolderPath(currentPath_, name);
        }
        MakeFolder(currentPath_);
    } catch (...) {
        // An exception must not cross the window's event loop: the run ends
        // and Execute raises it to its caller.
        error_ = std::current_exception();
        if (window_)
            window_->reject();
        return;
    }
    reopen_ = true;
    if (ok_)
        ok_->click();
    else if (window_)
        window_->accept();
}

} // namespace installlib
