#pragma once

// The state of the file being viewed, which the main window owns: current
// path, whether the data has a file name, port count, the data format code
// and the recent-file list. QuerySaveChanges and SetCurrentFile are the
// calls every command that replaces or saves the data goes through.

#include "viewer/components/smithchart.h"

#include <functional>
#include <string>
#include <vector>

namespace viewer {

class IViewerDialogs;

class TViewerFileState {
public:
    TViewerFileState(TSmithChart& chart, IViewerDialogs& dialogs);

    std::string CurrentPath;
    bool Named = false; // the data came from or was saved to a file
    int PortCount = 0;
    int DataFormat = 0; // format code of the file read: 0 MA, 1 DB, 2 RI
    int NewFileDataFormat = 0; // chosen for a new file
    std::vector<std::string> Recent; // most recent first, at most four kept by SetCurrentFile
    std::string Caption = "Rivelle";

    // File > Save (false) or File > Save As (true); set by whoever runs
    // the writer, true when a file was written. QuerySaveChanges calls it
    // on Yes.
    std::function<bool(bool saveAs)> SaveFile;
    // Called at the end of SetCurrentFile so that the window can refresh
    // its caption, recent items, status bar, buttons and curve menu, and
    // clear the other chart's markers.
    std::function<void()> CurrentFileChanged;

    // True when the user cancelled. Asks only when the chart's data changed.
    // A Yes whose save is cancelled or fails counts as Cancel, so that the
    // changes are not thrown away unsaved.
    bool QuerySaveChanges();

    void SetCurrentFile(const std::string& name, int portCount, bool named);

private:
    TSmithChart& chart_;
    IViewerDialogs& dialogs_;
};

// The file name without its folder.
std::string FileNameOnly(const std::string& path);

} // namespace viewer
