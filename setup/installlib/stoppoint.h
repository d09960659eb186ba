#pragma once

// Points at which a test can stop a run as a kill would, to see what a run
// stopped there leaves: with TAVIX_STOP_AT="<point>:<n>" in the environment
// the process ends at the n-th pass of <point> at once (SIGKILL: nothing is
// cleaned up); a hook set in the process hears every pass instead.

#include <functional>
#include <string_view>

namespace installlib {

// "install": each container and file of a run, before its work and before
// its uninstall entry is written; "uninstall": each file the uninstall takes
// and its closing step.
void StopPoint(std::string_view Point);

using TStopPointHook = std::function<void(std::string_view Point)>;
void SetStopPointHook(TStopPointHook Hook);

} // namespace installlib
