#pragma once

// TMainForm, the viewer's main window: the Smith chart and the XY chart,
// the menus and tool buttons, the status bar read-outs, the recent-file
// list and the settings file, and the state of the file being viewed.

#include "viewer/app/capture_session.h"
#include "viewer/app/file_state.h"
#include "viewer/app/new_file.h"
#include "viewer/app/print_layout.h"
#include "viewer/app/sparam_files.h"
#include "viewer/app/status_text.h"
#include "viewer/app/twoport_analysis.h"
#include "viewer/app/viewer_settings.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QActionGroup;
class QFrame;
class QLabel;
class QMenu;
class QPainter;
class QPrinter;
class QToolBar;

namespace viewer {

class IViewerDialogs;
class TAquireForm;
class TAboutform;
class TOptionsForm;
class TNewForm;
class TNumGrid;
class TQtPageSetupDialog;
class TSaveForm;
class TScalesForm;
class TTitlesForm;
class TSmithChartWidget;
struct TGridError;
class TXYChartWidget;

// The items of the Chart and Functions menus that SelectView switches to.
enum class TViewItem { ZSmith, YSmith, Polar, LogMag, GridU, GridV, GridR, GridX, Numeric, Stability, PowerGain };

class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // `settingsPath` is the settings file; `arguments` the command line's
    // arguments (without the program). `dialogs` answers the questions;
    // null means real dialogs owned by the window.
    TMainForm(const std::string& settingsPath, std::vector<std::string> arguments, IViewerDialogs* dialogs = nullptr,
        QWidget* parent = nullptr);
    ~TMainForm() override;

    // True when the user cancelled.
    bool QuerySaveChanges();
    void SetCurrentFile(const std::string& name, int portCount, bool named);
    void SelectView(TViewItem item);
    void SetStatusPanel(int index, const std::string& text);
    // Sets a panel to a read-out made by `make` with as many of the status
    // digits as the panel can show.
    void SetStatusReadout(int index, const std::function<std::string(const TStatusDigits&)>& make);
    // Empties the read-outs of the point under the pointer (legend, swatch,
    // frequency, values).
    void ClearPointPanels();
    std::string StatusPanel(int index) const;

    // Runs once, at the first activation: recent items, save commands off,
    // and the file named on the command line.
    void FormActivate();
    // Writes the recent list back to the settings file; empty text on success.
    std::string SaveSettings();

    TSmithChartWidget& SmithChart1() { return *smith_; }
    TXYChartWidget& XYChart() { return *xy_; }
    TViewerFileState& FileState() { return *state_; }
    TSParameterFiles& Files() { return *files_; }
    TStatusDigits& Digits() { return digits_; }
    bool Normalised() const { return normalised_; }
    const std::vector<std::string>& DriverList() const { return drivers_; }
    const std::string& SettingsLoadError() const { return settingsError_; }
    bool SmithVisible() const;
    bool XYVisible() const;
    // The swatch's colour (24-bit, red in the low byte).
    TColor SwatchColour() const { return swatchColour_; }

    // Menus.
    QMenu* FileMenu = nullptr;
    QMenu* ViewMenu = nullptr;
    QMenu* ToolsMenu = nullptr;
    QMenu* FunctionsMenu = nullptr;
    QMenu* ChartMenu = nullptr;
    QMenu* CurvesMenu = nullptr;
    QMenu* HelpMenu = nullptr;
    QMenu* PopupMenu1 = nullptr;

    QAction *New = nullptr, *Open = nullptr, *Save = nullptr, *SaveAs = nullptr, *PageSetup = nullptr, *Print = nullptr,
            *Exit = nullptr;
    QAction *ViewTitle = nullptr, *ViewLegend = nullptr, *ViewMarkers = nullptr, *ViewZ0 = nullptr;
    QAction *ReNormalise = nullptr, *CaptureData = nullptr, *Stability = nullptr, *PowerGain = nullptr,
            *Options = nullptr;
    QAction *ZSmith = nullptr, *YSmith = nullptr, *Polar = nullptr, *LogMag = nullptr, *UGrid = nullptr,
            *VGrid = nullptr, *RGrid = nullptr, *XGrid = nullptr, *Numeric = nullptr;
    QAction *AllOn = nullptr, *AllOff = nullptr;
    QAction *Contents = nullptr, *About = nullptr;
    QAction *NormalisedItem = nullptr, *PlusDigits = nullptr, *MinusDigits = nullptr;

