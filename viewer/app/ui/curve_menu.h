#pragma once

// The curve items of the Curves menu: up to ten in the menu itself; more
// are laid out in columns of ten, as a long menu breaks into columns. The
// curves of more than four ports are grouped one submenu a row of the
// matrix ("S1x", "S2x", ...), so that every curve of 99 ports is reachable
// on the screen.

#include <QWidget>

#include <vector>

class QAction;
class QMenu;

namespace viewer {

constexpr int kCurveItemsPerColumn = 10;
constexpr int kPortsWithoutGroups = 4;

// Appends `items` (checkable actions, a port count's square of them in row
// order, or any other number) to `menu`. Each still triggers as a menu item
// does: its check toggles, `triggered` fires and the menu closes. Row
// submenus belong to `menu`; whoever removes them deletes them.
void AddCurveItems(QMenu* menu, const std::vector<QAction*>& items);

// The columns that hold the items of a long curve menu.
class TCurveColumns : public QWidget {
    Q_OBJECT
public:
    TCurveColumns(QMenu* menu, const std::vector<QAction*>& items);
    int ColumnCount() const { return columns_; }

private:
    int columns_ = 0;
};

} // namespace viewer
