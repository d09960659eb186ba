#pragma once

// File > Open and File > Save of the viewer: reads S-parameter files into
// the Smith chart and writes its curves back, with the save options, the
// messages and the file dialogs going through IViewerDialogs.

#include "viewer/app/save_options.h"
#include "viewer/app/sparam_data.h"

#include <functional>
#include <string>
#include <utility>

namespace viewer {

class IViewerDialogs;
class TViewerFileState;

class TSParameterFiles {
public:
    TSParameterFiles(TSmithChart& chart, TViewerFileState& state, IViewerDialogs& dialogs);

    // The save dialog's values; `Options().memo` holds the comments of the
    // file last read.
    SaveOptions& Options() { return options_; }

    // Reads a file into the chart. A failed read shows its message and
    // changes nothing. True when the file was read.
    bool LoadSParameterFile(const std::string& path);

    // false: File > Save to the current path without dialogs; true: the
    // save-options dialog, then the file dialog. True when a file was written.
    bool SaveSParameterFile(bool saveAs);

    // Replaces the chart's data with data read earlier (no question asked).
    // The save options take the data's comments and reference impedance.
    void ApplyData(SParameterData&& data);

    // Data made here rather than read (File > New): the save options drop
    // the comments of the file read before and save at `impedance`, so that
    // nothing left over from earlier data re-normalises or labels the new.
    void StartNewData(double impedance);

    // Set by the main window: switch back to the Z Smith view when the XY
    // chart shows, and give the XY chart the units and reference impedance.
    std::function<void()> ShowSmithView;
    std::function<void(const std::string& units, double impedance)> SetOtherChartUnits;
    // Date and time text of the marker comment; the user's short date and
    // long time formats unless replaced.
    std::function<std::pair<std::string, std::string>()> DateTimeText;

private:
    TSmithChart& chart_;
    TViewerFileState& state_;
    IViewerDialogs& dialogs_;
    SaveOptions options_;
};

// The user's short date and long time text of now.
std::pair<std::string, std::string> LocalDateTimeText();

} // namespace viewer
