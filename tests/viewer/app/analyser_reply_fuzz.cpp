// libFuzzer over the checks on the analyser's replies: number replies, the
// point count and the binary trace block. The first byte chooses the point
// count of the block; the next four are its header. Its seeds are replies
// of the project's simulated analyser.

#include "tests/support/fuzz_seeds.h"
#include "tools/vna_simulator.h"
#include "viewer/app/analyser_capture.h"

#include <arpa/inet.h>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <netinet/in.h>
#include <set>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// What the capture reads after a command: `count` bytes, or with count 0
// a reply through its line feed.
std::string ask(int fd, const std::string& command, std::size_t count = 0)
{
    (void)!::send(fd, command.data(), command.size(), MSG_NOSIGNAL);
    std::string reply;
    char c;
    while ((count ? reply.size() < count : reply.empty() || reply.back() != '\n') && ::recv(fd, &c, 1, 0) == 1)
        reply += c;
    return reply;
}

// The simulator's replies to the capture's queries and its trace blocks
// (header and data, behind the byte that chooses their point count), as it
// sends them and as it sends them when it misbehaves.
std::vector<tavix::fuzzing::Seed> seeds()
{
    using vnasim::TFault;
    std::vector<tavix::fuzzing::Seed> out;
    std::set<std::string> known;
    for (const int points : { 3, 8 }) {
        viewer::SParameterData data;
        data.ports = 2;
        data.units = "MHZ";
        data.points.resize(4);
        for (std::size_t c = 0; c < 4; ++c)
            for (int k = 0; k < points; ++k) {
                viewer::smith::TPoint p;
                p.Freq = 100.0 + 50.0 * k;
                p.Re = 0.5 - 0.1 * double(c) - 0.02 * k;
                p.Im = -0.3 + 0.05 * k;
                data.points[c].push_back(p);
            }
        for (const auto& [name, fault] : { std::pair { "none", TFault::None }, { "garbage", TFault::Garbage },
                 { "nan", TFault::NaNValues }, { "badheader", TFault::BadHeader }, { "points1", TFault::OnePoint },
                 { "pointshuge", TFault::HugePoints } }) {
            vnasim::TVnaSimulator simulator(data);
            simulator.SetFault(fault);
            sockaddr_in a {};
            a.sin_family = AF_INET;
            a.sin_port = htons(static_cast<uint16_t>(simulator.Start()));
            ::inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            const timeval wait { 2, 0 };
            ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
            if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
                std::perror("fuzz seeds: the simulated analyser");
                std::exit(1);
            }
            const std::string tag = std::string(name) + "-" + std::to_string(points);
            const auto keep = [&](const std::string& what, const std::string& bytes) {
                if (known.insert(bytes).second)
                    out.push_back({ tag + "-" + what, bytes });
            };
            for (const char* query : { "POIN?", "STAR?", "STOP?" })
                keep(query, ask(fd, std::string(query) + ";"));
            keep("trace",
                char(points - 1)
                    + ask(fd, "CHAN1;S21;SMIC;SING;HOLD;CHAN1;FORM3;OUTPFORM;", 4 + std::size_t(points) * 16));
            ::close(fd);
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    tavix::fuzzing::writeSeedsIfAsked(seeds);
    return 0;
}

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
