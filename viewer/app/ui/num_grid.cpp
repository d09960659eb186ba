#include "viewer/app/ui/num_grid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QStyledItemDelegate>

#include <algorithm>

namespace viewer {

namespace {

// True when the key's text holds a character the grid does not take.
bool dropKey(const QKeyEvent* event)
{
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    for (char32_t ch : text.toUcs4())
        if (!GridKeyAllowed(ch))
            return true;
    return false;
}

// The cell editor gets the same key filter as the grid. Cells are painted
// as plain one-line texts: a page of a few hundred cells is painted on
// every scroll step. A number wider than its cell is shown shortened, the
// whole of it in the tooltip and the editor.
class TGridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        if (selected)
            painter->fillRect(option.rect, option.palette.brush(QPalette::Highlight));
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QRect text = option.rect.adjusted(3, 0, -3, 0);
        const QFontMetrics metrics(option.font);
        const std::string shown = GridFittedText(index.data(Qt::DisplayRole).toString().toStdString(), text.width(),
            [&](const std::string& t) { return metrics.horizontalAdvance(QString::fromStdString(t)); });
        painter->drawText(
            text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, QString::fromStdString(shown));
        if (option.state & QStyle::State_HasFocus) {
            QPen pen(option.palette.color(QPalette::Text), 1, Qt::DotLine);
            painter->setPen(pen);
            painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        }
    }

protected:
    bool eventFilter(QObject* editor, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress && dropKey(static_cast<QKeyEvent*>(event)))
            return true;
        return QStyledItemDelegate::eventFilter(editor, event);
    }
};

} // namespace

TGridTableModel::TGridTableModel(TSmithChart& chart, QObject* parent)
    : QAbstractTableModel(parent)
    , grid_(chart)
{
}

void TGridTableModel::Fill()
{
    beginResetModel();
    grid_.Fill();
    endResetModel();
}

void TGridTableModel::Refill()
{
    beginResetModel();
    grid_.Refill();
    endResetModel();
}

void TGridTableModel::ValuesChanged()
{
    if (grid_.RowCount() > 0)
        emit dataChanged(index(0, 0), index(grid_.RowCount() - 1, grid_.ColumnCount() - 1));
}

bool TGridTableModel::SetFormat(int format, TGridError& error)
{
    if (!grid_.SetFormat(format, error))
        return false;
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, grid_.ColumnCount() - 1));
    if (grid_.RowCount() > 0)
        emit dataChanged(index(0, 0), index(grid_.RowCount() - 1, grid_.ColumnCount() - 1));
    return true;
}

bool TGridTableModel::InsertBefore(int row, TGridError& error)
{
    bool inserting = false;
    const bool ok = grid_.InsertBefore(row, error, [&](int at) {
        beginInsertRows({}, at, at);
        inserting = true;
    });
    if (inserting)
        endInsertRows();
    return ok;
}

bool TGridTableModel::InsertAfter(int row, TGridError& error)
{
    bool inserting = false;
    const bool ok = grid_.InsertAfter(row, error, [&](int at) {
        beginInsertRows({}, at, at);
        inserting = true;
    });
    if (inserting)
        endInsertRows();
    return ok;
}

bool TGridTableModel::DeleteRow(int row)
{
    if (grid_.RowCount() <= 2 || row < 0 || row >= grid_.RowCount())
        return false;
    beginRemoveRows({}, row, row);
    grid_.DeleteRow(row);
    endRemoveRows();
    return true;
}

bool TGridTableModel::WriteBack(TGridError& error, bool& changed)
{
    changed = false;
    if (!grid_.Modified())
        return true;
    beginResetModel();
    const bool ok = grid_.WriteBack(error, changed);
    endResetModel();
    return ok;
}

int TGridTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : grid_.RowCount();
}

int TGridTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : grid_.ColumnCount();
}

QVariant TGridTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole))
        return {};
    return QString::fromStdString(grid_.CellText(index.row(), index.column()));
}

bool TGridTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    if (!grid_.SetCellText(index.row(), index.column(), value.toString().toStdString()))
        return false;
    emit dataChanged(index, index);
    if (CellEdited)
        CellEdited();
    return true;
}

QVariant TGridTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return QString::fromStdString(grid_.Header(section));
    return section + 1;
}

Qt::ItemFlags TGridTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

TNumGrid::TNumGrid(TSmithChart& chart, QWidget* parent)
    : QTableView(parent)
    , model_(new TGridTableModel(chart, this))
{
    setObjectName(QStringLiteral("NumGrid"));
    setModel(model_);
    setItemDelegate(new TGridDelegate(this));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(
        QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setTabKeyNavigation(true);
    setWordWrap(false);
    setMouseTracking(true);
    verticalHeader()->hide();
    // Every row of the same height: the view never measures a million rows.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);

    insertPopup = new QMenu(this);
    InsertBefore = insertPopup->addAction(QStringLiteral("Insert Before"));
    InsertAfter = insertPopup->addAction(QStringLiteral("Insert After"));
    DeleteRow = insertPopup->addAction(QStringLiteral("Delete Row"));
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
        [this](const QPoint& pos) { insertPopup->popup(viewport()->mapToGlobal(pos)); });
    connect(model_, &QAbstractItemModel::modelReset, this, [this] { SizeColumns(); });
}

int TNumGrid::TopSelectedRow() const
{
    int top = -1;
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    for (const QModelIndex& i : selected)
        if (top < 0 || i.row() < top)
            top = i.row();
    if (top < 0 && currentIndex().isValid())
        top = currentIndex().row();
    return top;
}

void TNumGrid::SizeColumns()
{
    const int columns = model_->columnCount();
    if (columns <= 0)
        return;
    const int width = std::max(64, viewport()->width() / columns);
    horizontalHeader()->setDefaultSectionSize(width);
    for (int c = 0; c < columns; ++c)
        horizontalHeader()->resizeSection(c, width);
}

void TNumGrid::GoToCell(int row, int column)
{
    const QModelIndex i = model_->index(row, column);
    if (!i.isValid())
        return;
    setCurrentIndex(i);
    scrollTo(i);
}

void TNumGrid::keyPressEvent(QKeyEvent* event)
{
    if (dropKey(event)) {
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TNumGrid::mouseMoveEvent(QMouseEvent* event)
{
    QTableView::mouseMoveEvent(event);
    const QModelIndex i = indexAt(event->position().toPoint());
    if (CellHovered)
        CellHovered(i.isValid() ? i.row() : -1, i.isValid() ? i.column() : -1);
}

void TNumGrid::leaveEvent(QEvent* event)
{
    QTableView::leaveEvent(event);
    if (CellHovered)
        CellHovered(-1, -1);
}

void TNumGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    SizeColumns();
}

} // namespace viewer
