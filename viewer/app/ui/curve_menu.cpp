#include "viewer/app/ui/curve_menu.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QMenu>
#include <QSignalBlocker>
#include <QWidgetAction>

#include <cmath>

namespace viewer {

TCurveColumns::TCurveColumns(QMenu* menu, const std::vector<QAction*>& items)
    : QWidget(menu)
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 2);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(2);
    for (std::size_t i = 0; i < items.size(); ++i) {
        QAction* action = items[i];
        auto* box = new QCheckBox(action->text(), this);
        box->setObjectName(action->objectName());
        box->setChecked(action->isChecked());
        const int row = static_cast<int>(i) % kCurveItemsPerColumn;
        const int column = static_cast<int>(i) / kCurveItemsPerColumn;
        grid->addWidget(box, row, column);
        columns_ = std::max(columns_, column + 1);
        // The action keeps the state; the box only shows it.
        connect(box, &QCheckBox::clicked, action, [action, box, menu] {
            const QSignalBlocker block(box);
            box->setChecked(action->isChecked());
            action->trigger();
            // As a menu item does, the click closes the menu and the menus
            // it hangs from.
            for (QMenu* m = menu; m; m = qobject_cast<QMenu*>(m->parentWidget()))
                m->close();
        });
        connect(action, &QAction::toggled, box, [box](bool on) {
            const QSignalBlocker block(box);
            box->setChecked(on);
        });
    }
    grid->setRowStretch(kCurveItemsPerColumn, 1);
}

namespace {

void addColumns(QMenu* menu, const std::vector<QAction*>& items)
{
    if (static_cast<int>(items.size()) <= kCurveItemsPerColumn) {
        for (QAction* a : items)
            menu->addAction(a);
        return;
    }
    auto* holder = new QWidgetAction(menu);
    holder->setObjectName(QStringLiteral("CurveColumns"));
    holder->setDefaultWidget(new TCurveColumns(menu, items));
    menu->addAction(holder);
}

} // namespace

void AddCurveItems(QMenu* menu, const std::vector<QAction*>& items)
{
    const auto ports = static_cast<std::size_t>(std::lround(std::sqrt(static_cast<double>(items.size()))));
    if (ports <= kPortsWithoutGroups || ports * ports != items.size()) {
        addColumns(menu, items);
        return;
    }
    for (std::size_t row = 0; row < ports; ++row) {
        QMenu* group = menu->addMenu(QStringLiteral("S%1x").arg(row + 1));
        group->setObjectName(group->title());
        const auto first = items.begin() + static_cast<std::ptrdiff_t>(row * ports);
        addColumns(group, std::vector<QAction*>(first, first + static_cast<std::ptrdiff_t>(ports)));
    }
}

} // namespace viewer
