// How long the numeric view takes on a two-port file of a million points:
// showing the grid and painting its first page, scrolling one page, and
// jumping to the end. The yardstick is a plain table view over a model of
// the same size whose cells are one fixed text, painted the same way: what
// the toolkit's table costs before the grid does any work of its own.

#include "viewer/app/numeric_grid.h"
#include "viewer/app/sparam_math.h"
#include "viewer/app/ui/main_window.h"
#include "viewer/app/ui/num_grid.h"
#include "viewer/app/viewer_dialogs.h"
#include "viewer/components/ui/smithchartwidget.h"

#include <benchmark/benchmark.h>

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

using namespace viewer;

constexpr int kPoints = 1'000'000;

struct NoDialogs : IViewerDialogs {
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    TAnswer AskYesNoCancel(const std::string&) override { return TAnswer::No; }
    bool EditSaveOptions(SaveOptions&, int) override { return false; }
    bool AskSaveFileName(const std::string&, const std::string&, std::string&) override { return false; }
    bool AskOpenFileName(const std::string&, std::string&) override { return false; }
};

// The main window with a two-port data set of a million points, shown.
struct Window {
    QTemporaryDir dir;
    NoDialogs dialogs;
    std::unique_ptr<TMainForm> form;

    Window()
    {
        form = std::make_unique<TMainForm>(
            dir.filePath(QStringLiteral("Rivelle.ini")).toStdString(), std::vector<std::string> {}, &dialogs);
        form->resize(1000, 700);
        form->show();
        form->FormActivate();
        smith::TSmithChart& chart = form->SmithChart1().Chart();
        chart.ClearCurves();
        const char* legends[4] = { "S11", "S21", "S12", "S22" };
        TColor colour = clRed;
        for (int c = 0; c < 4; ++c) {
            const int i = chart.AddCurve(legends[c], colour);
            colour = smith::NextColour(colour);
            auto& points = chart.CurveAt(i)->Points;
            points.reserve(kPoints);
            for (int k = 0; k < kPoints; ++k)
                points.push_back(MakePoint(1e6 + k * 1e3, 0.9 - c * 0.1 - k * 1e-7, -0.03 * k + 10 * c));
            chart.SetCurveVisible(i, true);
        }
        chart.SetUnits("HZ");
        chart.SetImpedance(50);
        form->SetCurrentFile("million.s2p", 2, true);
        QApplication::processEvents();
    }
};

Window& window()
{
    static Window w;
    return w;
}

// Paints the view's visible cells now.
void paint(QTableView* view)
{
    view->viewport()->repaint();
}

void BM_GridShow(benchmark::State& state)
{
    Window& w = window();
    for (auto _ : state) {
        state.PauseTiming();
        w.form->SelectView(TViewItem::ZSmith);
        QApplication::processEvents();
        state.ResumeTiming();
        w.form->ShowNumericGrid();
        paint(w.form->NumGrid);
    }
    if (w.form->NumGrid->model()->rowCount() != kPoints)
        state.SkipWithError("the grid does not hold every point");
}
BENCHMARK(BM_GridShow)->Unit(benchmark::kMillisecond);

void scrollPage(benchmark::State& state, QTableView* view)
{
    QScrollBar* bar = view->verticalScrollBar();
    for (auto _ : state) {
        int next = bar->value() + bar->pageStep();
        if (next > bar->maximum())
            next = 0;
        bar->setValue(next);
        paint(view);
    }
}

void scrollToEnd(benchmark::State& state, QTableView* view)
{
    for (auto _ : state) {
        state.PauseTiming();
        view->scrollToTop();
        paint(view);
        state.ResumeTiming();
        view->scrollToBottom();
        paint(view);
    }
}

void BM_GridScrollPage(benchmark::State& state)
{
    Window& w = window();
    w.form->ShowNumericGrid();
    scrollPage(state, w.form->NumGrid);
}
BENCHMARK(BM_GridScrollPage)->Unit(benchmark::kMillisecond);

void BM_GridScrollToEnd(benchmark::State& state)
{
    Window& w = window();
    w.form->ShowNumericGrid();
    scrollToEnd(state, w.form->NumGrid);
    if (w.form->NumGrid->rowAt(w.form->NumGrid->viewport()->height() - 2) < kPoints - 40)
        state.SkipWithError("the end is not in sight");
}
BENCHMARK(BM_GridScrollToEnd)->Unit(benchmark::kMillisecond);

// ---- yardstick ----

class FixedModel : public QAbstractTableModel {
public:
    int rowCount(const QModelIndex& = {}) const override { return kPoints; }
    int columnCount(const QModelIndex& = {}) const override { return 9; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return index.column() == 0 ? QStringLiteral("1000000") : QStringLiteral("0.123456789012346");
    }
};

struct PlainTable {
    FixedModel model;
    QTableView view;
    PlainTable()
    {
        view.resize(1000, 640);
        view.verticalHeader()->hide();
        view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view.verticalHeader()->setDefaultSectionSize(view.fontMetrics().height() + 6);
        view.show();
        QApplication::processEvents();
    }
};

PlainTable& plain()
{
    static PlainTable t;
    return t;
}

void BM_PlainTableShow(benchmark::State& state)
{
    PlainTable& t = plain();
    for (auto _ : state) {
        t.view.setModel(nullptr);
        t.view.setModel(&t.model);
        paint(&t.view);
    }
}
BENCHMARK(BM_PlainTableShow)->Unit(benchmark::kMillisecond);

void BM_PlainTableScrollPage(benchmark::State& state)
{
    PlainTable& t = plain();
    if (!t.view.model())
        t.view.setModel(&t.model);
    scrollPage(state, &t.view);
}
BENCHMARK(BM_PlainTableScrollPage)->Unit(benchmark::kMillisecond);

void BM_PlainTableScrollToEnd(benchmark::State& state)
{
    PlainTable& t = plain();
    if (!t.view.model())
        t.view.setModel(&t.model);
    scrollToEnd(state, &t.view);
}
BENCHMARK(BM_PlainTableScrollToEnd)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
