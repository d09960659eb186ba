#pragma once

// Two-port stability factors and power gains at each frequency of the
// S11, S12, S21 and S22 curves held in the Smith chart, for the stability
// and power-gain charts. A gain that does not exist at a frequency (a
// device that is not stable for it, a zero transmission) is not-a-number,
// which the XY chart leaves out of its line.

#include "viewer/components/smithchart.h"
#include "viewer/components/vectormath.h"

#include <optional>

namespace viewer {

inline constexpr const char* kNoStabilityData = "Invalid Data Set for K-factor chart!";
inline constexpr const char* kNoGainData = "Invalid Data Set for Gu chart!";

struct TStabilityPoint {
    double Freq = 0;
    double K = 0; // Rollett's stability factor
    double Det = 0; // |S11 S22 - S12 S21|
    double B1 = 0;
};

// All in dB.
struct TGainPoint {
    double Freq = 0;
    double Gtumax = 0; // unilateral transducer gain with both ports matched
    double Gtm = 0; // |S21|^2
    double Gmsg = 0; // maximum stable gain |S21/S12|
    double Gamax = 0; // maximum available gain
};

// The denominator of K that stands in for zero (no reverse or no forward
// transmission).
inline constexpr double kZeroTransmission = 1e-99;

TStabilityPoint StabilityOf(double freq, TComplex s11, TComplex s12, TComplex s21, TComplex s22);
TGainPoint GainOf(double freq, TComplex s11, TComplex s12, TComplex s21, TComplex s22);

// The four curves of a two-port found by legend in a Smith chart.
class TTwoPortCurves {
public:
    // Nothing when one of "S11", "S12", "S21", "S22" is missing.
    static std::optional<TTwoPortCurves> Find(const TSmithChart& chart);

    // The number of frequencies that all four curves hold.
    int PointCount() const { return count_; }
    // The values at point index i (0 <= i < PointCount()); the frequency is
    // S11's.
    TStabilityPoint StabilityPoint(int i) const;
    TGainPoint GainPoint(int i) const;

private:
    TTwoPortCurves(const TSmithChart& chart, int s11, int s12, int s21, int s22);
    void Values(int i, double& freq, TComplex s[4]) const;

    const TSmithChart* chart_;
    int curve_[4]; // S11, S12, S21, S22
    int count_ = 0;
};

} // namespace viewer
