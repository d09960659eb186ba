#include "viewer/app/driver_capture.h"

#include "viewer/app/capture_driver.h"
#include "viewer/app/file_state.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace viewer {

std::string CapturedFileName(int ports)
{
    // "Captured.s9" would not read back: nine ports still end in "p".
    return "Captured.s" + std::to_string(ports) + (ports <= 9 ? "p" : "");
}

std::string FirstCapturePrompt(int ports)
{
    if (ports <= 1)
        return "Connect VNA port 1 to DUT port 1";
    return "Connect VNA port 1 to DUT port 1\nConnect VNA port 2 to DUT port 2";
}

std::vector<TCaptureStep> CaptureSteps(int ports)
{
    std::vector<TCaptureStep> steps;
    steps.push_back({ "", "S11", clRed, 1 });
    if (ports > 1) {
        steps.push_back({ "", "S12", clFuchsia, 2 });
        steps.push_back({ "", "S21", clLime, 3 });
        steps.push_back({ "", "S22", clBlue, 4 });
    }
    if (ports > 2) {
        TColor c = clBlue;
        for (int i = 1; i <= ports - 1; ++i)
            for (int j = std::max(3, i + 1); j <= ports; ++j) {
                const std::string si = std::to_string(i), sj = std::to_string(j);
                c = smith::NextColour(c);
                steps.push_back({ "Connect VNA port 1 to DUT Port " + si + "\nConnect VNA port 2 to DUT Port " + sj,
                    "S" + si + sj, c, 2 });
                c = smith::NextColour(c);
                steps.push_back({ "", "S" + sj + si, c, 3 });
                if (i == 1) {
                    c = smith::NextColour(c);
                    steps.push_back({ "", "S" + sj + sj, c, 4 });
                }
            }
    }
    return steps;
}

void CommitCapture(const TCapturedData& data, int ports, TSmithChart& chart, TViewerFileState& state)
{
    chart.ClearCurves();
    chart.SetUnits(data.Units);
    for (const TCapturedCurve& c : data.Curves) {
        const int curve = chart.AddCurve(c.Legend, c.Colour);
        for (std::size_t k = 0; k < c.Freq.size(); ++k)
            chart.AddPoint(curve, c.Freq[k], c.Mag[k], c.Angle[k]);
        chart.SetCurveVisible(curve, true);
    }
    state.SetCurrentFile(CapturedFileName(ports), ports, false);
    // SetCurrentFile clears the flag; the capture is not saved yet.
    chart.SetDataChanged(true);
}

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The path of a display name in the driver list; empty when not listed.
std::string driverPath(const std::vector<std::string>& driverList, const std::string& displayName)
{
    for (const std::string& line : driverList) {
        const auto eq = line.find('=');
        if (eq != std::string::npos && line.substr(0, eq) == displayName)
            return line.substr(eq + 1);
    }
    return {};
}

std::string initialiseFailure(int result)
{
    switch (result) {
    case RIVELLE_INIT_NO_BUS_LIBRARY:
        return "Unable to Load GPIB32.DLL";
    case RIVELLE_INIT_BUS_FUNCTION:
        return "GPIB32.DLL function Error";
    case RIVELLE_INIT_BUS_ERROR:
        return "GPIB error!\nCheck connections and settings.";
    default:
        return {};
    }
}

bool allFinite(const std::vector<double>& values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// Runs the capture with a loaded driver; true when it completed. CloseDriver
// is called whenever Initialise succeeded.
bool runCapture(TCaptureDriver& driver, int address, int ports, TCapturedData& data, ICaptureFeedback& feedback)
{
    const int points = driver.Initialise(address);
    if (points < 0) {
        if (std::string text = initialiseFailure(points); !text.empty())
            feedback.ShowMessage(text);
        return false;
    }
    struct Closer {
        TCaptureDriver& d;
        ~Closer() { d.CloseDriver(); }
    } closer { driver };
    if (points == 0 || points > RIVELLE_DRIVER_POINTS_MAX) {
        feedback.ShowMessage("The driver reported " + std::to_string(points) + " points; a capture takes 1 to "
            + std::to_string(RIVELLE_DRIVER_POINTS_MAX) + ".");
        return false;
    }
    const auto P = static_cast<std::size_t>(points);
    // Filled with not-a-number first, so that a value the driver did not
    // write is seen.
    std::vector<double> freq(P, kNaN);
    std::vector<double> trace(2 * P, kNaN);
    double* buffer = freq.data();
    if (driver.GetFreqArray(&buffer) < 0) {
        feedback.ShowMessage("GPIB Error! Check Connections and settings");
        return false;
    }
    if (!allFinite(freq)) {
        feedback.ShowMessage("The driver did not deliver the frequencies.");
        return false;
    }
    double divisor = 1e9;
    data.Units = "GHZ";
    if (freq[P - 1] <= 1e9) {
        divisor = 1e6;
        data.Units = "MHZ";
    }
    for (double& f : freq)
        f /= divisor;

    feedback.Prompt(FirstCapturePrompt(ports));
    if (feedback.Aborted())
        return false;
    feedback.ProcessMessages();
    int position = 0;
    feedback.SetProgress(position, ports * ports);
    for (const TCaptureStep& step : CaptureSteps(ports)) {
        if (feedback.Aborted())
            return false;
        if (!step.Prompt.empty())
            feedback.Prompt(step.Prompt);
        feedback.SetStatus("Loading " + step.Legend + " data");
        std::fill(trace.begin(), trace.end(), kNaN);
        buffer = trace.data();
        if (driver.GetChannel(step.Parameter, &buffer) < 0 || !allFinite(trace)) {
            feedback.ShowMessage("The driver did not deliver the " + step.Legend + " data.");
            return false;
        }
        TCapturedCurve c { step.Legend, step.Colour, freq, {}, {} };
        c.Mag.resize(P);
        c.Angle.resize(P);
        for (std::size_t k = 0; k < P; ++k) {
            const double re = trace[2 * k], im = trace[2 * k + 1];
            c.Mag[k] = std::sqrt(re * re + im * im);
            c.Angle[k] = std::atan2(im, re) * 180.0 / std::numbers::pi;
        }
        data.Curves.push_back(std::move(c));
        feedback.SetProgress(++position, ports * ports);
        feedback.ProcessMessages();
    }
    return !feedback.Aborted();
}

} // namespace

bool CaptureWithDriver(const std::vector<std::string>& driverList, const std::string& displayName, int address,
    int ports, TSmithChart& chart, TViewerFileState& state, ICaptureFeedback& feedback)
{
    if (state.QuerySaveChanges())
        return false;
    std::string error;
    std::unique_ptr<TCaptureDriver> driver = LoadCaptureDriver(driverPath(driverList, displayName), error);
    if (!driver) {
        feedback.ShowMessage(error);
        return false;
    }
    feedback.BeginCapture();
    TCapturedData data;
    const bool completed = runCapture(*driver, address, ports, data, feedback);
    if (completed)
        CommitCapture(data, ports, chart, state);
    driver.reset();
    feedback.ProcessMessages();
    feedback.SetProgress(0, ports * ports);
    feedback.EndCapture();
    feedback.SetStatus("");
    return completed;
}

} // namespace viewer
