#include "viewer/components/pagesetup.h"

#include "platform/rtl/format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace viewer {

std::uint32_t OptionFlag(TPageSetupOption o)
{
    switch (o) {
    case TPageSetupOption::poDefaultMinMargins:
        return 0;
    case TPageSetupOption::poDisableMargins:
        return 0x10;
    case TPageSetupOption::poDisableOrientation:
        return 0x100;
    case TPageSetupOption::poDisablePagePainting:
        return 0x80000;
    case TPageSetupOption::poDisablePaper:
        return 0x200;
    case TPageSetupOption::poDisablePrinter:
        return 0x20;
    case TPageSetupOption::poNoWarning:
        return 0x80;
    case TPageSetupOption::poShowHelp:
        return 0x800;
    }
    return 0;
}

std::uint32_t MeasurementFlag(TPSMeasurements m)
{
    return m == TPSMeasurements::pmMillimeters ? psdInHundredthsOfMillimeters : psdInThousandthsOfInches;
}

namespace {

// a * num / den rounded to the nearest integer, halves away from zero.
int MulDivRound(int a, long long num, long long den)
{
    const long long p = static_cast<long long>(a) * num;
    const long long q = (std::llabs(p) + den / 2) / den;
    return static_cast<int>(p < 0 ? -q : q);
}

int UnitsPerWhole(TPSMeasurements unit)
{
    return unit == TPSMeasurements::pmMillimeters ? 100 : 1000;
}

} // namespace

int ConvertLength(int value, TPSMeasurements from, TPSMeasurements to)
{
    if (from == to)
        return value;
    // 1 inch = 25.4 mm = 2540 hundredths of a millimetre = 1000 thousandths.
    if (from == TPSMeasurements::pmMillimeters)
        return MulDivRound(value, 100, 254);
    return MulDivRound(value, 254, 100);
}

std::string FormatLength(int value, TPSMeasurements unit)
{
    const int per = UnitsPerWhole(unit);
    const long long a = std::llabs(static_cast<long long>(value));
    char buf[48];
    std::snprintf(buf, sizeof buf, unit == TPSMeasurements::pmMillimeters ? "%s%lld.%02lld" : "%s%lld.%03lld",
        value < 0 ? "-" : "", a / per, a % per);
    return buf;
}

std::optional<int> ParseLength(const std::string& text, TPSMeasurements unit)
{
    std::string t = text;
    t.erase(0, t.find_first_not_of(" \t"));
    t.erase(t.find_last_not_of(" \t") + 1);
    double v = 0;
    if (t.empty() || !rtl::TryStrToFloat(t, v) || !std::isfinite(v) || v < 0)
        return std::nullopt;
    const double units = v * UnitsPerWhole(unit);
    // Far beyond any paper; keeps the arithmetic inside int.
    if (units > 1e8)
        return std::nullopt;
    return static_cast<int>(std::llround(units));
}

std::string UnitCaption(TPSMeasurements unit)
{
    return unit == TPSMeasurements::pmMillimeters ? "mm" : "inches";
}

const std::vector<TPSPaper>& Papers()
{
    using M = TPSMeasurements;
    static const std::vector<TPSPaper> papers {
        { 1, "Letter", false, M::pmInches, 8500, 11000 },
        { 5, "Legal", false, M::pmInches, 8500, 14000 },
        { 7, "Executive", false, M::pmInches, 7250, 10500 },
        { 8, "A3", false, M::pmMillimeters, 29700, 42000 },
        { 9, "A4", false, M::pmMillimeters, 21000, 29700 },
        { 11, "A5", false, M::pmMillimeters, 14800, 21000 },
        { 13, "B5", false, M::pmMillimeters, 18200, 25700 },
        { 20, "Envelope #10", true, M::pmInches, 4125, 9500 },
        { 27, "Envelope DL", true, M::pmMillimeters, 11000, 22000 },
        { 28, "Envelope C5", true, M::pmMillimeters, 16200, 22900 },
    };
    return papers;
}

const TPSPaper* FindPaper(int code)
{
    for (const auto& p : Papers())
        if (p.Code == code)
            return &p;
    return nullptr;
}

TPSPoint PaperExtent(const TPSPaper& paper, TPSPaperOrientation orientation, TPSMeasurements unit)
{
    TPSPoint e { ConvertLength(paper.Width, paper.Unit, unit), ConvertLength(paper.Height, paper.Unit, unit) };
    if (orientation == TPSPaperOrientation::poLandscape)
        std::swap(e.x, e.y);
    return e;
}

