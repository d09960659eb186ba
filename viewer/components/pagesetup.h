#pragma once

// The page-setup dialog component without its window: the published
// properties, the dialog flags they stand for, the units of the margins and
// paper size, the paper table, the margin checks and the geometry of the
// sample page. ui/pagesetupdialog.h shows the dialog on screen; a scripted
// subclass answers for it in tests.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPainter;
class QWidget;

namespace viewer {

enum class TPageSetupOption {
    poDefaultMinMargins,
    poDisableMargins,
    poDisableOrientation,
    poDisablePagePainting,
    poDisablePaper,
    poDisablePrinter,
    poNoWarning,
    poShowHelp,
};

// A set of TPageSetupOption, one bit per value in declaration order.
class TPageSetupOptions {
public:
    TPageSetupOptions() = default;
    TPageSetupOptions(std::initializer_list<TPageSetupOption> options)
    {
        for (auto o : options)
            Include(o);
    }
    bool Has(TPageSetupOption o) const { return (bits_ & Bit(o)) != 0; }
    void Include(TPageSetupOption o) { bits_ |= Bit(o); }
    void Exclude(TPageSetupOption o) { bits_ &= ~Bit(o); }
    // The stored form of the set: [poDefaultMinMargins, poShowHelp] is 129.
    unsigned Bits() const { return bits_; }
    bool operator==(const TPageSetupOptions&) const = default;

private:
    static unsigned Bit(TPageSetupOption o) { return 1u << static_cast<unsigned>(o); }
    unsigned bits_ = 0;
};

// Hundredths of millimetres or thousandths of inches.
enum class TPSMeasurements { pmMillimeters, pmInches };

enum class TPSPaperType { ptPaper, ptEnvelope };
enum class TPSPaperOrientation { poPortrait, poLandscape };
enum class TPSPrinterType { ptDotMatrix, ptHPPCL };
// The stages of the sample page, in the order they are painted.
enum class TPSPaintWhat { pwFullPage, pwMinimumMargins, pwMargins, pwGreekText, pwEnvStamp, pwYAFullPage };

struct TPSPoint {
    int x = 0;
    int y = 0;
    bool operator==(const TPSPoint&) const = default;
};

struct TPSRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const TPSRect&) const = default;
};

// Dialog flags.
constexpr std::uint32_t psdMargins = 0x2;
constexpr std::uint32_t psdInThousandthsOfInches = 0x4;
constexpr std::uint32_t psdInHundredthsOfMillimeters = 0x8;
constexpr std::uint32_t psdEnablePageSetupHook = 0x2000;
constexpr std::uint32_t psdEnablePagePaintHook = 0x40000;

std::uint32_t OptionFlag(TPageSetupOption o);
std::uint32_t MeasurementFlag(TPSMeasurements m);

// Lengths between the two units, rounded to the nearest unit (halves away
// from zero).
int ConvertLength(int value, TPSMeasurements from, TPSMeasurements to);
// A length as the dialog shows it: "25.40" mm or "1.000" inches.
std::string FormatLength(int value, TPSMeasurements unit);
// The user's text in millimetres or inches back to the unit; nothing when it
// is not a number or is negative.
std::optional<int> ParseLength(const std::string& text, TPSMeasurements unit);
// The caption of the unit beside the margin boxes.
std::string UnitCaption(TPSMeasurements unit);

// A paper the dialog offers: its code (the printer's paper number), its name
// and its portrait size in the unit it is defined in.
struct TPSPaper {
    int Code = 0;
    std::string Name;
    bool Envelope = false;
    TPSMeasurements Unit = TPSMeasurements::pmMillimeters;
    int Width = 0; // portrait, in Unit
    int Height = 0;
};

const std::vector<TPSPaper>& Papers();
const TPSPaper* FindPaper(int code);
// The paper's size in the unit, width and height swapped for landscape.
TPSPoint PaperExtent(const TPSPaper& paper, TPSPaperOrientation orientation, TPSMeasurements unit);

// Why margins cannot be used on a paper, or empty when they can. Margins
// must not be negative, must not be below the minimum margins, and must
// leave some of the paper between them. All values in the same unit.
std::string CheckMargins(const TPSRect& margins, const TPSRect& minMargins, TPSPoint paper, TPSMeasurements unit);

// The flag word the dialog hands to the init-paint event, and its decoding:
// bit 2 HP PCL printer, bit 4 portrait, bit 8 envelope.
std::uint16_t InitPaintPageWord(TPSPaperType type, TPSPaperOrientation orientation, TPSPrinterType printer);
struct TPSInitPaintPage {
    TPSPaperType PaperType = TPSPaperType::ptPaper;
    TPSPaperOrientation PaperOrientation = TPSPaperOrientation::poPortrait;
    TPSPrinterType PrinterType = TPSPrinterType::ptDotMatrix;
};
TPSInitPaintPage DecodeInitPaintPage(std::uint16_t word);

