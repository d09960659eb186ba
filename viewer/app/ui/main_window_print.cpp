// The main window's printing, page setup, page-setup preview and clipboard
// copy of the visible chart.

#include "viewer/app/print_layout.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/app/viewer_dialogs.h"
#include "viewer/components/smithchart_print.h"
#include "viewer/components/ui/pagesetupdialog.h"
#include "viewer/components/ui/smithchartwidget.h"
#include "viewer/components/ui/xychartwidget.h"

#include <QFileInfo>
#include <QPainter>
#include <QPrinter>

namespace viewer {

namespace {
constexpr int kPageSetupHelp = 11;
}

void TMainForm::createPrinting()
{
    // The system's printer, or a PDF file the user names at each print
    // when there is none.
    printer_ = smith::NewChartPrinter(QString());
    pageSetup_ = std::make_unique<TQtPageSetupDialog>(this);
    TQtPageSetupDialog& d = *pageSetup_;
    d.Printer = printer_.get();
    d.HelpContext = kPageSetupHelp;
    d.Measurements = TPSMeasurements::pmMillimeters;
    d.OnHelp = [this](TPageSetupDialog&, int context) { ShowHelp(context); };
    d.OnInitPaintPage = [this](TPageSetupDialog&, short, TPSPaperType, TPSPaperOrientation, TPSPrinterType,
                            PPSDlgData setup) {
        // The paper and margins the sample page shows now.
        if (setup)
            previewSetup_ = *setup;
        return false; // the dialog draws its sample page
    };
    d.OnPaintPage = [this](TPageSetupDialog&, TPSPaintWhat what, QPainter& canvas, const TPSRect& rect) {
        return PageSetupDialog1PaintPage(what, canvas, rect);
    };
}

TChartDrawing TMainForm::VisibleChartDrawing()
{
    // Never the screen: the pointer keeps reading the window's layout.
    if (XYVisible())
        return [this](TChartCanvas& canvas, int W, int H, int l, int r, int t, int b) {
            xy_->Chart().DrawChart(canvas, W, H, l, r, t, b, smith::TDrawTarget::dtOther);
        };
    return [this](TChartCanvas& canvas, int W, int H, int l, int r, int t, int b) {
        smith_->Chart().DrawChart(canvas, W, H, l, r, t, b, smith::TDrawTarget::dtOther);
    };
}

bool TMainForm::PageSetupDialog1PaintPage(TPSPaintWhat what, QPainter& canvas, const TPSRect& rect)
{
    if (what == TPSPaintWhat::pwFullPage) {
        previewPage_ = rect;
        return false; // the dialog draws the paper
    }
    if (what == TPSPaintWhat::pwMargins) {
        // The whole page as it prints: what the chart draws outside its
        // margins (the Smith chart's outer labels) shows as well.
        const bool mm = (previewSetup_.Flags & psdInHundredthsOfMillimeters) != 0;
        PaintPagePreview(canvas, previewPage_, previewSetup_.PaperSize, previewSetup_.Margins, mm,
            VisibleChartDrawing());
        // The paper's edge, drawn over by the page.
        canvas.setPen(Qt::black);
        canvas.setBrush(Qt::NoBrush);
        canvas.drawRect(previewPage_.left, previewPage_.top, previewPage_.Width(), previewPage_.Height());
        return false; // the dialog still draws its margin lines
    }
    // No sample text over the chart.
    return what == TPSPaintWhat::pwGreekText;
}

void TMainForm::PageSetupClick()
{
    if (!WriteGridBack())
        return;
    dialogs_->ExecutePageSetup(*pageSetup_);
}

void TMainForm::PrintClick()
{
    if (!WriteGridBack())
        return;
    // There is no print dialog of its own: the page setup is it.
    if (!dialogs_->ExecutePageSetup(*pageSetup_))
        return;
    QPrinter& printer = *printer_;
    std::string pdf;
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        // No printer: the page goes to a PDF file the user chooses.
        pdf = printer.outputFileName().toStdString();
        if (pdf.empty() && !state_->CurrentPath.empty()) {
            const QFileInfo fi(QString::fromStdString(state_->CurrentPath));
            pdf = (fi.path() + QStringLiteral("/") + fi.completeBaseName() + QStringLiteral(".pdf")).toStdString();
        }
        if (!dialogs_->AskSaveFileName("PDF files (*.pdf)|*.pdf|", "pdf", pdf))
            return;
        printer.setOutputFileName(QString::fromStdString(pdf));
    }
    TPSPoint paper = pageSetup_->PaperSize;
    if (paper.x <= 0 || paper.y <= 0) {
        const QSizeF mm = printer.pageLayout().fullRect(QPageLayout::Millimeter).size();
        paper = { qRound(mm.width() * 100), qRound(mm.height() * 100) };
    }
    if (!PrintDrawing(printer, paper, pageSetup_->Margins, VisibleChartDrawing()))
        dialogs_->ShowMessage(pdf.empty() ? std::string("The chart could not be printed.")
                                          : "The chart could not be written to " + pdf + ".");
}

void TMainForm::CopyClick()
{
    if (!WriteGridBack())
        return;
    if (XYVisible())
        xy_->Chart().CopyToClipboard();
    else
        smith_->Chart().CopyToClipboard();
}

} // namespace viewer
