// libFuzzer target over the viewer's settings file. The input is the file;
// it is loaded, a new recent-file list is saved into it and it is loaded
// again: the drivers must stay as they were and the recent list must be the
// one saved.
//
//   clang builds only:  viewer_settings_fuzz -runs=20000 corpus/

#include "tests/support/fuzz_seeds.h"
#include "viewer/app/viewer_settings.h"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

using namespace viewer;

namespace {

tavix::fuzzing::TScratchFolder& folder()
{
    static tavix::fuzzing::TScratchFolder f("settings_fuzz");
    return f;
}

using tavix::fuzzing::check;

// Files the viewer writes itself: a new one, and one with drivers and a
// recent list saved over it.
std::vector<tavix::fuzzing::Seed> seeds()
{
    std::vector<tavix::fuzzing::Seed> out;
    const std::string path = (folder().dir / "seed.ini").string();
    auto take = [&](const std::string& name) {
        std::ifstream in(path, std::ios::binary);
        out.push_back({ name, std::string(std::istreambuf_iterator<char>(in), {}) });
    };
    TViewerSettings settings(path);
    settings.Load();
    take("new");
    {
        std::ofstream extra(path, std::ios::app | std::ios::binary);
        extra << "; the capture drivers\n[drivers]\nBench analyser=/opt/bench/libanalyser.so\n";
    }
    settings.SaveRecent({ "/home/user/amp.s2p", "/home/user/filter.s1p", "/tmp/x.s4p" });
    take("recent");
    std::filesystem::remove(path);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tavix::fuzzing::writeSeedsIfAsked(seeds);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::filesystem::path file = folder().dir / "Rivelle.ini";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    TViewerSettings settings(file.string());
    check(settings.Load().empty());
    const std::vector<std::string> drivers = settings.Drivers;

    const std::vector<std::string> recent { "/data/a.s2p", "b c.s1p" };
    check(settings.SaveRecent(recent).empty());
    TViewerSettings again(file.string());
    check(again.Load().empty());
    check(again.Drivers == drivers);
    check(again.Recent == recent);
    return 0;
}
