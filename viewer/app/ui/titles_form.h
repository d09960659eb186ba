#pragma once

// The titles dialog: the chart title with its font and the three axis
// titles of the rectangular views.

#include "viewer/app/chart_dialog_values.h"

#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPushButton;

namespace viewer {

class TMainForm;

class TTitlesForm : public QDialog {
    Q_OBJECT
public:
    explicit TTitlesForm(TMainForm& main);

    // What showing the dialog runs: the titles and the title font of the
    // Smith chart; the axis titles only enabled in a rectangular view.
    void FormActivate();
    // Title, title font and axis titles to both charts, both repainted.
    void Apply();
    TTitlesValues Values() const;

    void TitleFontClick();
    void YTitlesFontClick();

    QLineEdit* TitleEdit = nullptr;
    QPushButton* TitleFontButton = nullptr;
    QGroupBox* GridTitles = nullptr;
    QLineEdit* LeftEdit = nullptr;
    QLineEdit* RightEdit = nullptr;
    QLineEdit* XEdit = nullptr;
    QPushButton* YTitlesFontButton = nullptr;
    QPushButton* XTitleFontButton = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPushButton* HelpButton = nullptr;
    QPushButton* ApplyButton = nullptr;

    // The font of the title edit, which Apply gives the charts.
    const TChartFont& TitleFont() const { return titleFont_; }
    // The font the left and right edits show.
    const TChartFont& YTitlesFont() const { return yTitlesFont_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    TMainForm& main_;
    TChartFont titleFont_;
    TChartFont yTitlesFont_;
    bool updating_ = false;
};

} // namespace viewer
