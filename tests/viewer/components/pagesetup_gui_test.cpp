#include "viewer/components/ui/pagesetupdialog.h"

#include "smithchart_samples.h"
#include "viewer/components/smithchart.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>

#include <vector>

using namespace viewer;
using M = TPSMeasurements;

namespace {

// Runs fn on the page-setup form once Execute has shown it.
void WhenShown(std::function<void(TPageSetupForm&)> fn)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, fn] {
        auto* form = qobject_cast<TPageSetupForm*>(QApplication::activeModalWidget());
        if (!form)
            return;
        timer->stop();
        timer->deleteLater();
        fn(*form);
    });
    timer->start();
}

template <class T> T* Child(QWidget& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

QPushButton* Button(QWidget& w, const char* name)
{
    return Child<QPushButton>(w, name);
}

QPushButton* OkButton(QWidget& w)
{
    for (auto* b : w.findChildren<QPushButton*>())
        if (b->text().remove('&') == QStringLiteral("OK"))
            return b;
    return nullptr;
}

} // namespace

// Catches answers lost between the controls and the component: orientation
// not swapping the paper, margins read in the wrong unit, the printer not
// following the choice.
TEST(PageSetupForm, ExecuteReturnsTheChosenValues)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    TQtPageSetupDialog dialog;
    dialog.Printer = &printer;
    dialog.Measurements = M::pmMillimeters;

    WhenShown([](TPageSetupForm& form) {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Page Setup"));
        EXPECT_EQ(Child<QComboBox>(form, "Size")->currentText(), QStringLiteral("A4"));
        EXPECT_EQ(Child<QLineEdit>(form, "Left")->text(), QStringLiteral("10.00"));
        EXPECT_TRUE(Child<QWidget>(form, "PrinterWarning")->isVisibleTo(&form));
        Child<QRadioButton>(form, "Landscape")->click();
        Child<QLineEdit>(form, "Left")->setText(QStringLiteral("30"));
        Child<QLineEdit>(form, "Bottom")->setText(QStringLiteral("12.5"));
        OkButton(form)->click();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.PaperSize, (TPSPoint { 29700, 21000 }));
    EXPECT_EQ(dialog.Margins, (TPSRect { 3000, 1000, 1000, 1250 }));
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);

    // Inches: Letter in thousandths, the margins as typed.
    dialog.Measurements = M::pmInches;
    dialog.Margins = { 1000, 1000, 1000, 1000 };
    WhenShown([](TPageSetupForm& form) {
        EXPECT_EQ(Child<QLineEdit>(form, "Top")->text(), QStringLiteral("1.000"));
        auto* size = Child<QComboBox>(form, "Size");
        size->setCurrentIndex(size->findText(QStringLiteral("Letter")));
        Child<QRadioButton>(form, "Portrait")->click();
        Child<QLineEdit>(form, "Right")->setText(QStringLiteral("0.75"));
        OkButton(form)->click();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.PaperSize, (TPSPoint { 8500, 11000 }));
    EXPECT_EQ(dialog.Margins, (TPSRect { 1000, 1000, 750, 1000 }));
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::Letter);
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
}

