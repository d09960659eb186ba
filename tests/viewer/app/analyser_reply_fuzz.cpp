// libFuzzer over the checks on the analyser's replies: number replies, the
// point count and the binary trace block. The first byte chooses the point
// count of the block; the next four are its header.

#include "viewer/app/analyser_capture.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    double v = 0;
    if (viewer::ParseReplyNumber(bytes, v) && !std::isfinite(v))
        std::abort();
    int points = 0;
    if (viewer::ParsePointCount(bytes, points) && (points < 2 || points > viewer::kMaxTracePoints))
        std::abort();
    if (size < 5)
        return 0;
    const int asked = 1 + data[0] % 8;
    std::vector<std::complex<double>> values;
    if (viewer::DecodeTraceBlock(bytes.substr(1, 4), bytes.substr(5), asked, values)) {
        if (values.size() != static_cast<std::size_t>(asked) || bytes.size() - 5 != values.size() * 16)
            std::abort();
        for (const auto& c : values)
            if (!std::isfinite(c.real()) || !std::isfinite(c.imag()))
                std::abort();
    }
    return 0;
}
