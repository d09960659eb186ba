// libFuzzer target over the S-parameter reader. The first byte picks the
// port count (1 to 4); the rest is the file's text. It is read as text held
// whole and again from a file block by block (a file in memory, so that no
// input costs a write to a disk): both must give the same result, and a
// read that succeeds gives curves of one length each.
//
//   clang builds only:  viewer_sparam_fuzz -runs=20000 corpus/

#include "tests/support/fuzz_seeds.h"
#include "viewer/app/sparam_reader.h"
#include "viewer/app/sparam_writer.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

using namespace viewer;

namespace {

// The file of the block reader, held in memory and written again for each input.
std::FILE* memoryFile()
{
    static std::FILE* const f = [] {
        const int fd = ::memfd_create("sparam_fuzz", MFD_CLOEXEC);
        return fd < 0 ? nullptr : ::fdopen(fd, "w+b");
    }();
    return f;
}

using tavix::fuzzing::check;

bool sameCurves(const SParameterData& a, const SParameterData& b)
{
    if (a.points.size() != b.points.size())
        return false;
    for (std::size_t c = 0; c < a.points.size(); ++c) {
        if (a.points[c].size() != b.points[c].size())
            return false;
        // Bitwise, so that a NaN read from the text equals itself.
        if (!a.points[c].empty()
            && std::memcmp(a.points[c].data(), b.points[c].data(), a.points[c].size() * sizeof(smith::TPoint)) != 0)
            return false;
    }
    return true;
}

// A small file of each port count and format, written by the viewer's writer.
std::vector<tavix::fuzzing::Seed> seeds()
{
    std::vector<tavix::fuzzing::Seed> out;
    for (int ports = 1; ports <= 3; ++ports) {
        for (int format = 0; format < 3; ++format) {
            SParameterData data;
            data.ports = ports;
            data.units = "GHZ";
            data.impedance = 50;
            data.points.resize(static_cast<std::size_t>(ports * ports));
            for (std::size_t c = 0; c < data.points.size(); ++c)
                for (int i = 0; i < 3; ++i) {
                    smith::TPoint p;
                    p.Freq = 1.0 + i;
                    p.Re = 0.1 * double(c + 1) - 0.05 * i;
                    p.Im = -0.2 + 0.03 * i * double(c + 1);
                    p.Mag = std::hypot(p.Re, p.Im);
                    p.Angle = std::atan2(p.Im, p.Re) * 180 / M_PI;
                    data.points[c].push_back(p);
                }
            SParamWriteSettings settings;
            settings.dataFormat = format;
            settings.memo = { " a seed" };
            settings.parameterType = ports == 2 ? format : 0;
            std::string text;
            if (!WriteSParameterText(SourceFromData(data), settings, [&](std::string_view b) { text += b; }).empty())
                continue;
            out.push_back({ std::to_string(ports) + "port-" + std::to_string(format),
                std::string(1, char(ports - 1)) + text });
        }
    }
    out.push_back({ "noise", std::string(1, char(1))
                                 + "# MHZ S MA R 50\n100 .9 -10 .1 20 .2 30 .8 -40\n200 .8 -20 .1 21 .2 31 .7 -41\n"
                                   "50 1.2 .5 45 .3\n" });
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
    if (size == 0)
        return 0;
    const int ports = 1 + data[0] % 4;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    SParamReadResult whole = ReadSParameterText(text, ports);
    if (whole.ok) {
        check(whole.data.ports == ports);
        check(whole.data.curveCount() == ports * ports);
        for (const auto& curve : whole.data.points)
            check(curve.size() == whole.data.pointCount());
    }
    // The file is read for a quarter of the inputs only (the top bits of the
    // first byte clear): each read allocates the reader's block buffer.
    if (data[0] >= 0x40)
        return 0;

    std::FILE* file = memoryFile();
    check(file != nullptr);
    const int fd = ::fileno(file);
    check(::ftruncate(fd, 0) == 0 && ::pwrite(fd, text.data(), text.size(), 0) == ssize_t(text.size())
        && ::lseek(fd, 0, SEEK_SET) == 0);
    SParamReadResult blocks = ReadSParameterFile(file, ports);

    check(whole.ok == blocks.ok);
    check(whole.message == blocks.message);
    check(whole.line == blocks.line);
    check(whole.notice == blocks.notice);
    check(whole.data.comments == blocks.data.comments);
    check(sameCurves(whole.data, blocks.data));
    return 0;
}
