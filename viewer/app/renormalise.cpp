#include "viewer/app/renormalise.h"

#include "platform/rtl/format.h"
#include "viewer/app/sparam_data.h"
#include "viewer/app/sparam_math.h"
#include "viewer/app/sparam_writer.h"

#include <cmath>
#include <complex>
#include <vector>

namespace viewer {

std::string RenormaliseChart(TSmithChart& chart, int ports, double newZ0)
{
    const double z0 = chart.Impedance();
    if (!(newZ0 > 0) || !std::isfinite(newZ0))
        return kBadNormaliseImpedance;
    if (newZ0 == z0)
        return {};
    if (!(z0 > 0))
        return "The data has no reference impedance to re-normalise from.";
    std::string error;
    const SParamSource src = SourceFromChart(chart, ports, error);
    if (!error.empty())
        return "The data cannot be re-normalised: " + error;

    // The chart's curve of each matrix position, in the source's order.
    std::vector<int> curveOf(src.curves.size(), -1);
    for (std::size_t k = 0; k < src.curves.size(); ++k)
        for (int c = 0; c < chart.CurveCount(); ++c)
            if (&chart.CurveAt(c)->Points == src.curves[k])
                curveOf[k] = c;

    // Everything is computed first, so that a frequency where the matrix
    // cannot be re-normalised leaves all the data as it was.
    const std::size_t n = static_cast<std::size_t>(ports);
    const std::size_t count = src.pointCount();
    std::vector<std::complex<double>> matrix(n * n);
    std::vector<std::vector<std::complex<double>>> result(src.curves.size(), std::vector<std::complex<double>>(count));
    for (std::size_t p = 0; p < count; ++p) {
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < n; ++j) {
                const auto k
                    = static_cast<std::size_t>(CurveIndex(ports, static_cast<int>(i + 1), static_cast<int>(j + 1)));
                const smith::TPoint& pt = (*src.curves[k])[p];
                matrix[i * n + j] = { pt.Re, pt.Im };
            }
        bool ok = RenormaliseS(matrix, ports, z0, newZ0);
        for (const auto& v : matrix)
            ok = ok && std::isfinite(v.real()) && std::isfinite(v.imag());
        if (!ok)
            return "The data cannot be re-normalised to " + rtl::FloatToStr(newZ0) + " ohms at "
                + rtl::FloatToStr((*src.curves[0])[p].Freq) + " " + chart.Units() + ".";
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t j = 0; j < n; ++j) {
                const auto k
                    = static_cast<std::size_t>(CurveIndex(ports, static_cast<int>(i + 1), static_cast<int>(j + 1)));
                result[k][p] = matrix[i * n + j];
            }
    }
    for (std::size_t k = 0; k < result.size(); ++k) {
        const int c = curveOf[k];
        for (std::size_t p = 0; p < count; ++p) {
            const SParamPolar v = ToPolar({ result[k][p].real(), result[k][p].imag() });
            chart.SetPoint(c, static_cast<int>(p), chart.CurveAt(c)->Points[p].Freq, v.mag, v.angle);
        }
    }
    chart.SetImpedance(newZ0);
    return {};
}

} // namespace viewer
