#include "viewer/app/file_state.h"

#include "viewer/app/viewer_dialogs.h"

#include <algorithm>
#include <filesystem>

namespace viewer {

std::string FileNameOnly(const std::string& path)
{
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
        auto up = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
        return up(x) == up(y);
    });
}

// The full path of a file without "." and ".." steps, so that the recent
// list opens it from any folder; a link keeps the name the user chose.
std::string fullPath(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? path : full.lexically_normal().string();
}

// The file a name leads to, links followed, so that the list holds it once.
std::string canonicalPath(const std::string& path)
{
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(fullPath(path), ec);
    return ec ? fullPath(path) : canonical.string();
}

} // namespace

TViewerFileState::TViewerFileState(TSmithChart& chart, IViewerDialogs& dialogs)
    : chart_(chart)
    , dialogs_(dialogs)
{
}

bool TViewerFileState::QuerySaveChanges()
{
    if (!chart_.DataChanged())
        return false;
    switch (dialogs_.AskYesNoCancel("Save Changes to " + CurrentPath + " ?")) {
    case TAnswer::Cancel:
        return true;
    case TAnswer::Yes:
        if (SaveFile && !SaveFile(!Named))
            return true;
        return false;
    case TAnswer::No:
        return false;
    }
    return false;
}

void TViewerFileState::SetCurrentFile(const std::string& name, int portCount, bool named)
{
    Named = named;
    Caption = "Rivelle - " + FileNameOnly(name);
    PortCount = portCount;
    CurrentPath = name;
    if (const smith::Tcurve* c = chart_.CurveAt(0); c && !c->Points.empty()) {
        chart_.SetXmin(c->Points.front().Freq);
        chart_.SetXmax(c->Points.back().Freq);
    }
    chart_.SetTitle(FileNameOnly(name));
    if (named) {
        const std::string file = canonicalPath(name);
        std::erase_if(Recent, [&](const std::string& r) { return sameIgnoringCase(canonicalPath(r), file); });
        Recent.insert(Recent.begin(), fullPath(name));
        if (Recent.size() > 4)
            Recent.resize(4);
    }
    chart_.ClearMarkers();
    chart_.SetDataChanged(false);
    if (CurrentFileChanged)
        CurrentFileChanged();
    chart_.Paint();
}

} // namespace viewer
