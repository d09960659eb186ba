#pragma once

// The page-setup dialog on screen: TQtPageSetupDialog runs TPageSetupForm
// ("Page Setup": paper, orientation, margins, a sample page that the owner
// may paint, Printer and Help buttons) and keeps the program's printer.

#include "viewer/components/pagesetup.h"

#include <QDialog>

#include <functional>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QRadioButton;

namespace viewer {

class TChartCanvas;

class TPageSetupPreview;

class TPageSetupForm : public QDialog {
    Q_OBJECT
public:
    TPageSetupForm(TPageSetupDialog& owner, TPageSetupRecord& record, QWidget* parent = nullptr);

    TPSMeasurements Unit() const { return unit_; }
    // The record as the controls stand (margins as last accepted).
    const TPageSetupRecord& Record() const { return record_; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    friend class TPageSetupPreview;
    void paperChanged();
    void orientationChanged();
    void printerClicked();
    void showMargins();
    // The margins in the boxes, or the reason they cannot be used.
    bool readMargins(TPSRect& margins, std::string& why) const;
    void refuse(const std::string& why);
    void tell(const std::string& text);
    const TPSPaper& paper() const;
    // The printer's own paper when it is not in the table.
    TPSPaper ownPaper_;

    TPageSetupDialog& owner_;
    TPageSetupRecord& result_;
    TPageSetupRecord record_;
    TPSMeasurements unit_;
    QComboBox* size_ = nullptr;
    QRadioButton* portrait_ = nullptr;
    QRadioButton* landscape_ = nullptr;
    QLineEdit* left_ = nullptr;
    QLineEdit* right_ = nullptr;
    QLineEdit* top_ = nullptr;
    QLineEdit* bottom_ = nullptr;
    QLabel* printerLabel_ = nullptr;
    TPageSetupPreview* preview_ = nullptr;
};

// The component with its screen dialog. Printer is the program's current
// printer: Execute starts from its paper and orientation and, on OK, sets
// the chosen printer, paper and orientation on it.
class TQtPageSetupDialog : public TPageSetupDialog {
public:
    explicit TQtPageSetupDialog(QWidget* parent = nullptr)
        : parent_(parent)
    {
    }
    QPrinter* Printer = nullptr;

protected:
    bool RunDialog(TPageSetupRecord& record) override;
    TPSPrinterSetup CurrentPrinter() const override;
    void ApplyPrinter(const TPSPrinterSetup& printer) override;

private:
    QWidget* parent_;
};

// For the preview handlers: draws a chart at the rectangle's own size, its
// lines one pixel wide and its fonts shrunk by as much as a chart of
// refW x refH (the one on screen) shrinks to the rectangle, though never
// below a size that can be read.
void PaintInRect(QPainter& painter, const TPSRect& rect, int refW, int refH,
    const std::function<void(TChartCanvas& canvas, int W, int H)>& draw);

} // namespace viewer
