#include "setup/installlib/stoppoint.h"

#include <csignal>
#include <cstdlib>
#include <map>
#include <string>

namespace installlib {

namespace {

TStopPointHook& hook()
{
    static TStopPointHook instance;
    return instance;
}

} // namespace

void StopPoint(std::string_view Point)
{
    if (hook())
        hook()(Point);
    const char* wanted = std::getenv("TAVIX_STOP_AT");
    if (!wanted || !*wanted)
        return;
    const std::string_view stop(wanted);
    const auto colon = stop.rfind(':');
    if (colon == std::string_view::npos || stop.substr(0, colon) != Point)
        return;
    static std::map<std::string, long, std::less<>> passes;
    const long n = std::strtol(std::string(stop.substr(colon + 1)).c_str(), nullptr, 10);
    if (++passes[std::string(Point)] == n)
        std::raise(SIGKILL);
}

void SetStopPointHook(TStopPointHook Hook)
{
    hook() = std::move(Hook);
}

} // namespace installlib