    // Tool buttons.
    QToolBar* ToolBar1 = nullptr;
    QAction *OpenButton = nullptr, *SaveButton = nullptr, *PrintButton = nullptr, *CopyButton = nullptr,
            *RenormButton = nullptr, *ClearMarkersButton = nullptr, *ScalesButton = nullptr, *RightAxisButton = nullptr,
            *DecreaseDetailButton = nullptr, *IncreaseDetailButton = nullptr, *TraceMarkersButton = nullptr,
            *ColouredTracesButton = nullptr, *TitlesButton = nullptr, *ChartColoursButton = nullptr,
            *PolarButton = nullptr, *LogMagButton = nullptr, *YSmithButton = nullptr, *ZSmithButton = nullptr;

    // The recent-file items of the File menu, in list order.
    const std::vector<QAction*>& RecentItems() const { return recentItems_; }
    // The curve items of the Curves menu (after "All on", "All off").
    std::vector<QAction*> CurveItems() const;

    // The numeric grid. WriteGridBack puts the grid's edits into the Smith
    // chart's curves when the grid shows; every operation that reads or
    // replaces the data calls it first and stops when it returns false (a
    // cell could not be read: nothing was changed and the grid stays).
    bool WriteGridBack();
    // Shows the grid's values in another format (0 magnitude/angle, 1 dB/angle,
    // 2 real/imaginary) while the grid shows.
    void SetGridFormat(int format);
    // The chart's data changed while the grid may show: the grid shows the
    // new values at once.
    void GridDataChanged();

    // Opens the help at the page of a help context (1 contents, 2 capture,
    // 4 titles, 5 save options, 6 scales, 7 options, 10 new file, 11 page
    // setup). Every Help button and Help > Contents comes here.
    void ShowHelp(int context);
    // The help file: the program's folder + "Rivelle.hlp" unless set.
    const std::string& HelpFile() const { return helpFile_; }
    void SetHelpFile(const std::string& path) { helpFile_ = path; }

    // Makes a capture (complete, or what an abort left) the current data:
    // a new, unnamed file ("Captured.s2p" and so on) that is marked
    // changed, at the capture's reference impedance.
    void TakeCapturedData(TCapturedData&& data);
    // The capture dialog (Tools > Capture Data), made at the first use.
    TAquireForm& AquireForm();
    const std::string& SettingsPath() const { return settings_.Path(); }

    // The dialogs of the Tools, View and Help commands, created with the
    // window and shown modally.
    TOptionsForm& OptionsForm() { return *optionsForm_; }
    TTitlesForm& TitlesForm() { return *titlesForm_; }
    TScalesForm& ScalesForm() { return *scalesForm_; }
    TAboutform& Aboutform() { return *aboutForm_; }
    IViewerDialogs& Dialogs() { return *dialogs_; }
    TViewerSettings& Settings() { return settings_; }

    // Empties the recent list, its File menu items and the recent section
    // of the settings file.
    void ClearFileHistory();
    // Takes new driver lines ("name=path"), which the capture dialog
    // lists the next time it is shown.
    void SetDriverList(std::vector<std::string> lines);

    // Captures through the capture driver of that display name (capture
    // dialog, instrument types from 1 on), after the dialog has asked the
    // save-changes question. True when the capture, complete or cut short
    // by an abort, became the current file; a failure is reported here.
    bool CaptureWithDriver(ICaptureHost& host, const std::string& displayName, int address, int ports);
    // Re-normalising and the two-port charts (main_window_analysis.cpp).
    void normbuttonClick();
    void Kfactor1Click();
    void Gu1Click();

    // Printing, page setup and the clipboard (main_window_print.cpp). The
    // visible chart is the XY chart while it shows, else the Smith chart.
    void PrintClick();
    void PageSetupClick();
    void CopyClick();
    // The page-setup component; its answers stay for the next print.
    TQtPageSetupDialog& PageSetupDialog1() { return *pageSetup_; }
    QPrinter& Printer() { return *printer_; }
    // The page-setup preview's stages: the chart inside the margins, no
    // sample text over it.
    bool PageSetupDialog1PaintPage(TPSPaintWhat what, QPainter& canvas, const TPSRect& rect);
    TChartDrawing VisibleChartDrawing();

