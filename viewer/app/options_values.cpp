#include "viewer/app/options_values.h"

namespace viewer {

using smith::TMopts;

void ReadOptions(TOptionsValues& values, const TSmithChart& smith, int gridFormat, const TStatusDigits& digits)
{
    values.Border = smith.BorderColor();
    values.Background = smith.BackgroundColor();
    values.Graph = smith.GraphColor();
    const smith::Tmoptions o = smith.MarkerOptions();
    values.MagAngle = o.Contains(TMopts::moMA);
    values.RX = o.Contains(TMopts::moRX);
    values.Normalised = o.Contains(TMopts::moNorm);
    values.DataFormat = gridFormat;
    values.Digits = digits;
}

void ApplyOptions(const TOptionsValues& values, TSmithChart& smith, TXYChart& xy, TStatusDigits& digits)
{
    smith.SetGridType(values.GridType);
    xy.SetGridType(values.GridType);
    smith.SetBorderColor(values.Border);
    xy.SetBorderColor(values.Border);
    smith.SetBackgroundColor(values.Background);
    xy.SetBackgroundColor(values.Background);
    smith.SetGraphColor(values.Graph);
    xy.SetGraphColor(values.Graph);
    smith.SetmarkerDigits(values.MarkerDigits);
    xy.SetmarkerDigits(values.MarkerDigits);
    smith::Tmoptions o = smith.MarkerOptions();
    auto set = [&o](TMopts flag, bool on) { on ? o.Include(flag) : o.Exclude(flag); };
    set(TMopts::moMA, values.MagAngle);
    set(TMopts::moRX, values.RX);
    set(TMopts::moNorm, values.Normalised);
    smith.SetMarkerOptions(o);
    digits = values.Digits;
}

} // namespace viewer
