#pragma once

// The built-in analyser on the instrument bus: its command sequence, the
// checks on its replies and the bus library's place in the settings file.

#include "viewer/app/capture_session.h"

#include <complex>
#include <memory>
#include <string>
#include <vector>

namespace gpib {
class TGpibLibrary;
}

namespace viewer {

// Shown when the bus, the analyser or one of its replies fails.
inline const char* kGpibWarning = "GPIB error.\nCheck connections and settings !";
// Shown when the bus library cannot be loaded or lacks an entry point.
inline const char* kGpibLoadFailure = "Unable to load GPIB32.DLL";

// The most points a trace can have: its block length is 16 bits.
constexpr int kMaxTracePoints = 4095;

// A reply that is a number and nothing else (blanks around it allowed).
bool ParseReplyNumber(const std::string& reply, double& value);
// The point count: a whole number from 2 to kMaxTracePoints.
bool ParsePointCount(const std::string& reply, int& points);
// A trace in binary form: the header "#A" with the data's length (16 bits,
// big-endian), which must be points x 16, and the points as pairs of
// big-endian doubles, all finite.
bool DecodeTraceBlock(
    const std::string& header, const std::string& data, int points, std::vector<std::complex<double>>& values);

// The bus library named by the settings file's "library" key of section
// "gpib", or the system's bus library.
std::string GpibLibraryPath(const std::string& settingsPath);

class TAnalyserSource : public ICaptureSource {
public:
    // `address` is the analyser's bus address; `settleMs` the wait after
    // a single sweep is started.
    TAnalyserSource(std::shared_ptr<gpib::TGpibLibrary> bus, int address, int settleMs = 500);

    std::vector<double> Frequencies() override;
    std::vector<std::complex<double>> Trace(int parameter) override;
    void Finish() override;

private:
    void write(const std::string& text);
    std::string read();
    double readNumber();

    std::shared_ptr<gpib::TGpibLibrary> bus_;
    int address_;
    int settleMs_;
    int points_ = 0;
};

} // namespace viewer