// The sample page in a preview box of boxW x boxH pixels: the paper scaled
// to fit with a gap around it, centred, keeping its proportions, and the
// margin rectangles at the same scale.
struct TPSPreviewGeometry {
    double Scale = 0; // pixels per unit
    TPSRect Page;
    TPSRect MinMargins;
    TPSRect Margins;
    TPSRect EnvStamp; // envelopes only
    TPSRect ReturnAddress; // envelopes only
};
TPSPreviewGeometry PreviewGeometry(
    int boxW, int boxH, TPSPoint paper, const TPSRect& margins, const TPSRect& minMargins, bool envelope);
// Pixels of the gap around the sample page.
constexpr int kPreviewGap = 8;

// Top-left corner that centres a window on the screen: across by half, down
// by a third of the free room.
TPSPoint CenterWindowPos(int screenW, int screenH, int windowW, int windowH);

// The printer the dialog sets up: its name (empty with no printer installed,
// when the page goes to a PDF file), paper, orientation and its minimum
// margins in hundredths of millimetres.
struct TPSPrinterSetup {
    std::string Name;
    int PaperCode = 9;
    TPSPaperOrientation Orientation = TPSPaperOrientation::poPortrait;
    TPSRect MinMargins;
    // The printer's paper when its code is not one of Papers(): its name and
    // portrait size in hundredths of millimetres (0 x 0 when unknown).
    std::string PaperName;
    TPSPoint PaperMM;
    bool operator==(const TPSPrinterSetup&) const = default;
};

// What passes between the component and the dialog.
struct TPageSetupRecord {
    std::uint32_t Flags = 0;
    std::uint32_t CustomData = 0;
    TPSPoint PaperSize;
    TPSRect MinMargins;
    TPSRect Margins;
    TPSPrinterSetup Printer;
};
using PPSDlgData = const TPageSetupRecord*;

class TPageSetupDialog;
using TPSPrinterEvent = std::function<void(TPageSetupDialog& sender, QWidget* wnd)>;
using TPSInitPaintPageEvent = std::function<bool(TPageSetupDialog& sender, short paperSize, TPSPaperType paperType,
    TPSPaperOrientation paperOrientation, TPSPrinterType printerType, PPSDlgData setupData)>;
using TPSPaintPageEvent
    = std::function<bool(TPageSetupDialog& sender, TPSPaintWhat paintWhat, QPainter& canvas, const TPSRect& rect)>;
using TPSHelpEvent = std::function<void(TPageSetupDialog& sender, int helpContext)>;

class TPageSetupDialog {
public:
    TPageSetupDialog() = default;
    virtual ~TPageSetupDialog() = default;

    TPageSetupOptions Options { TPageSetupOption::poDefaultMinMargins, TPageSetupOption::poShowHelp };
    TPSMeasurements Measurements = TPSMeasurements::pmInches;
    TPSPrinterEvent OnPrinter;
    TPSInitPaintPageEvent OnInitPaintPage;
    TPSPaintPageEvent OnPaintPage;
    bool Ctl3D = true;
    int HelpContext = 0;
    // Help button: the program shows its help page for HelpContext.
    TPSHelpEvent OnHelp;

    // Written back by Execute.
    TPSPoint PaperSize;
    TPSRect MinMargins;
    TPSRect Margins { 1000, 1000, 1000, 1000 };
    std::uint32_t CustomData = 0;

    // The dialog flags Execute passes.
    std::uint32_t Flags() const;
    bool SetupHookInstalled() const;
    bool PaintHookInstalled() const;

    // Shows the dialog modally; true when the user pressed OK. On OK the
    // paper size, both margin rectangles and the chosen printer are taken
    // over; on Cancel nothing changes.
    virtual bool Execute();
    // Fires OnPrinter; false when it is not assigned (the dialog then offers
    // its own printer choice).
    virtual bool DoPrinter(QWidget* wnd);

    // The printer the next Execute starts from, and the one the last
    // confirmed Execute chose.
    const TPSPrinterSetup& Printer() const { return printer_; }
    void SetPrinter(const TPSPrinterSetup& printer) { printer_ = printer; }

protected:
    // Runs the dialog on the record; true on OK with the record holding the
    // answers.
    virtual bool RunDialog(TPageSetupRecord& record) = 0;
    // The printer to start from; the screen dialog reads the program's
    // current printer here.
    virtual TPSPrinterSetup CurrentPrinter() const { return printer_; }
    // The chosen printer becomes the program's current printer.
    virtual void ApplyPrinter(const TPSPrinterSetup& printer) { printer_ = printer; }

private:
    TPSPrinterSetup printer_;
};

} // namespace viewer
