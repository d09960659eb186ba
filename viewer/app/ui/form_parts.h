#pragma once

// Pieces the viewer's dialogs are built from: titled boxes holding a group
// of radio buttons or one widget, and the OK / Cancel / Help buttons they
// end with.

#include <QGridLayout>
#include <QGroupBox>
#include <QString>
#include <QVBoxLayout>

class QButtonGroup;
class QDialog;
class QPushButton;
class QWidget;

namespace viewer {

// A titled box at (row, col) of the grid with one radio button an item,
// numbered from 0 in the returned group named `name`.
QButtonGroup* radioGroup(QWidget* owner, QGridLayout* grid, int row, int col, const QString& title,
    const char* const* items, int count, const char* name);

// A titled box at (row, col) of the grid holding one widget of its own.
template <class W>
W* boxed(QWidget* owner, QGridLayout* grid, int row, int col, const QString& title, const char* name, int colSpan = 1)
{
    auto* box = new QGroupBox(title, owner);
    auto* lay = new QVBoxLayout(box);
    auto* widget = new W(box);
    widget->setObjectName(QString::fromLatin1(name));
    lay->addWidget(widget);
    grid->addWidget(box, row, col, 1, colSpan);
    return widget;
}

// Makes the OK (the default), Cancel and Help buttons of a dialog; F1 in the
// dialog presses Help.
void createDialogButtons(QWidget* owner, QPushButton*& ok, QPushButton*& cancel, QPushButton*& help);

// F1 anywhere in `window` presses `help` while it is shown and enabled.
void helpOnF1(QWidget* window, QPushButton* help);

// Lays out `dialog` as the grid above a row of OK, Cancel and Help pushed to
// the right, at a fixed size.
void layOutGridDialog(QDialog* dialog, QGridLayout* grid, QPushButton*& ok, QPushButton*& cancel, QPushButton*& help);

} // namespace viewer
