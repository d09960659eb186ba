// The install archive against zlib itself: 100 MB of mixed files (text
// runs and noise, 40 files of 2.5 MB) packed and extracted at the default
// level through the emulated machine, and the same data deflated and
// inflated directly with zlib in memory, one zlib stream per file, in the
// same run. The archive packs with zlib and extracts with ISA-L's inflate;
// its extra work is the file traffic, the member headers, the progress
// events and the temporary file renamed over each target. A second
// yardstick does zlib's work with the same file traffic through plain POSIX
// calls (read the sources, write the archive; read the archive, write a
// temporary file and rename it). The yardsticks run first; the archive's
// runs then report their rate as a share of each: of_zlib (in memory) and
// of_zlib_files (zlib with the same files written the plain way).
// TMPDIR=/dev/shm takes the disk out of the figures.

#include "platform/win/machine.h"
#include "setup/installlib/qrlecompress.h"

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace installlib;

namespace {

constexpr int kFiles = 40;
constexpr std::size_t kFileSize = 2500 * 1000;

std::string mixed(std::size_t size, std::uint32_t seed)
{
    static const char text[] = "Transistor BC548 NPN 30V 100mA TO-92; diode 1N4007 1000V 1A DO-41. ";
    std::string s;
    s.reserve(size);
    std::uint32_t x = seed * 2654435761u + 1;
    while (s.size() < size) {
        x = x * 1664525u + 1013904223u;
        std::size_t n = std::min<std::size_t>(size - s.size(), 16 + (x >> 20) % 48);
        if ((x >> 28) < 12) {
            for (std::size_t i = 0; i < n; ++i)
                s.push_back(text[(i + (x >> 8)) % (sizeof text - 1)]);
        } else {
            for (std::size_t i = 0; i < n; ++i) {
                x = x * 1664525u + 1013904223u;
                s.push_back(static_cast<char>(x >> 24));
            }
        }
    }
    return s;
}

struct Setup {
    fs::path dir;
    std::shared_ptr<win::Machine> machine;
    std::vector<std::string> contents;
    std::vector<std::string> streams; // zlib streams of the contents
    std::vector<std::string> paths;

    Setup()
    {
        // TMPDIR=/dev/shm separates the file system's share of the writes.
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/archive_bench_XXXXXX";
        dir = ::mkdtemp(tmpl.data());
        machine = win::Machine::open(dir / "root");
        win::Machine::setCurrent(machine);
        machine->forceDirectories("S:\\Src");
        for (int i = 0; i < kFiles; ++i) {
            contents.push_back(mixed(kFileSize, std::uint32_t(i)));
            paths.push_back("S:\\Src\\file" + std::to_string(i) + ".bin");
            machine->writeFile(paths.back(), contents.back());
        }
        TQrleCompress archive;
        archive.CompressionLevel = colDefault;
        archive.SetCompressedFile("C:\\Build\\files.1");
        archive.SetFilesToProcess(paths);
        archive.AddFiles(false, 0);
    }
    ~Setup()
    {
        win::Machine::setCurrent(nullptr);
        machine.reset();
        fs::remove_all(dir);
    }
};

Setup& setup()
{
    static Setup s;
    return s;
}

std::size_t totalBytes()
{
    return std::size_t(kFiles) * kFileSize;
}

// Bytes per second of a benchmark's timed loop, measured beside the
// library's own figure so that later benchmarks can relate to it.
class Rate {
public:
    Rate()
        : start_(std::chrono::steady_clock::now())
    {
    }
    double of(const benchmark::State& state) const
    {
        std::chrono::duration<double> took = std::chrono::steady_clock::now() - start_;
        return took.count() > 0 ? double(state.iterations()) * double(totalBytes()) / took.count() : 0;
    }

private:
    std::chrono::steady_clock::time_point start_;
};

struct Yardsticks {
    double deflate = 0, deflateFiles = 0, inflate = 0, inflateFiles = 0;
};

Yardsticks& yardsticks()
{
    static Yardsticks y;
    return y;
}

void reportShares(benchmark::State& state, double rate, double inMemory, double withFiles)
{
    if (inMemory > 0)
        state.counters["of_zlib"] = rate / inMemory;
    if (withFiles > 0)
        state.counters["of_zlib_files"] = rate / withFiles;
}

void BM_ZlibDeflate(benchmark::State& state)
{
    Setup& s = setup();
    std::vector<unsigned char> out(compressBound(kFileSize));
    Rate rate;
    for (auto _ : state) {
        for (const std::string& c : s.contents) {
            z_stream z {};
            deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(c.data()));
            z.avail_in = uInt(c.size());
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            deflate(&z, Z_FINISH);
            benchmark::DoNotOptimize(z.total_out);
            deflateEnd(&z);
        }
    }
    yardsticks().deflate = rate.of(state);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(totalBytes()));
}
void BM_ArchivePack(benchmark::State& state)
{
    Setup& s = setup();
    TQrleCompress archive;
    archive.CompressionLevel = colDefault;
    archive.SetCompressedFile("C:\\Build\\bench.1");
    Rate rate;
    for (auto _ : state) {
        archive.SetFilesToProcess(s.paths);
        if (!archive.AddFiles(false, 0))
            state.SkipWithError("packing stopped");
    }
    reportShares(state, rate.of(state), yardsticks().deflate, yardsticks().deflateFiles);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(totalBytes()));
}
void BM_ZlibInflate(benchmark::State& state)
{
    Setup& s = setup();
    // The streams as the archive holds them.
    if (s.streams.empty()) {
        TQrleCompress archive;
        archive.SetCompressedFile("C:\\Build\\files.1");
        std::string bytes;
        s.machine->readFile("C:\\Build\\files.1", bytes);
        for (int i = 0; i < archive.MemberCount(); ++i) {
            TlzhFileStats st;
            archive.GetMemberStats(i, st);
            s.streams.push_back(bytes.substr(
                std::size_t(st.Header.DataOffset), std::size_t(st.Header.EndOffset + 1 - st.Header.DataOffset)));
        }
    }
    std::vector<unsigned char> out(kFileSize);
    Rate rate;
    for (auto _ : state) {
        for (const std::string& c : s.streams) {
            z_stream z {};
            inflateInit2(&z, MAX_WBITS);
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(c.data()));
            z.avail_in = uInt(c.size());
            z.next_out = out.data();
            z.avail_out = uInt(out.size());
            if (inflate(&z, Z_FINISH) != Z_STREAM_END)
                state.SkipWithError("inflate failed");
            benchmark::DoNotOptimize(out.data());
            inflateEnd(&z);
        }
    }
    yardsticks().inflate = rate.of(state);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(totalBytes()));
}
void BM_ArchiveExtract(benchmark::State& state)
{
    Setup& s = setup();
    TQrleCompress archive;
    archive.SetCompressedFile("C:\\Build\\files.1");
    archive.ExtractDirectory = "C:\\Out";
    Rate rate;
    for (auto _ : state) {
        archive.SetFilesToProcess(s.paths);
        if (!archive.ExtractFiles())
            state.SkipWithError("extraction stopped");
    }
    reportShares(state, rate.of(state), yardsticks().inflate, yardsticks().inflateFiles);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(totalBytes()));
}
fs::path hostOf(const std::string& path)
{
    fs::path host;
    setup().machine->resolve(path, host);
    return host;
}

