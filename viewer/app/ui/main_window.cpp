#include "viewer/app/ui/main_window.h"

#include "platform/help/ui/help_window.h"
#include "platform/rtl/format.h"
#include "viewer/app/driver_capture.h"
#include "viewer/app/numeric_grid.h"
#include "viewer/app/ui/about_form.h"
#include "viewer/app/ui/capture_form.h"
#include "viewer/app/ui/curve_menu.h"
#include "viewer/app/ui/new_form.h"
#include "viewer/app/ui/normalise_form.h"
#include "viewer/app/ui/num_grid.h"
#include "viewer/app/ui/options_form.h"
#include "viewer/app/ui/qt_viewer_dialogs.h"
#include "viewer/app/ui/save_form.h"
#include "viewer/app/ui/scales_form.h"
#include "viewer/app/ui/titles_form.h"
#include "viewer/app/viewer_dialogs.h"
#include "viewer/components/ui/pagesetupdialog.h"
#include "viewer/components/ui/smithchartwidget.h"
#include "viewer/components/ui/xychartwidget.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QScrollBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace viewer {

using smith::Tcharttype;

namespace {

constexpr int kPanelWidths[8] = { 50, 15, 160, 160, 160, 20, 100, 10 };
constexpr TColor kNoCurveColour = 0x808080;

QAction* addItem(QMenu* menu, const char* caption, bool checkable = false, bool checked = false)
{
    QAction* a = menu->addAction(QString::fromUtf8(caption));
    a->setCheckable(checkable);
    a->setChecked(checked);
    return a;
}

QColor toQColor(TColor c)
{
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

} // namespace

TMainForm::TMainForm(
    const std::string& settingsPath, std::vector<std::string> arguments, IViewerDialogs* dialogs, QWidget* parent)
    : QMainWindow(parent)
    , arguments_(std::move(arguments))
    , settings_(settingsPath)
{
    setWindowTitle(QStringLiteral("Rivelle"));
    helpFile_ = (QCoreApplication::applicationDirPath() + QStringLiteral("/Rivelle.hlp")).toStdString();
    if (dialogs) {
        dialogs_ = dialogs;
    } else {
        saveForm_ = std::make_unique<TSaveForm>(this);
        connect(saveForm_.get(), &TSaveForm::helpRequested, this, &TMainForm::ShowHelp);
        auto own = std::make_unique<TQtViewerDialogs>(this, *saveForm_);
        connect(&own->NormaliseForm(), &TNormalise::helpRequested, this, &TMainForm::ShowHelp);
        newForm_ = std::make_unique<TNewForm>(this);
        connect(newForm_.get(), &TNewForm::helpRequested, this, &TMainForm::ShowHelp);
        own->SetNewForm(newForm_.get());
        ownDialogs_ = std::move(own);
        dialogs_ = ownDialogs_.get();
    }

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    smith_ = new TSmithChartWidget(central);
    xy_ = new TXYChartWidget(central);
    layout->addWidget(smith_);
    layout->addWidget(xy_);
    xy_->hide();
    NumGrid = new TNumGrid(smith_->Chart(), central);
    layout->addWidget(NumGrid);
    NumGrid->hide();
    setCentralWidget(central);

    state_ = std::make_unique<TViewerFileState>(smith_->Chart(), *dialogs_);
    files_ = std::make_unique<TSParameterFiles>(smith_->Chart(), *state_, *dialogs_);
    state_->CurrentFileChanged = [this] { CurrentFileChanged(); };
    files_->ShowSmithView = [this] {
        if (XYVisible())
            SelectView(TViewItem::ZSmith);
    };
    files_->SetOtherChartUnits = [this](const std::string& units, double impedance) {
        xy_->Chart().SetUnits(units);
        xy_->Chart().SetImpedance(impedance);
    };

    createMenus();
    createToolBar();
    createStatusBar();
    wireCharts();
    wireXYChart();
    createPrinting();
    createGrid();

    // The settings file: a missing one is created; one that cannot be read
    // leaves the lists empty and is not written over at the end.
    settingsError_ = settings_.Load();
    drivers_ = settings_.Drivers;
    state_->Recent = settings_.Recent;

    optionsForm_ = new TOptionsForm(*this);
    titlesForm_ = new TTitlesForm(*this);
    scalesForm_ = new TScalesForm(*this);
    aboutForm_ = new TAboutform(this, *dialogs_);
    // The about box has no Help button and no page of its own.
    connect(new QShortcut(QKeySequence(Qt::Key_F1), aboutForm_), &QShortcut::activated, this, [this] { ShowHelp(1); });
    resize(800, 600);
}

TMainForm::~TMainForm()
{
    // An aborted capture may have left a bus call running.
    WaitForCaptureCalls(std::chrono::seconds(30));
    if (!settingsSaved_)
        SaveSettings();
    smith_->Chart().OnCurveChanged = nullptr;
    smith_->Chart().OnPointChanged = nullptr;
    smith_->Chart().OnDataChanged = nullptr;
    xy_->Chart().OnCurveChanged = nullptr;
    xy_->Chart().OnPointChanged = nullptr;
    xy_->Chart().OnDeltaChanged = nullptr;
}

void TMainForm::createMenus()
{
    FileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    New = addItem(FileMenu, "&New");
    Open = addItem(FileMenu, "&Open");
    Save = addItem(FileMenu, "&Save");
    Save->setEnabled(false);
    SaveAs = addItem(FileMenu, "Save &As");
    PageSetup = addItem(FileMenu, "Page Setup");
    Print = addItem(FileMenu, "&Print");
    Exit = addItem(FileMenu, "&Exit");
    connect(New, &QAction::triggered, this, [this] { NewClick(); });
    connect(Open, &QAction::triggered, this, [this] { OpenClick(); });
    connect(Save, &QAction::triggered, this, [this] {
        if (WriteGridBack())
            files_->SaveSParameterFile(false);
    });
    connect(SaveAs, &QAction::triggered, this, [this] {
        if (WriteGridBack())
            files_->SaveSParameterFile(true);
    });
    connect(PageSetup, &QAction::triggered, this, [this] { PageSetupClick(); });
    connect(Print, &QAction::triggered, this, [this] { PrintClick(); });
    connect(Exit, &QAction::triggered, this, &QWidget::close);

    ViewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    const smith::TSmithChart& c = smith_->Chart();
    ViewTitle = addItem(ViewMenu, "&Title", true, c.ShowTitle());
    ViewLegend = addItem(ViewMenu, "&Legend", true, c.ShowLegend());
    ViewMarkers = addItem(ViewMenu, "&Markers", true, c.ShowInfo());
    ViewZ0 = addItem(ViewMenu, "&Z0", true, c.ShowZ0());
    for (QAction* a : { ViewTitle, ViewLegend, ViewMarkers, ViewZ0 })
        connect(a, &QAction::triggered, this, [this, a] { ToggleView(a); });

    ToolsMenu = menuBar()->addMenu(QStringLiteral("&Tools"));
    ReNormalise = addItem(ToolsMenu, "Re-Normalise");
    ReNormalise->setEnabled(false);
    CaptureData = addItem(ToolsMenu, "&Capture Data");
    FunctionsMenu = ToolsMenu->addMenu(QStringLiteral("&Functions"));
    Stability = addItem(FunctionsMenu, "Stability", true);
    PowerGain = addItem(FunctionsMenu, "Power Gain", true);
    Options = addItem(ToolsMenu, "&Options");
    connect(ReNormalise, &QAction::triggered, this, [this] { normbuttonClick(); });
    connect(CaptureData, &QAction::triggered, this, [this] { AquireForm().exec(); });
    connect(Stability, &QAction::triggered, this, [this] { Kfactor1Click(); });
    connect(PowerGain, &QAction::triggered, this, [this] { Gu1Click(); });
    connect(Options, &QAction::triggered, this, [this] { optionsForm_->exec(); });

    ChartMenu = menuBar()->addMenu(QStringLiteral("&Chart"));
    ZSmith = addItem(ChartMenu, "Z Smith", true, true);
    YSmith = addItem(ChartMenu, "Y Smith", true);
    Polar = addItem(ChartMenu, "Polar", true);
    LogMag = addItem(ChartMenu, "Log Mag", true);
    UGrid = addItem(ChartMenu, "u-Grid", true);
    VGrid = addItem(ChartMenu, "v-Grid", true);
    RGrid = addItem(ChartMenu, "R-Grid", true);
    XGrid = addItem(ChartMenu, "X-Grid", true);
    ChartMenu->addSeparator();
    Numeric = addItem(ChartMenu, "Numeric", true);
    const std::pair<QAction*, TViewItem> views[] = { { ZSmith, TViewItem::ZSmith }, { YSmith, TViewItem::YSmith },
        { Polar, TViewItem::Polar }, { LogMag, TViewItem::LogMag }, { UGrid, TViewItem::GridU },
        { VGrid, TViewItem::GridV }, { RGrid, TViewItem::GridR }, { XGrid, TViewItem::GridX } };
    for (const auto& view : views) {
        const TViewItem item = view.second;
        connect(view.first, &QAction::triggered, this, [this, item] { SelectView(item); });
    }
    connect(Numeric, &QAction::triggered, this, [this] { ShowNumericGrid(); });
    // The views and the two function charts are one set of radio items; none
    // is checked while a command is refused.
    viewGroup_ = new QActionGroup(this);
    viewGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (QAction* a : { ZSmith, YSmith, Polar, LogMag, UGrid, VGrid, RGrid, XGrid, Numeric, Stability, PowerGain })
        viewGroup_->addAction(a);

    CurvesMenu = menuBar()->addMenu(QStringLiteral("C&urves"));
    AllOn = addItem(CurvesMenu, "All on");
    AllOff = addItem(CurvesMenu, "All off");
    CurvesMenu->addSeparator();
    connect(AllOn, &QAction::triggered, this, [this] { AllCurves(true); });
    connect(AllOff, &QAction::triggered, this, [this] { AllCurves(false); });

    HelpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    Contents = addItem(HelpMenu, "&Contents");
    // F1 in the main window: its own window's shortcut, so that each dialog
    // keeps F1 for its own page.
    Contents->setShortcut(QKeySequence(Qt::Key_F1));
    About = addItem(HelpMenu, "&About...");
    connect(Contents, &QAction::triggered, this, [this] { ShowHelp(1); });
    connect(About, &QAction::triggered, this, [this] { aboutForm_->exec(); });

    PopupMenu1 = new QMenu(this);
    NormalisedItem = addItem(PopupMenu1, "Normalised", true, true);
    PlusDigits = addItem(PopupMenu1, "+ digits");
    MinusDigits = addItem(PopupMenu1, "- digits");
    connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { NormalisedItem->setChecked(normalised_); });
    connect(NormalisedItem, &QAction::triggered, this, [this] {
        normalised_ = !normalised_;
        NormalisedItem->setChecked(normalised_);
    });
    connect(PlusDigits, &QAction::triggered, this, [this] { digits_.More(); });
    connect(MinusDigits, &QAction::triggered, this, [this] { digits_.Fewer(); });
}

