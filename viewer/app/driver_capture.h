#pragma once

// Capturing S-parameters through a capture driver library: the frequency
// list and one trace per S-parameter, in the order, with the names,
// colours and prompts of the analyser capture. The captured curves form a
// new data set that replaces the chart's data only when the capture
// completed.

#include "viewer/components/smithchart.h"

#include <string>
#include <vector>

namespace viewer {

class TViewerFileState;

// What a capture asks of the capture dialog.
class ICaptureFeedback {
public:
    virtual ~ICaptureFeedback() = default;
    // OK and Help hidden, Cancel turned into an abort button; and back.
    virtual void BeginCapture() = 0;
    virtual void EndCapture() = 0;
    // A box with OK that waits for the user (connect the ports).
    virtual void Prompt(const std::string& text) = 0;
    // A failure box.
    virtual void ShowMessage(const std::string& text) = 0;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void SetProgress(int position, int maximum) = 0;
    // Lets pending window messages run, so that the abort button works.
    virtual void ProcessMessages() = 0;
    virtual bool Aborted() const = 0;
};

// One captured curve, in magnitude and angle (degrees).
struct TCapturedCurve {
    std::string Legend;
    TColor Colour = clBlack;
    std::vector<double> Freq, Mag, Angle;
};

struct TCapturedData {
    std::string Units; // "MHZ" or "GHZ"
    std::vector<TCapturedCurve> Curves;
};

// The file name of a capture of `ports` ports: "Captured.s2p", and
// "Captured.s10" from ten ports on.
std::string CapturedFileName(int ports);

// Where the analyser capture and the driver capture read their curves from
// (the four parameters: 1 S11, 2 S12, 3 S21, 4 S22), in their order, with
// their names and colours. The prompts between port pairs are part of it.
struct TCaptureStep {
    std::string Prompt; // shown before the curve when not empty
    std::string Legend;
    TColor Colour = clBlack;
    int Parameter = 1;
};
std::vector<TCaptureStep> CaptureSteps(int ports);

// The prompt before the first curve.
std::string FirstCapturePrompt(int ports);

// Replaces the chart's curves with the data set, sets its units, makes the
// data the current, unnamed file of `ports` ports and marks it changed, so
// that closing or opening another file asks to save it.
void CommitCapture(const TCapturedData& data, int ports, TSmithChart& chart, TViewerFileState& state);

// The capture through the driver named `displayName` in `driverList`
// (lines "name=path"), at bus address `address`, for `ports` ports. Asks
// the save-changes question first. True when the capture completed and
// became the current file.
bool CaptureWithDriver(const std::vector<std::string>& driverList, const std::string& displayName, int address,
    int ports, TSmithChart& chart, TViewerFileState& state, ICaptureFeedback& feedback);

} // namespace viewer
