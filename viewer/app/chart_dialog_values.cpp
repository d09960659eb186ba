#include "viewer/app/chart_dialog_values.h"

#include "platform/rtl/format.h"

namespace viewer {

TTitlesValues ReadTitles(const TSmithChart& smith)
{
    return { smith.Title(), smith.TitleFont(), smith.LeftTitle(), smith.RightTitle(), smith.XTitle() };
}

void ApplyTitles(const TTitlesValues& values, TSmithChart& smith, TXYChart& xy)
{
    smith.SetTitle(values.Title);
    xy.SetTitle(values.Title);
    smith.SetTitleFont(values.TitleFont);
    xy.SetTitleFont(values.TitleFont);
    smith.SetLeftTitle(values.LeftTitle);
    xy.SetLeftTitle(values.LeftTitle);
    smith.SetRightTitle(values.RightTitle);
    xy.SetRightTitle(values.RightTitle);
    smith.SetXTitle(values.XTitle);
    xy.SetXTitle(values.XTitle);
}

namespace {

std::string fixed2(double v)
{
    return rtl::FloatToStrFixed(v, 15, 2);
}

template <class Chart> TScalesTexts readScales(const Chart& c)
{
    TScalesTexts t;
    t.LeftYMax = fixed2(c.LYmax());
    t.LeftYMin = fixed2(c.LYmin());
    t.RightYMax = fixed2(c.RYmax());
    t.RightYMin = fixed2(c.RYmin());
    t.XMin = fixed2(c.Xmin());
    t.XMax = fixed2(c.Xmax());
    t.HorizLines = c.Yinterval();
    t.VertLines = c.Xinterval();
    return t;
}

template <class Chart> void applyScales(const TScalesValues& v, Chart& c)
{
    c.SetLYmax(v.LeftYMax);
    c.SetLYmin(v.LeftYMin);
    c.SetRYmax(v.RightYMax);
    c.SetRYmin(v.RightYMin);
    c.SetYinterval(v.HorizLines);
    c.SetXinterval(v.VertLines);
}

} // namespace

TScalesTexts ReadScales(const TSmithChart& chart)
{
    return readScales(chart);
}

TScalesTexts ReadScales(const TXYChart& chart)
{
    return readScales(chart);
}

bool ScalesKeyAccepted(char key)
{
    return key == '\b' || key == '+' || key == '-' || key == '.' || key == 'E' || (key >= '0' && key <= '9');
}

std::string ParseScales(const TScalesTexts& t, TScalesValues& values)
{
    TScalesValues v;
    const char sep = rtl::formatSettings().decimalSeparator;
    const struct {
        const std::string& text;
        double& value;
        const char* name;
    } fields[] = {
        { t.LeftYMax, v.LeftYMax, "Left Y max" },
        { t.LeftYMin, v.LeftYMin, "Left Y min" },
        { t.RightYMax, v.RightYMax, "Right Y max" },
        { t.RightYMin, v.RightYMin, "Right Y min" },
        { t.XMin, v.XMin, "X min" },
        { t.XMax, v.XMax, "X max" },
    };
    for (const auto& f : fields)
        if (!rtl::TryStrToFloat(f.text, f.value, sep))
            return std::string(f.name) + ": '" + f.text + "' is not a valid floating point value";
    const struct {
        double min, max;
        const char *minName, *maxName;
    } ranges[] = {
        { v.LeftYMin, v.LeftYMax, "Left Y min", "Left Y max" },
        { v.RightYMin, v.RightYMax, "Right Y min", "Right Y max" },
    };
    // The X range is not applied, so a data set of one frequency (X min
    // equal to X max) does not stop the rest.
    for (const auto& r : ranges)
        if (!(r.min < r.max))
            return std::string(r.minName) + " must be below " + r.maxName;
    v.HorizLines = t.HorizLines;
    v.VertLines = t.VertLines;
    values = v;
    return {};
}

void ApplyScales(const TScalesValues& values, TSmithChart& chart)
{
    applyScales(values, chart);
}

void ApplyScales(const TScalesValues& values, TXYChart& chart)
{
    applyScales(values, chart);
}

} // namespace viewer
