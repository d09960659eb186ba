#include "viewer/app/ui/curve_menu.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QMenu>
#include <QSignalBlocker>
#include <QWidgetAction>

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
            menu->close();
        });
        connect(action, &QAction::toggled, box, [box](bool on) {
            const QSignalBlocker block(box);
            box->setChecked(on);
        });
    }
    grid->setRowStretch(kCurveItemsPerColumn, 1);
}

void AddCurveItems(QMenu* menu, const std::vector<QAction*>& items)
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

} // namespace viewer
