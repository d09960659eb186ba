#pragma once

// One capture of S-parameters from an instrument, without widgets: the
// order of the curves, their names and colours, the prompts to reconnect
// the device, the progress and the abort checks. The traces come from an
// ICaptureSource (the analyser over the bus, or a capture driver); what
// the user sees goes through an ICaptureHost. The curves are built in a
// data set of their own, which the main window takes when the capture
// completed or was aborted after its first curve.

#include "viewer/components/smithchart.h"

#include <chrono>
#include <complex>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace viewer {

// A failure of the source. The text is shown as it is; an empty text
// ends the capture without a message.
class TCaptureError : public std::runtime_error {
public:
    explicit TCaptureError(const std::string& text)
        : std::runtime_error(text)
    {
    }
};

// Where the traces come from. The calls may block (a bus time-out); the
// session runs them off the caller's thread while the host's messages
// run, so a source must not touch widgets. Failures throw TCaptureError.
class ICaptureSource {
public:
    virtual ~ICaptureSource() = default;
    // The frequency of every point, in Hz; called first, once.
    virtual std::vector<double> Frequencies() = 0;
    // The trace of parameter 1 (S11), 2 (S12), 3 (S21) or 4 (S22) as the
    // instrument sees them at its two ports: one value per frequency.
    virtual std::vector<std::complex<double>> Trace(int parameter) = 0;
    // After the last trace of a capture that completed.
    virtual void Finish() = 0;
};

// What the capture shows and asks; called on the caller's thread.
class ICaptureHost {
public:
    virtual ~ICaptureHost() = default;
    // A message box with OK, asking the user to reconnect the device.
    virtual void Prompt(const std::string& text) = 0;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void SetProgress(int position, int maximum) = 0;
    // Lets pending window messages run (a click on Abort among them).
    virtual void ProcessMessages() = 0;
    virtual bool Aborted() const = 0;
};

// The reference impedance of the analysers captured from, in ohms.
inline constexpr double kCaptureImpedance = 50.0;

// The captured curves, in capture order.
struct TCapturedData {
    int ports = 0;
    std::string units; // "MHZ" or "GHZ"; the frequencies are in this unit
    double impedance = kCaptureImpedance;
    std::vector<smith::Tcurve> curves;
};

// "Captured.s" + N + "p" up to nine ports, "Captured.s" + N above.
std::string CapturedFileName(int ports);

// The prompt before the first trace: one line for one port, two above.
std::string FirstCapturePrompt(int ports);

enum class TCaptureOutcome { Completed, Aborted, Failed };

struct TCaptureResult {
    TCaptureOutcome outcome = TCaptureOutcome::Failed;
    std::string message; // of a failure; may be empty
    // Complete when the capture completed; after an abort the curves read
    // until then (none when it ended before the first).
    TCapturedData data;
};

class TCaptureSession {
public:
    // `ports` is 1 to 99. The source is shared with the calls that run
    // off the thread: a call cut short by an abort keeps it alive until
    // it returns.
    TCaptureSession(int ports, std::shared_ptr<ICaptureSource> source, ICaptureHost& host);

    // How often the host's messages run while a source call is pending.
    int PollMilliseconds = 10;
    // How long an abort waits for the trace being read, so that it is
    // still kept; a read that takes longer is cut short.
    int AbortGraceMilliseconds = 5000;

    // Runs the whole capture. The status text is emptied and the progress
    // set back to 0 at the end, whatever the outcome.
    TCaptureResult Run();

private:
    bool ReadCurve(int parameter, const std::string& name, TColor colour);

    int ports_;
    std::shared_ptr<ICaptureSource> source_;
    ICaptureHost& host_;
    std::vector<double> freqs_; // in the data's unit
    double scale_ = 1.0;
    TCapturedData data_;
    int progress_ = 0;
};

// Replaces the chart's curves, units and reference impedance with the
// captured ones.
void ApplyCapturedData(smith::TSmithChart& chart, TCapturedData&& data);

// Waits until every source call cut short by an abort has returned, or
// the time is up; false then. The program calls it before it ends, so that
// no call is still inside a library as it is unloaded.
bool WaitForCaptureCalls(std::chrono::milliseconds limit);

// A point from a complex value: magnitude, angle in degrees over the full
// circle, and the rectangular parts.
smith::TPoint CapturedPoint(double freq, std::complex<double> value);

} // namespace viewer