std::string CheckMargins(const TPSRect& margins, const TPSRect& minMargins, TPSPoint paper, TPSMeasurements unit)
{
    const std::string u = " " + UnitCaption(unit);
    if (margins.left < 0 || margins.top < 0 || margins.right < 0 || margins.bottom < 0)
        return "Margins cannot be negative.";
    const struct {
        const char* name;
        int value;
        int min;
    } sides[] = {
        { "left", margins.left, minMargins.left },
        { "top", margins.top, minMargins.top },
        { "right", margins.right, minMargins.right },
        { "bottom", margins.bottom, minMargins.bottom },
    };
    for (const auto& s : sides)
        if (s.value < s.min)
            return std::string("The ") + s.name + " margin is smaller than the printer's least margin of "
                + FormatLength(s.min, unit) + u + ".";
    if (static_cast<long long>(margins.left) + margins.right >= paper.x)
        return "The margins are larger than the paper: the left and right margins together must be less than the "
               "paper width of "
            + FormatLength(paper.x, unit) + u + ".";
    if (static_cast<long long>(margins.top) + margins.bottom >= paper.y)
        return "The margins are larger than the paper: the top and bottom margins together must be less than the "
               "paper height of "
            + FormatLength(paper.y, unit) + u + ".";
    return {};
}

std::uint16_t InitPaintPageWord(TPSPaperType type, TPSPaperOrientation orientation, TPSPrinterType printer)
{
    std::uint16_t w = 0x1;
    if (printer == TPSPrinterType::ptHPPCL)
        w |= 0x2;
    if (orientation == TPSPaperOrientation::poPortrait)
        w |= 0x4;
    if (type == TPSPaperType::ptEnvelope)
        w |= 0x8;
    return w;
}

TPSInitPaintPage DecodeInitPaintPage(std::uint16_t word)
{
    TPSInitPaintPage d;
    d.PaperType = (word & 0x8) ? TPSPaperType::ptEnvelope : TPSPaperType::ptPaper;
    d.PaperOrientation = (word & 0x4) ? TPSPaperOrientation::poPortrait : TPSPaperOrientation::poLandscape;
    // The printer type has a bit of its own; reading it from the envelope
    // bit would call every envelope printer a laser printer.
    d.PrinterType = (word & 0x2) ? TPSPrinterType::ptHPPCL : TPSPrinterType::ptDotMatrix;
    return d;
}

TPSPreviewGeometry PreviewGeometry(
    int boxW, int boxH, TPSPoint paper, const TPSRect& margins, const TPSRect& minMargins, bool envelope)
{
    TPSPreviewGeometry g;
    const int availW = boxW - 2 * kPreviewGap;
    const int availH = boxH - 2 * kPreviewGap;
    if (paper.x <= 0 || paper.y <= 0 || availW <= 0 || availH <= 0)
        return g;
    g.Scale = std::min(static_cast<double>(availW) / paper.x, static_cast<double>(availH) / paper.y);
    const auto px = [&](int units) { return static_cast<int>(std::lround(units * g.Scale)); };
    const int w = px(paper.x);
    const int h = px(paper.y);
    g.Page.left = (boxW - w) / 2;
    g.Page.top = (boxH - h) / 2;
    g.Page.right = g.Page.left + w;
    g.Page.bottom = g.Page.top + h;
    const auto inset = [&](const TPSRect& m) {
        return TPSRect { g.Page.left + px(m.left), g.Page.top + px(m.top), g.Page.right - px(m.right),
            g.Page.bottom - px(m.bottom) };
    };
    g.Margins = inset(margins);
    g.MinMargins = inset(minMargins);
    if (envelope) {
        const int side = std::max(1, std::min(w, h) / 5);
        const int gap = std::max(1, side / 4);
        g.EnvStamp = { g.Page.right - gap - side, g.Page.top + gap, g.Page.right - gap, g.Page.top + gap + side };
        g.ReturnAddress
            = { g.Margins.left, g.Margins.top, g.Margins.left + w * 35 / 100, g.Margins.top + h * 25 / 100 };
    }
    return g;
}

TPSPoint CenterWindowPos(int screenW, int screenH, int windowW, int windowH)
{
    return { (screenW - windowW) / 2, (screenH - windowH) / 3 };
}

std::uint32_t TPageSetupDialog::Flags() const
{
    std::uint32_t f = psdMargins | MeasurementFlag(Measurements);
    for (int i = 0; i <= static_cast<int>(TPageSetupOption::poShowHelp); ++i) {
        const auto o = static_cast<TPageSetupOption>(i);
        if (Options.Has(o))
            f |= OptionFlag(o);
    }
    if (SetupHookInstalled())
        f |= psdEnablePageSetupHook;
    if (PaintHookInstalled())
        f |= psdEnablePagePaintHook;
    return f;
}

bool TPageSetupDialog::SetupHookInstalled() const
{
    return OnPrinter || OnInitPaintPage || OnPaintPage;
}

bool TPageSetupDialog::PaintHookInstalled() const
{
    return OnInitPaintPage && OnPaintPage;
}

bool TPageSetupDialog::Execute()
{
    TPageSetupRecord record;
    record.Flags = Flags();
    record.CustomData = CustomData;
    record.PaperSize = PaperSize;
    record.MinMargins = MinMargins;
    record.Margins = Margins;
    record.Printer = CurrentPrinter();
    if (!RunDialog(record))
        return false;
    PaperSize = record.PaperSize;
    MinMargins = record.MinMargins;
    Margins = record.Margins;
    ApplyPrinter(record.Printer);
    return true;
}

bool TPageSetupDialog::DoPrinter(QWidget* wnd)
{
    if (!OnPrinter)
        return false;
    OnPrinter(*this, wnd);
    return true;
}

} // namespace viewer
