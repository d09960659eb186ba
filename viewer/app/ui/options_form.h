#pragma once

// The options dialog: grid style, chart colours, marker options, capture
// drivers, the numeric grid's data format, the file history and the
// status-bar digits. It reads its values from the charts and the main
// window when it is shown and writes them back on Apply or OK.

#include "viewer/app/options_values.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QFrame;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace viewer {

class TMainForm;

class TOptionsForm : public QDialog {
    Q_OBJECT
public:
    explicit TOptionsForm(TMainForm& main);

    // The page indexes of PageControl1.
    enum TPage { pgGrids, pgColours, pgDataMarkers, pgDrivers, pgNumeric, pgMisc, pgStatusBar };

    // What showing the dialog runs: the values from the charts and the main
    // window, Apply disabled.
    void FormActivate();
    // Grid style, colours, markers and digits to the charts and the main
    // window, the grid format when it was chosen, the file history cleared
    // when asked; then Apply is disabled and both charts repainted.
    void Apply();
    // The values as the controls hold them.
    TOptionsValues Values() const;

    // Event handlers of the buttons of the colour and driver pages.
    void ColourClick(int which); // 0 border, 1 background, 2 graph
    void AddClick();
    void RemoveClick();

    QTabWidget* PageControl1 = nullptr;
    QButtonGroup* GridStyle = nullptr;
    QPushButton* BorderButton = nullptr;
    QPushButton* BackgroundButton = nullptr;
    QPushButton* GraphButton = nullptr;
    QFrame* BorderSwatch = nullptr;
    QFrame* BackgroundSwatch = nullptr;
    QFrame* GraphSwatch = nullptr;
    QCheckBox* MagAngle = nullptr;
    QCheckBox* RX = nullptr;
    QCheckBox* Normalised = nullptr;
    QSpinBox* MarkerDigits = nullptr;
    QListWidget* DriverList = nullptr;
    QPushButton* AddButton = nullptr;
    QPushButton* RemoveButton = nullptr;
    QButtonGroup* DataFormat = nullptr;
    QCheckBox* ClearFileHistory = nullptr;
    QSpinBox* FreqDigits = nullptr;
    QSpinBox* DbDigits = nullptr;
    QSpinBox* OtherDigits = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* ApplyButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;

    // Set by choosing a data format; Apply then reformats the grid.
    bool FormatChanged() const { return formatChanged_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Changed();
    void ShowGridType();
    void FillDriverList();
    void ShowSwatches();

    TMainForm& main_;
    TColor colours_[3] = { clWhite, clWhite, clBlack };
    bool formatChanged_ = false;
    bool updating_ = false;
};

} // namespace viewer
