#include "viewer/app/ui/form_parts.h"

#include <QButtonGroup>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace viewer {

QButtonGroup* radioGroup(QWidget* owner, QGridLayout* grid, int row, int col, const QString& title,
    const char* const* items, int count, const char* name)
{
    auto* box = new QGroupBox(title, owner);
    auto* lay = new QVBoxLayout(box);
    auto* group = new QButtonGroup(owner);
    group->setObjectName(QString::fromLatin1(name));
    for (int i = 0; i < count; ++i) {
        auto* b = new QRadioButton(QString::fromLatin1(items[i]), box);
        lay->addWidget(b);
        group->addButton(b, i);
    }
    grid->addWidget(box, row, col);
    return group;
}

void createDialogButtons(QWidget* owner, QPushButton*& ok, QPushButton*& cancel, QPushButton*& help)
{
    ok = new QPushButton(QStringLiteral("OK"), owner);
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("Cancel"), owner);
    help = new QPushButton(QStringLiteral("Help"), owner);
    helpOnF1(owner, help);
}

void helpOnF1(QWidget* window, QPushButton* help)
{
    auto* key = new QShortcut(QKeySequence(Qt::Key_F1), window);
    QObject::connect(key, &QShortcut::activated, help, [help] {
        if (!help->isHidden() && help->isEnabled())
            help->click();
    });
}

void layOutGridDialog(QDialog* dialog, QGridLayout* grid, QPushButton*& ok, QPushButton*& cancel, QPushButton*& help)
{
    createDialogButtons(dialog, ok, cancel, help);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(help);

    auto* top = new QVBoxLayout(dialog);
    top->addLayout(grid);
    top->addLayout(buttons);
    dialog->layout()->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace viewer