// deflate from the source files into one output file, 64 KB at a time.
void BM_ZlibDeflateWithPosixFiles(benchmark::State& state)
{
    Setup& s = setup();
    std::vector<fs::path> sources;
    for (const std::string& p : s.paths)
        sources.push_back(hostOf(p));
    fs::path target = s.dir / "posix.zz";
    std::vector<unsigned char> in(65536), out(65536);
    Rate rate;
    for (auto _ : state) {
        int fd = ::open(target.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
        for (const fs::path& src : sources) {
            int sfd = ::open(src.c_str(), O_RDONLY);
            z_stream z {};
            deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
            int flush = Z_NO_FLUSH;
            do {
                ssize_t got = ::read(sfd, in.data(), in.size());
                flush = got <= 0 ? Z_FINISH : Z_NO_FLUSH;
                z.next_in = in.data();
                z.avail_in = uInt(got > 0 ? got : 0);
                do {
                    z.next_out = out.data();
                    z.avail_out = uInt(out.size());
                    deflate(&z, flush);
                    if (::write(fd, out.data(), out.size() - z.avail_out) < 0)
                        state.SkipWithError("write failed");
                } while (z.avail_out == 0);
            } while (flush != Z_FINISH);
            deflateEnd(&z);
            ::close(sfd);
        }
        ::close(fd);
    }
    yardsticks().deflateFiles = rate.of(state);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(totalBytes()));
}
// inflate each member from the archive file into a temporary file that is
// stamped and renamed over the target, in the archive's block sizes.
void BM_ZlibInflateWithPosixFiles(benchmark::State& state)
{
    Setup& s = setup();
    TQrleCompress archive;
    archive.SetCompressedFile("C:\\Build\\files.1");
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;
    for (int i = 0; i < archive.MemberCount(); ++i) {
        TlzhFileStats st;
        archive.GetMemberStats(i, st);
        ranges.emplace_back(st.Header.DataOffset, std::int64_t(st.Header.EndOffset) + 1);
    }
    fs::path source = hostOf("C:\\Build\\files.1");
    fs::path outDir = s.dir / "posix_out";
    fs::create_directories(outDir);
    std::vector<unsigned char> in(65536), out(262144);
    Rate rate;
    for (auto _ : state) {
        int sfd = ::open(source.c_str(), O_RDONLY);
        for (std::size_t m = 0; m < ranges.size(); ++m) {
            fs::path tmp = outDir / "member.tmp";
            fs::path target = outDir / ("file" + std::to_string(m) + ".bin");
            int fd = ::open(tmp.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
            ::lseek(sfd, ranges[m].first, SEEK_SET);
            std::int64_t left = ranges[m].second - ranges[m].first;
            z_stream z {};
            inflateInit2(&z, MAX_WBITS);
            int rc = Z_OK;
            while (rc != Z_STREAM_END) {
                if (z.avail_in == 0) {
                    ssize_t got = ::read(sfd, in.data(), std::size_t(std::min<std::int64_t>(left, 65536)));
                    if (got <= 0)
                        break;
                    left -= got;
                    z.next_in = in.data();
                    z.avail_in = uInt(got);
                }
                z.next_out = out.data();
                z.avail_out = uInt(out.size());
                rc = inflate(&z, Z_NO_FLUSH);
                if (rc != Z_OK && rc != Z_STREAM_END)
                    break;
                if (::write(fd, out.data(), out.size() - z.avail_out) < 0)
                    state.SkipWithError("write failed");
            }
            inflateEnd(&z);
            // Stamped with the member's date as the archive does.
            const struct timespec stamp[2] = { { 946684800, 0 }, { 946684800, 0 } };
            ::futimens(fd, stamp);
            ::close(fd);
            std::rename(tmp.c_str(), target.c_str());
        }
        ::close(sfd);
    }
    yardsticks().inflateFiles = rate.of(state);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(totalBytes()));
}
// Each yardstick before the archive's run that is measured against it.
BENCHMARK(BM_ZlibDeflate)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZlibDeflateWithPosixFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArchivePack)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZlibInflate)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ZlibInflateWithPosixFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ArchiveExtract)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
