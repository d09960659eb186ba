#pragma once

// Pieces the viewer's dialogs are built from: a titled group of radio
// buttons, and the OK / Cancel / Help buttons they end with.

#include <QString>

class QButtonGroup;
class QDialog;
class QGridLayout;
class QHBoxLayout;
class QPushButton;
class QWidget;

namespace viewer {

// A titled box at (row, col) of the grid with one radio button an item,
// numbered from 0 in the returned group named `name`.
QButtonGroup* radioGroup(QWidget* owner, QGridLayout* grid, int row, int col, const QString& title,
    const char* const* items, int count, const char* name);

// Makes the OK (the default), Cancel and Help buttons of a dialog.
void createDialogButtons(QWidget* owner, QPushButton*& ok, QPushButton*& cancel, QPushButton*& help);

// Lays out `dialog` as the grid above a row of OK, Cancel and Help pushed to
// the right, at a fixed size.
void layOutGridDialog(QDialog* dialog, QGridLayout* grid, QPushButton*& ok, QPushButton*& cancel, QPushButton*& help);

} // namespace viewer
