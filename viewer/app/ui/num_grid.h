#pragma once

// The numeric view on screen: a table model over TNumericGrid under a table
// view. Only the rows in sight are asked for their texts, so a file of a
// million points opens without copying its values into the widget.

#include "viewer/app/numeric_grid.h"

#include <QAbstractTableModel>
#include <QTableView>
#include <functional>

class QMenu;
class QAction;

namespace viewer {

class TGridTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TGridTableModel(TSmithChart& chart, QObject* parent = nullptr);

    TNumericGrid& Grid() { return grid_; }
    const TNumericGrid& Grid() const { return grid_; }

    // The grid's operations, with the view told what changed.
    void Fill();
    void Refill();
    // The same points hold new values: every cell is shown again, the
    // user's place in the grid kept.
    void ValuesChanged();
    bool SetFormat(int format, TGridError& error);
    bool InsertBefore(int row, TGridError& error);
    bool InsertAfter(int row, TGridError& error);
    bool DeleteRow(int row);
    bool WriteBack(TGridError& error, bool& changed);

    // A cell the user changed (after it was stored).
    std::function<void()> CellEdited;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    TNumericGrid grid_;
};

// NumGrid: the view, its key filter, the hovered cell and the row menu.
class TNumGrid : public QTableView {
    Q_OBJECT
public:
    explicit TNumGrid(TSmithChart& chart, QWidget* parent = nullptr);

    TGridTableModel& Model() { return *model_; }
    // The row menu: "Insert Before", "Insert After", "Delete Row".
    QMenu* insertPopup = nullptr;
    QAction *InsertBefore = nullptr, *InsertAfter = nullptr, *DeleteRow = nullptr;

    // The top row of the selection (or the current row); -1 when none.
    int TopSelectedRow() const;
    // Each column the client width divided among them, but at least 64 pixels.
    void SizeColumns();
    // Selects a cell and scrolls it into sight.
    void GoToCell(int row, int column);

    // The data row and column under the pointer, on every move.
    std::function<void(int row, int column)> CellHovered;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TGridTableModel* model_ = nullptr;
};

} // namespace viewer
