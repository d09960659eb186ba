#pragma once

// The scales dialog: left and right axis ranges and the grid intervals of
// the visible chart; the X range is shown only.

#include "viewer/app/chart_dialog_values.h"

#include <QDialog>

class QLineEdit;
class QPushButton;
class QSpinBox;

namespace viewer {

class TMainForm;

class TScalesForm : public QDialog {
    Q_OBJECT
public:
    explicit TScalesForm(TMainForm& main);

    // What showing the dialog runs: the values of the Smith chart when it
    // is visible, else of the XY chart; Apply disabled.
    void FormActivate();
    // Converts every field first: a bad one is reported and nothing is
    // applied (false). Otherwise the ranges and intervals go to the chart
    // the dialog was read from, which is repainted.
    bool Apply();
    TScalesTexts Texts() const;

    QLineEdit* LeftYMax = nullptr;
    QLineEdit* LeftYMin = nullptr;
    QLineEdit* RightYMax = nullptr;
    QLineEdit* RightYMin = nullptr;
    QLineEdit* XMin = nullptr;
    QLineEdit* XMax = nullptr;
    QSpinBox* HorizLines = nullptr;
    QSpinBox* VertLines = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
    QPushButton* ApplyButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TMainForm& main_;
    bool smith_ = true; // which chart the values came from
    bool updating_ = false;
};

} // namespace viewer