void TMainForm::createToolBar()
{
    ToolBar1 = addToolBar(QStringLiteral("Tools"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    auto button = [this](const char* text, const char* hint, auto handler) {
        QAction* a = ToolBar1->addAction(QString::fromUtf8(text));
        // A hint is a tooltip only: the status panels keep their read-outs.
        a->setToolTip(QString::fromUtf8(hint));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    OpenButton = button("Open", "Open file", [this] { OpenClick(); });
    SaveButton = button("Save", "Save file", [this] {
        if (WriteGridBack())
            files_->SaveSParameterFile(true);
    });
    PrintButton = button("Print", "Print Graph", [this] { PrintClick(); });
    CopyButton = button("Copy", "Copy To Clipboard", [this] { CopyClick(); });
    RenormButton = button("Z0", "Re-normalise", [this] { normbuttonClick(); });
    ClearMarkersButton = button("Clear", "Clear Data Markers", [this] {
        smith_->Chart().ClearMarkers();
        smith_->Chart().Paint();
    });
    ScalesButton = button("Scales", "Scales", [this] { scalesForm_->exec(); });
    RightAxisButton = button("Right", "Show right axis", [this] {
        auto& c = smith_->Chart();
        c.SetShowRightAxis(!c.ShowRightAxis());
        c.Paint();
    });
    DecreaseDetailButton = button("-", "Decrease detail", [this] {
        auto& c = smith_->Chart();
        if (c.Detail() > 1)
            c.SetDetail(c.Detail() - 1);
    });
    IncreaseDetailButton = button("+", "Increase Detail", [this] {
        auto& c = smith_->Chart();
        if (c.Detail() < 10)
            c.SetDetail(c.Detail() + 1);
    });
    TraceMarkersButton = button("Marks", "Trace Markers", [this] {
        auto& c = smith_->Chart();
        c.SetShowmarkers(!c.Showmarkers());
        xy_->Chart().SetShowmarkers(c.Showmarkers());
        RepaintCharts();
    });
    ColouredTracesButton = button("Colour", "Coloured Traces", [this] {
        auto& c = smith_->Chart();
        c.SetColouredTraces(!c.ColouredTraces());
        xy_->Chart().SetColouredTraces(c.ColouredTraces());
        RepaintCharts();
    });
    TitlesButton = button("Titles", "Titles and fonts", [this] { titlesForm_->exec(); });
    ChartColoursButton = button("Colours", "Chart Colours", [this] {
        optionsForm_->PageControl1->setCurrentIndex(TOptionsForm::pgColours);
        optionsForm_->exec();
    });
    PolarButton = button("Polar", "Polar", [this] { Polar->trigger(); });
    LogMagButton = button("dB", "Log Magnitude", [this] { LogMag->trigger(); });
    YSmithButton = button("Y", "Y-Smith", [this] { YSmith->trigger(); });
    ZSmithButton = button("Z", "Z-Smith", [this] { ZSmith->trigger(); });
    for (QAction* a : { RenormButton, ScalesButton, RightAxisButton })
        a->setEnabled(false);
}

void TMainForm::createStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    for (int i = 0; i < 8; ++i) {
        auto* label = new QLabel(bar);
        if (i != 5 && i != 7)
            label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (i >= 2 && i <= 4) {
            // The three read-outs share what the other panels leave of the
            // bar, whatever their texts ask for: panels never overlap.
            label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            label->resize(kPanelWidths[i], label->height());
            bar->addWidget(label, 1);
        } else {
            label->setFixedWidth(kPanelWidths[i]);
            bar->addWidget(label);
        }
        panels_.push_back(label);
    }
    panels_[5]->setText(QStringLiteral("Z0"));
    // The swatch fills panel 1 and shows the colour of the curve under the
    // pointer.
    auto* inner = new QHBoxLayout(panels_[1]);
    inner->setContentsMargins(1, 1, 1, 1);
    swatch_ = new QFrame(panels_[1]);
    swatch_->setAutoFillBackground(true);
    inner->addWidget(swatch_);
    SetSwatch(kNoCurveColour);
    bar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(bar, &QWidget::customContextMenuRequested, this,
        [this, bar](const QPoint& pos) { PopupMenu1->popup(bar->mapToGlobal(pos)); });
}

void TMainForm::wireCharts()
{
    auto& c = smith_->Chart();
    c.OnCurveChanged = [this](smith::TSmithChart&, int, const std::string& legend, TColor colour) {
        SetSwatch(colour);
        SetStatusPanel(0, legend);
        for (int i = 2; i <= 4; ++i)
            SetStatusPanel(i, "");
    };
    c.OnPointChanged = [this](smith::TSmithChart& chart, double f, double m, double a, double u, double v) {
        auto texts = [&](const TStatusDigits& d) {
            return PointStatusTexts(chart.ChartType(), f, m, a, u, v, d, normalised_, chart.Impedance(), chart.Units());
        };
        const TPointStatus shown = texts(digits_);
        SetStatusReadout(2, [&](const TStatusDigits& d) { return texts(d).Freq; });
        if (shown.MagAngle)
            SetStatusReadout(3, [&](const TStatusDigits& d) { return *texts(d).MagAngle; });
        if (shown.Value)
            SetStatusReadout(4, [&](const TStatusDigits& d) { return *texts(d).Value; });
    };
    c.OnDataChanged = [this](smith::TSmithChart&) {
        if (state_->Named)
            Save->setEnabled(true);
    };
}

void TMainForm::SetSwatch(TColor colour)
{
    swatchColour_ = colour;
    QPalette p = swatch_->palette();
    p.setColor(QPalette::Window, toQColor(colour));
    swatch_->setPalette(p);
}

void TMainForm::SetStatusPanel(int index, const std::string& text)
{
    if (index >= 0 && index < static_cast<int>(panels_.size()))
        panels_[static_cast<std::size_t>(index)]->setText(QString::fromStdString(text));
}

void TMainForm::SetStatusReadout(int index, const std::function<std::string(const TStatusDigits&)>& make)
{
    if (index < 0 || index >= static_cast<int>(panels_.size()))
        return;
    QLabel* panel = panels_[static_cast<std::size_t>(index)];
    // The room inside the bevel, less the label's indent.
    const QFontMetrics metrics = panel->fontMetrics();
    const int room = panel->contentsRect().width() - metrics.horizontalAdvance(QLatin1Char('x'));
    panel->setText(QString::fromStdString(FitStatusText(digits_, room, make,
        [&](const std::string& t) { return metrics.horizontalAdvance(QString::fromStdString(t)); })));
}

void TMainForm::ClearPointPanels()
{
    SetSwatch(kNoCurveColour);
    for (int i : { 0, 2, 3, 4 })
        SetStatusPanel(i, "");
}

std::string TMainForm::StatusPanel(int index) const
{
    if (index < 0 || index >= static_cast<int>(panels_.size()))
        return {};
    return panels_[static_cast<std::size_t>(index)]->text().toStdString();
}

bool TMainForm::SmithVisible() const
{
    return !smith_->isHidden();
}

bool TMainForm::XYVisible() const
{
    return !xy_->isHidden();
}

bool TMainForm::GridShowing() const
{
    return !NumGrid->isHidden();
}

void TMainForm::createGrid()
{
    TGridTableModel& model = NumGrid->Model();
    model.CellEdited = [this] { GridEdited(); };
    NumGrid->CellHovered = [this](int row, int column) {
        const TNumericGrid& grid = NumGrid->Model().Grid();
        SetStatusPanel(2, row >= 0 ? grid.FrequencyStatus(row) : std::string());
        SetStatusPanel(0, grid.CurveName(column));
    };
    connect(NumGrid->InsertBefore, &QAction::triggered, this, [this] { NumGridInsertBefore(); });
    connect(NumGrid->InsertAfter, &QAction::triggered, this, [this] { NumGridInsertAfter(); });
    connect(NumGrid->DeleteRow, &QAction::triggered, this, [this] { NumGridDeleteRow(); });

    Smithpopup = new QMenu(this);
    SmithInsertBefore = addItem(Smithpopup, "Insert before");
    AddNewPoint = addItem(Smithpopup, "Add New Point");
    DeletePointItem = addItem(Smithpopup, "Delete point");
    smith_->SetPopupMenu(Smithpopup);
    // The point is taken when the menu opens: the pointer leaves it to choose.
    connect(Smithpopup, &QMenu::aboutToShow, this, [this] {
        int curve, point;
        smith_->Chart().GetSelectedPoint(curve, point);
        popupPoint_ = curve == smith::kNone || point == smith::kNone ? -1 : point;
    });
    connect(SmithInsertBefore, &QAction::triggered, this, [this] { SmithInsertBeforeClick(); });
    connect(AddNewPoint, &QAction::triggered, this, [this] { SmithAddNewPointClick(); });
    connect(DeletePointItem, &QAction::triggered, this, [this] { SmithDeletePointClick(); });
}

void TMainForm::GridEdited()
{
    smith_->Chart().SetDataChanged(true);
    if (state_->Named)
        Save->setEnabled(true);
}

void TMainForm::ShowGridError(const TGridError& error)
{
    dialogs_->ShowMessage(error.message);
    NumGrid->GoToCell(error.row, error.column);
}

bool TMainForm::WriteGridBack()
{
    if (!GridShowing())
        return true;
    // The grid is filled again afterwards; the user keeps his place in it.
    const QModelIndex current = NumGrid->currentIndex();
    const int scroll = NumGrid->verticalScrollBar()->value();
    TGridError error;
    bool changed = false;
    const bool ok = NumGrid->Model().WriteBack(error, changed);
    if (current.isValid())
        NumGrid->setCurrentIndex(NumGrid->Model().index(current.row(), current.column()));
    NumGrid->verticalScrollBar()->setValue(scroll);
    if (!ok) {
        ShowGridError(error);
        return false;
    }
    return true;
}

void TMainForm::SetGridFormat(int format)
{
    if (!GridShowing())
        return;
    TGridError error;
    if (!NumGrid->Model().SetFormat(format, error)) {
        ShowGridError(error);
        return;
    }
    state_->NewFileDataFormat = NumGrid->Model().Grid().Format();
}

void TMainForm::ShowNumericGrid()
{
    if (smith_->Chart().CurveCount() < 1 || GridShowing()) {
        RestoreViewCheck();
        return;
    }
    for (QAction* a : { RightAxisButton, DecreaseDetailButton, IncreaseDetailButton, ScalesButton })
        a->setEnabled(false);
    SelectView(TViewItem::Numeric);
}

void TMainForm::NumGridInsertBefore()
{
    TGridError error;
    if (NumGrid->Model().InsertBefore(NumGrid->TopSelectedRow(), error))
        GridEdited();
    else if (!error.message.empty())
        ShowGridError(error);
}

void TMainForm::NumGridInsertAfter()
{
    TGridError error;
    if (NumGrid->Model().InsertAfter(NumGrid->TopSelectedRow(), error))
        GridEdited();
    else if (!error.message.empty())
        ShowGridError(error);
}

void TMainForm::NumGridDeleteRow()
{
    if (NumGrid->Model().DeleteRow(NumGrid->TopSelectedRow()))
        GridEdited();
}

void TMainForm::SmithInsertBeforeClick()
{
    auto& c = smith_->Chart();
    if (popupPoint_ < 0 || popupPoint_ >= c.PointCount())
        return;
    c.InsertPoint(popupPoint_);
    c.Paint();
}

void TMainForm::SmithAddNewPointClick()
{
    auto& c = smith_->Chart();
    bool added = false;
    for (int i = 0; i < c.CurveCount(); ++i) {
        const auto& points = c.CurveAt(i)->Points;
        if (points.empty())
            continue;
        const smith::TPoint last = points.back();
        c.AddPoint(i, last.Freq, last.Mag, last.Angle);
        added = true;
    }
    // A new point is a change to save like any other.
    if (added) {
        c.SetDataChanged(true);
        if (c.OnDataChanged)
            c.OnDataChanged(c);
    }
}

void TMainForm::SmithDeletePointClick()
{
    auto& c = smith_->Chart();
    // A curve keeps at least two points.
    if (popupPoint_ < 0 || popupPoint_ >= c.PointCount() || c.PointCount() <= 2)
        return;
    c.DeletePoint(popupPoint_);
    c.SetDataChanged(true);
    if (c.OnDataChanged)
        c.OnDataChanged(c);
    // The values shown were the gone point's; the next hover reports afresh.
    for (int i = 2; i <= 4; ++i)
        SetStatusPanel(i, "");
    c.Paint();
}

void TMainForm::NewClick()
{
    if (!WriteGridBack())
        return;
    TNewFileValues values = newValues_;
    if (!dialogs_->EditNewFile(values))
        return;
    newValues_ = values;
    // Every field is read before anything is asked or replaced.
    TNewFile file;
    if (std::string problem = CheckNewFile(values, file); !problem.empty()) {
        dialogs_->ShowMessage(problem);
        return;
    }
    if (QuerySaveChanges())
        return;
    MakeNewFile(smith_->Chart(), file);
    xy_->Chart().SetImpedance(file.impedance);
    files_->StartNewData(file.impedance);
    state_->NewFileDataFormat = file.dataFormat;
    SetCurrentFile(file.name, file.ports, false);
    if (GridShowing()) {
        NumGrid->Model().Fill();
        state_->NewFileDataFormat = kGridMagAngle;
    }
    ShowNumericGrid();
}

void TMainForm::ShowHelp(int context)
{
    if (std::string error = help::ShowHelpContext(helpFile_, context); !error.empty())
        dialogs_->ShowMessage(error);
}

void TMainForm::TakeCapturedData(TCapturedData&& data)
{
    if (XYVisible())
        SelectView(TViewItem::ZSmith);
    const int ports = data.ports;
    xy_->Chart().SetUnits(data.units);
    // The data is referred to the analyser's impedance, as a file's to its
    // option line's.
    xy_->Chart().SetImpedance(data.impedance);
    // The comments of the file read before do not describe the capture, and
    // a save writes it at the capture's impedance, not at one a re-normalise
    // of the old data left in the save options.
    files_->StartNewData(data.impedance);
    ApplyCapturedData(smith_->Chart(), std::move(data));
    state_->SetCurrentFile(CapturedFileName(ports), ports, false);
    smith_->Chart().SetDataChanged(true);
}

TAquireForm& TMainForm::AquireForm()
{
    if (!aquireForm_)
        aquireForm_ = std::make_unique<TAquireForm>(*this, *dialogs_, this);
    return *aquireForm_;
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!activated_)
        QTimer::singleShot(0, this, [this] { FormActivate(); });
}

void TMainForm::FormActivate()
{
    if (activated_)
        return;
    activated_ = true;
    // The program runs on without its settings; the file is left alone.
    if (!settingsError_.empty())
        dialogs_->ShowMessage(settingsError_);
    BuildRecentItems();
    SaveButton->setEnabled(false);
    Save->setEnabled(false);
    SaveAs->setEnabled(false);
    if (!arguments_.empty()) {
        // A name with blanks arrives as several arguments.
        std::string name;
        for (const std::string& a : arguments_)
            name += (name.empty() ? "" : " ") + a;
        files_->LoadSParameterFile(name);
    }
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (!WriteGridBack()) {
        event->ignore();
        return;
    }
    // Unsaved changes are asked about before the window goes.
    if (state_->QuerySaveChanges()) {
        event->ignore();
        return;
    }
    if (std::string error = SaveSettings(); !error.empty())
        dialogs_->ShowMessage(error);
    // The help window goes with the program.
    if (help::THelpWindow* help = help::ProgramHelpWindow())
        help->close();
    event->accept();
}

std::string TMainForm::SaveSettings()
{
    settingsSaved_ = true;
    // A file that could not be read at start is left as it is.
    if (!settingsError_.empty())
        return {};
    return settings_.SaveRecent(state_->Recent);
}

bool TMainForm::QuerySaveChanges()
{
    return state_->QuerySaveChanges();
}

void TMainForm::SetCurrentFile(const std::string& name, int portCount, bool named)
{
    state_->SetCurrentFile(name, portCount, named);
}

void TMainForm::OpenClick()
{
    if (!WriteGridBack())
        return;
    std::string name;
    if (dialogs_->AskOpenFileName("S-Parameter files (*.SnP)|*.S*", name))
        files_->LoadSParameterFile(name);
}

void TMainForm::BuildRecentItems()
{
    for (QAction* a : recentItems_) {
        FileMenu->removeAction(a);
        delete a;
    }
    recentItems_.clear();
    if (recentSeparator_) {
        FileMenu->removeAction(recentSeparator_);
        delete recentSeparator_;
        recentSeparator_ = nullptr;
    }
    const auto& recent = state_->Recent;
    if (recent.empty())
        return;
    recentSeparator_ = FileMenu->addSeparator();
    for (std::size_t i = 0; i < recent.size(); ++i) {
        QAction* a = FileMenu->addAction(QString::fromStdString(FileNameOnly(recent[i])));
        if (i < 4)
            // The entry at the time of the click: opening reorders the list.
            connect(a, &QAction::triggered, this, [this, i] {
                if (i < state_->Recent.size() && WriteGridBack()) {
                    const std::string path = state_->Recent[i];
                    files_->LoadSParameterFile(path);
                }
            });
        recentItems_.push_back(a);
    }
}

void TMainForm::CurrentFileChanged()
{
    setWindowTitle(QString::fromStdString(state_->Caption));
    if (state_->Named)
        BuildRecentItems();
    ClearPointPanels();
    SetStatusPanel(6, rtl::FloatToStr(smith_->Chart().Impedance()));
    SaveButton->setEnabled(true);
    SaveAs->setEnabled(true);
    RenormButton->setEnabled(true);
    ReNormalise->setEnabled(true);
    Save->setEnabled(false);
    xy_->Chart().ClearMarkers();
    xy_->Chart().Paint();
    if (SmithVisible())
        BuildCurveMenu();
    GridDataChanged();
}

void TMainForm::GridDataChanged()
{
    if (!GridShowing())
        return;
    // Other curves start over in magnitude/angle; the same curves with new
    // values keep the format the user chose. The cells read the curves as
    // they are shown.
    if (!NumGrid->Model().Grid().InSync()) {
        NumGrid->Model().Fill();
        state_->NewFileDataFormat = kGridMagAngle;
    } else {
        NumGrid->Model().ValuesChanged();
    }
}

std::vector<QAction*> TMainForm::CurveItems() const
{
    return curveItems_;
}

void TMainForm::BuildCurveMenu()
{
    const auto& chart = smith_->Chart();
    std::vector<std::string> legends;
    for (int i = 0; i < chart.CurveCount(); ++i)
        legends.push_back(chart.CurveAt(i)->Legend);
    BuildCurveMenuFrom(legends);
}

void TMainForm::BuildCurveMenuFrom(const std::vector<std::string>& legends)
{
    // The curve items belong to the window; the separator, the columns and
    // the row submenus to the menu.
    const auto actions = CurvesMenu->actions();
    for (QAction* a : actions)
        if (a != AllOn && a != AllOff) {
            CurvesMenu->removeAction(a);
            if (QMenu* row = a->menu())
                delete row; // with its action
            else if (std::find(curveItems_.begin(), curveItems_.end(), a) == curveItems_.end())
                delete a;
        }
    qDeleteAll(curveItems_);
    curveItems_.clear();
    CurvesMenu->addSeparator();
    for (const std::string& legend : legends) {
        auto* a = new QAction(QString::fromStdString(legend), this);
        a->setObjectName(QString::fromStdString(legend));
        a->setCheckable(true);
        a->setChecked(true);
        connect(a, &QAction::triggered, this, [this, a] { CurveItemClick(a); });
        curveItems_.push_back(a);
    }
    AddCurveItems(CurvesMenu, curveItems_);
}

void TMainForm::CurveItemClick(QAction* item)
{
    // The check has already toggled.
    const std::string legend = item->objectName().toStdString();
    const bool on = item->isChecked();
    // With ten ports or more two curves can share a legend ("S111" is both
    // S1,11 and S11,1): the k-th item of a legend stands for the k-th curve
    // of that legend.
    int rank = 0;
    for (QAction* a : curveItems_) {
        if (a == item)
            break;
        if (a->objectName() == item->objectName())
            ++rank;
    }
    auto toggle = [&](auto& c) {
        for (int i = 0, seen = 0; i < c.CurveCount(); ++i)
            if (c.CurveAt(i)->Legend == legend && seen++ == rank) {
                c.SetCurveVisible(i, on);
                c.Paint();
                return;
            }
    };
    if (SmithVisible())
        toggle(smith_->Chart());
    else if (XYVisible())
        toggle(xy_->Chart());
}

void TMainForm::AllCurves(bool on)
{
    for (QAction* a : CurveItems())
        a->setChecked(on);
    auto& s = smith_->Chart();
    if (on || SmithVisible())
        for (int i = 0; i < s.CurveCount(); ++i)
            s.SetCurveVisible(i, on);
    if (XYVisible()) {
        auto& x = xy_->Chart();
        for (int i = 0; i < x.CurveCount(); ++i)
            x.SetCurveVisible(i, on);
    }
    RepaintCharts();
}

void TMainForm::ToggleView(QAction* item)
{
    // The check has already toggled.
    const bool on = item->isChecked();
    auto& s = smith_->Chart();
    auto& x = xy_->Chart();
    if (item == ViewTitle) {
        s.SetShowTitle(on);
        x.SetShowTitle(on);
    } else if (item == ViewLegend) {
        s.SetShowLegend(on);
        x.SetShowLegend(on);
    } else if (item == ViewMarkers) {
        s.SetShowInfo(on);
        x.SetShowInfo(on);
    } else if (item == ViewZ0) {
        s.SetShowZ0(on);
        x.SetShowZ0(on);
    }
    RepaintCharts();
}

void TMainForm::RepaintCharts()
{
    smith_->Chart().Paint();
    xy_->Chart().Paint();
}

void TMainForm::SelectView(TViewItem item)
{
    if (item != TViewItem::Numeric && GridShowing()) {
        // A cell that cannot be read keeps the grid, and its check.
        if (!WriteGridBack()) {
            RestoreViewCheck();
            return;
        }
        NumGrid->hide();
    }
    if (item == TViewItem::Numeric && smith_->Chart().CurveCount() < 1) {
        RestoreViewCheck();
        return;
    }
    for (QAction* a : ChartMenu->actions())
        a->setChecked(false);
    for (QAction* a : FunctionsMenu->actions())
        a->setChecked(false);
    // The read-outs of the view left behind go with it.
    ClearPointPanels();
    smith_->hide();
    xy_->hide();

    QAction* checked = nullptr;
    switch (item) {
    case TViewItem::Numeric:
        if (!GridShowing()) {
            NumGrid->Model().Fill();
            state_->NewFileDataFormat = kGridMagAngle;
        }
        NumGrid->show();
        NumGrid->SizeColumns();
        BuildCurveMenuFrom({}); // "All on", "All off" and a separator
        checked = Numeric;
        break;
    case TViewItem::Stability:
    case TViewItem::PowerGain:
        xy_->show();
        checked = item == TViewItem::Stability ? Stability : PowerGain;
        break;
    default:
        smith_->show();
        BuildCurveMenu();
        break;
    }

    for (const TChartView& r : ChartViews()) {
        if (r.item != item)
            continue;
        checked = r.action;
        const bool rect = r.left != nullptr;
        RightAxisButton->setEnabled(rect);
        DecreaseDetailButton->setEnabled(!rect);
        IncreaseDetailButton->setEnabled(!rect);
        ScalesButton->setEnabled(rect);
        auto& c = smith_->Chart();
        if (rect) {
            c.SetAutoupdate(false);
            c.SetLeftTitle(r.left);
            c.SetRightTitle(r.right);
            c.SetLYmin(r.lmin);
            c.SetLYmax(r.lmax);
            c.SetRYmin(r.rmin);
            c.SetRYmax(r.rmax);
            c.SetAutoupdate(true);
        }
        c.SetChartType(r.type);
        c.Paint();
    }
    if (checked)
        checked->setChecked(true);
}

std::array<TMainForm::TChartView, 8> TMainForm::ChartViews() const
{
    return { {
        { TViewItem::ZSmith, ZSmith, Tcharttype::Zsmith, nullptr, nullptr, 0, 0, 0, 0 },
        { TViewItem::YSmith, YSmith, Tcharttype::Ysmith, nullptr, nullptr, 0, 0, 0, 0 },
        { TViewItem::Polar, Polar, Tcharttype::Polar, nullptr, nullptr, 0, 0, 0, 0 },
        { TViewItem::LogMag, LogMag, Tcharttype::Logmag, "Mag(dB)", "Deg", -50, 0, -180, 180 },
        { TViewItem::GridU, UGrid, Tcharttype::GridU, "U", "V", -1, 1, -1, 1 },
        { TViewItem::GridV, VGrid, Tcharttype::GridV, "V", "U", -1, 1, -1, 1 },
        { TViewItem::GridR, RGrid, Tcharttype::GridR, "R", "X", -1, 1, -1, 1 },
        { TViewItem::GridX, XGrid, Tcharttype::GridX, "X", "R", -1, 1, -1, 1 },
    } };
}

void TMainForm::ClearFileHistory()
{
    if (std::string error = settings_.EraseRecent(); !error.empty())
        dialogs_->ShowMessage(error);
    state_->Recent.clear();
    BuildRecentItems();
}

void TMainForm::SetDriverList(std::vector<std::string> lines)
{
    drivers_ = std::move(lines);
}

bool TMainForm::CaptureWithDriver(ICaptureHost& host, const std::string& displayName, int address, int ports)
{
    TCaptureResult r = viewer::CaptureWithDriver(drivers_, displayName, address, ports, host);
    // An abort keeps the curves read until then, as an unsaved file.
    if (r.outcome == TCaptureOutcome::Completed || !r.data.curves.empty()) {
        TakeCapturedData(std::move(r.data));
        return true;
    }
    if (r.outcome == TCaptureOutcome::Failed && !r.message.empty())
        dialogs_->ShowMessage(r.message);
    return false;
}

} // namespace viewer