    // Chart > Numeric (and the end of File > New): fills and shows the grid
    // when the Smith chart has curves.
    void ShowNumericGrid();
    bool GridShowing() const;
    // File > New.
    void NewClick();
    // The new-file dialog's values, kept from one File > New to the next.
    TNewFileValues& NewFileValues() { return newValues_; }
    // The grid's row menu and the Smith chart's point menu.
    void NumGridInsertBefore();
    void NumGridInsertAfter();
    void NumGridDeleteRow();
    void SmithInsertBeforeClick();
    void SmithAddNewPointClick();
    void SmithDeletePointClick();

    TNumGrid* NumGrid = nullptr;
    QMenu* Smithpopup = nullptr;
    QAction *SmithInsertBefore = nullptr, *AddNewPoint = nullptr, *DeletePointItem = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void wireCharts();
    void BuildRecentItems();
    void BuildCurveMenu();
    void CurrentFileChanged();
    void CurveItemClick(QAction* item);
    void AllCurves(bool on);
    void ToggleView(QAction* item);
    void OpenClick();
    void SetSwatch(TColor colour);
    void RepaintCharts();
    void createGrid();
    void GridEdited();
    void ShowGridError(const TGridError& error);
    void BuildCurveMenuFrom(const std::vector<std::string>& legends);
    void createPrinting();
    void wireXYChart();
    void PrepareXYChart(const char* leftTitle, double lymax);
    // Switches to the two-port chart `view` when the grid is read back and
    // the file holds two-port data (else `missing` is shown): its curves,
    // or none with the view check as it was.
    std::optional<TTwoPortCurves> StartTwoPortChart(
        TViewItem view, const char* missing, const char* leftTitle, double lymax);
    // Shows the XY chart with its filled curves and their menu items.
    void ShowXYCurves(const std::vector<std::string>& names);
    void RestoreViewCheck();

    // A view of the Chart menu: its item, its menu command, its chart type
    // and, for the rectangular views, the axis titles and ranges.
    struct TChartView {
        TViewItem item;
        QAction* action;
        smith::Tcharttype type;
        const char* left;
        const char* right;
        double lmin, lmax, rmin, rmax;
    };
    std::array<TChartView, 8> ChartViews() const;

    std::vector<std::string> arguments_;
    std::string helpFile_;
    std::unique_ptr<TSaveForm> saveForm_;
    std::unique_ptr<TAquireForm> aquireForm_;
    TOptionsForm* optionsForm_ = nullptr;
    TTitlesForm* titlesForm_ = nullptr;
    TScalesForm* scalesForm_ = nullptr;
    TAboutform* aboutForm_ = nullptr;
    std::unique_ptr<TNewForm> newForm_;
    TNewFileValues newValues_;
    int popupPoint_ = -1; // the point the Smith chart's menu was opened on
    std::unique_ptr<IViewerDialogs> ownDialogs_;
    IViewerDialogs* dialogs_ = nullptr;
    TSmithChartWidget* smith_ = nullptr;
    TXYChartWidget* xy_ = nullptr;
    std::unique_ptr<TViewerFileState> state_;
    std::unique_ptr<TSParameterFiles> files_;
    TViewerSettings settings_;
    std::string settingsError_;
    std::vector<std::string> drivers_;
    TStatusDigits digits_;
    bool normalised_ = true;
    bool activated_ = false;
    bool settingsSaved_ = false;
    std::vector<QAction*> recentItems_;
    std::vector<QAction*> curveItems_;
    QAction* recentSeparator_ = nullptr;
    std::vector<QLabel*> panels_;
    QFrame* swatch_ = nullptr;
    TColor swatchColour_ = 0;
    QActionGroup* viewGroup_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<TQtPageSetupDialog> pageSetup_;
    // The page-setup dialog's sample page while it is painted: its paper
    // and margins, and the paper's rectangle in the preview.
    TPageSetupRecord previewSetup_;
    TPSRect previewPage_;
};

} // namespace viewer