// Catches margins wider than the paper being accepted, or the refusal
// losing the margins the user had.
TEST(PageSetupForm, RefusesMarginsLargerThanThePaperAndKeepsTheOldOnes)
{
    TQtPageSetupDialog dialog;
    dialog.Measurements = M::pmMillimeters;
    dialog.SetPrinter({ "", 9, TPSPaperOrientation::poPortrait, {} });
    bool refused = false;
    WhenShown([&](TPageSetupForm& form) {
        Child<QLineEdit>(form, "Left")->setText(QStringLiteral("150"));
        Child<QLineEdit>(form, "Right")->setText(QStringLiteral("100"));
        OkButton(form)->click();
        auto* box = Child<QMessageBox>(form, "PageSetupMessage");
        ASSERT_NE(box, nullptr);
        refused = true;
        EXPECT_NE(box->text().indexOf(QStringLiteral("paper width of 210.00 mm")), -1) << box->text().toStdString();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(Child<QLineEdit>(form, "Left")->text(), QStringLiteral("10.00"));
        EXPECT_EQ(Child<QLineEdit>(form, "Right")->text(), QStringLiteral("10.00"));
        box->accept();
        Child<QLineEdit>(form, "Top")->setText(QStringLiteral("ten"));
        OkButton(form)->click();
        // The newest box; the first one is only deleted later.
        box = form.findChildren<QMessageBox*>(QStringLiteral("PageSetupMessage")).last();
        EXPECT_NE(box->text().indexOf(QStringLiteral("\"ten\" is not a margin")), -1) << box->text().toStdString();
        box->accept();
        form.reject();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_TRUE(refused);
    EXPECT_EQ(dialog.Margins, (TPSRect { 1000, 1000, 1000, 1000 }));
    EXPECT_EQ(dialog.PaperSize, (TPSPoint { 0, 0 }));
}

// Catches options that do not reach the controls, and the Printer and Help
// buttons not reaching the owner.
TEST(PageSetupForm, OptionsPrinterAndHelp)
{
    TQtPageSetupDialog dialog;
    dialog.Options = { TPageSetupOption::poDisableMargins, TPageSetupOption::poDisableOrientation,
        TPageSetupOption::poDisablePaper, TPageSetupOption::poNoWarning };
    WhenShown([](TPageSetupForm& form) {
        EXPECT_FALSE(Child<QLineEdit>(form, "Left")->isEnabled());
        EXPECT_FALSE(Child<QRadioButton>(form, "Landscape")->isEnabled());
        EXPECT_FALSE(Child<QComboBox>(form, "Size")->isEnabled());
        EXPECT_TRUE(Button(form, "Printer")->isEnabled());
        EXPECT_FALSE(Button(form, "Help")->isVisibleTo(&form));
        EXPECT_FALSE(Child<QWidget>(form, "PrinterWarning")->isVisibleTo(&form));
        form.reject();
    });
    EXPECT_FALSE(dialog.Execute());

    dialog.Options = { TPageSetupOption::poShowHelp, TPageSetupOption::poDisablePrinter };
    dialog.HelpContext = 11;
    int helpAsked = 0;
    dialog.OnHelp = [&](TPageSetupDialog&, int context) { helpAsked = context; };
    WhenShown([](TPageSetupForm& form) {
        EXPECT_FALSE(Button(form, "Printer")->isEnabled());
        Button(form, "Help")->click();
        form.reject();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(helpAsked, 11);

    dialog.Options = {};
    QWidget* printerWnd = nullptr;
    dialog.OnPrinter = [&](TPageSetupDialog&, QWidget* wnd) { printerWnd = wnd; };
    QPoint shownAt;
    QSize frame;
    WhenShown([&](TPageSetupForm& form) {
        Button(form, "Printer")->click();
        EXPECT_EQ(printerWnd, &form);
        shownAt = form.pos();
        frame = form.frameGeometry().size();
        OkButton(form)->click();
    });
    EXPECT_TRUE(dialog.Execute());
    // With a hook the dialog is centred: a half across, a third down.
    const QRect sg = QGuiApplication::primaryScreen()->geometry();
    const TPSPoint c = CenterWindowPos(sg.width(), sg.height(), frame.width(), frame.height());
    EXPECT_EQ(shownAt, QPoint(sg.left() + c.x, sg.top() + c.y));
}

// Catches the Printer button's notice throwing away margins being typed
// when no printer is installed.
TEST(PageSetupForm, PrinterButtonWithoutPrintersKeepsTheTypedMargins)
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        GTEST_SKIP() << "a printer is installed here";
    TQtPageSetupDialog dialog;
    dialog.Measurements = M::pmMillimeters;
    WhenShown([](TPageSetupForm& form) {
        Child<QLineEdit>(form, "Left")->setText(QStringLiteral("25"));
        Button(form, "Printer")->click();
        auto* box = Child<QMessageBox>(form, "PageSetupMessage");
        ASSERT_NE(box, nullptr);
        EXPECT_NE(box->text().indexOf(QStringLiteral("No printer is installed")), -1);
        box->accept();
        EXPECT_EQ(Child<QLineEdit>(form, "Left")->text(), QStringLiteral("25"));
        OkButton(form)->click();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Margins.left, 2500);
}

// Catches a printer paper that the table lacks silently replaced by A4 on
// OK, and a paper picked in the dialog not reaching the printer.
TEST(PageSetupForm, PrinterPaperOutsideTheTableStays)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QSizeF(100, 150), QPageSize::Millimeter, QStringLiteral("Card")));
    TQtPageSetupDialog dialog;
    dialog.Printer = &printer;
    dialog.Measurements = M::pmMillimeters;
    WhenShown([](TPageSetupForm& form) {
        EXPECT_EQ(Child<QComboBox>(form, "Size")->currentText(), QStringLiteral("Card"));
        OkButton(form)->click();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.PaperSize, (TPSPoint { 10000, 15000 }));
    const QSizeF mm = printer.pageLayout().pageSize().size(QPageSize::Millimeter);
    EXPECT_NEAR(mm.width(), 100, 0.5);
    EXPECT_NEAR(mm.height(), 150, 0.5);

    WhenShown([](TPageSetupForm& form) {
        auto* size = Child<QComboBox>(form, "Size");
        size->setCurrentIndex(size->findData(11)); // A5
        OkButton(form)->click();
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(printer.pageLayout().pageSize().id(), QPageSize::A5);
    EXPECT_EQ(dialog.PaperSize, (TPSPoint { 14800, 21000 }));
}

// Catches a sample page whose stages come in the wrong order or with the
// wrong rectangles, an owner's painting that the dialog paints over, and a
// paint event called without the paint hook.
TEST(PageSetupForm, SamplePageStagesAndTheChartInTheMargins)
{
    smith::TSmithChart chart;
    smith::samples::AddSampleCurves(chart);
    TQtPageSetupDialog dialog;
    dialog.Measurements = M::pmMillimeters;
    dialog.Margins = { 2000, 2000, 2000, 2000 };
    dialog.SetPrinter({ "", 9, TPSPaperOrientation::poPortrait, {} });

    std::vector<std::pair<TPSPaintWhat, TPSRect>> stages;
    int inits = 0;
    bool suppressAll = false;
    dialog.OnPaintPage = [&](TPageSetupDialog&, TPSPaintWhat what, QPainter& canvas, const TPSRect& r) {
        stages.emplace_back(what, r);
        if (what == TPSPaintWhat::pwMargins) {
            PaintInRect(
                canvas, r, 400, 300, [&](TChartCanvas& c, int W, int H) { chart.DrawChart(c, W, H, 0, 0, 0, 0); });
            return false;
        }
        return what == TPSPaintWhat::pwGreekText;
    };

    // Only the paint event: no paint hook, the dialog's own sample page.
    WhenShown([&](TPageSetupForm& form) {
        Child<QWidget>(form, "Sample")->grab();
        form.reject();
    });
    dialog.Execute();
    EXPECT_TRUE(stages.empty());

    dialog.OnInitPaintPage = [&](TPageSetupDialog&, short paperSize, TPSPaperType type, TPSPaperOrientation o,
                                 TPSPrinterType, PPSDlgData data) {
        ++inits;
        EXPECT_EQ(paperSize, 9);
        EXPECT_EQ(type, TPSPaperType::ptPaper);
        EXPECT_EQ(o, TPSPaperOrientation::poPortrait);
        EXPECT_EQ(data->PaperSize, (TPSPoint { 21000, 29700 }));
        return suppressAll;
    };
    QImage sample;
    QImage whole;
    WhenShown([&](TPageSetupForm& form) {
        form.resize(420, 560);
        sample = Child<QWidget>(form, "Sample")->grab().toImage();
        whole = form.grab().toImage();
        form.reject();
    });
    dialog.Execute();
    ASSERT_FALSE(sample.isNull());
    QDir().mkpath(QStringLiteral(TAVIX_RENDER_DIR));
    EXPECT_TRUE(whole.save(QStringLiteral(TAVIX_RENDER_DIR "/pagesetup_dialog.png")));

    ASSERT_GE(inits, 1);
    ASSERT_GE(stages.size(), 4u);
    const std::vector<TPSPaintWhat> order({ TPSPaintWhat::pwFullPage, TPSPaintWhat::pwMinimumMargins,
        TPSPaintWhat::pwMargins, TPSPaintWhat::pwGreekText });
    const auto g = PreviewGeometry(sample.width() / sample.devicePixelRatio(),
        sample.height() / sample.devicePixelRatio(), { 21000, 29700 }, { 2000, 2000, 2000, 2000 }, {}, false);
    const std::size_t last = stages.size() - 4; // the grab's own paint
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(stages[last + i].first, order[i]);
    EXPECT_EQ(stages[last + 0].second, g.Page);
    EXPECT_EQ(stages[last + 2].second, g.Margins);

    // The chart lies inside the margins; the band between page edge and
    // margins stays white paper.
    const auto white = [&](int x, int y) { return sample.pixelColor(x, y) == QColor(Qt::white); };
    int inked = 0;
    for (int y = g.Margins.top + 1; y < g.Margins.bottom - 1; ++y)
        for (int x = g.Margins.left + 1; x < g.Margins.right - 1; ++x)
            inked += !white(x, y);
    EXPECT_GT(inked, 300);
    for (int y = g.Page.top + 2; y < g.Margins.top - 2; ++y)
        for (int x = g.Page.left + 2; x < g.Page.right - 2; ++x)
            ASSERT_TRUE(white(x, y)) << x << "," << y;

    // The init event may take the whole sample page over.
    suppressAll = true;
    stages.clear();
    WhenShown([&](TPageSetupForm& form) {
        Child<QWidget>(form, "Sample")->grab();
        form.reject();
    });
    dialog.Execute();
    EXPECT_TRUE(stages.empty());
}
