// Reading and writing S-parameter files: a two-port file of 1,000,000
// points (about 100 MB) and a 16-port file of 10,000 points, generated into
// a temporary folder. The raw from_chars rate over the same text is the
// yardstick for the reader.
//
// Reading fills new point lists, and where first use of fresh memory is
// slow (TouchNewMemory shows how slow) that cost dominates. The point lists
// ask for huge pages (TouchNewHugePages), which makes it small. The first
// iteration in a process may still be slower: the host may back the
// machine's memory only on its first use. --benchmark_repetitions shows
// the spread.

#include "platform/rtl/hugepage.h"
#include "viewer/app/file_state.h"
#include "viewer/app/sparam_files.h"
#include "viewer/app/sparam_format.h"
#include "viewer/app/sparam_math.h"
#include "viewer/app/sparam_reader.h"
#include "viewer/app/sparam_writer.h"
#include "viewer/app/viewer_dialogs.h"

#include <benchmark/benchmark.h>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace viewer;

namespace {

struct Files {
    fs::path dir;
    std::string twoPort, sixteenPort; // paths
    std::string twoPortText, sixteenPortText;

    Files()
    {
        char tmpl[] = "/tmp/sparam_bench_XXXXXX";
        dir = ::mkdtemp(tmpl);
        twoPort = (dir / "big.s2p").string();
        sixteenPort = (dir / "wide.s16").string();
        twoPortText = generate(2, 1000000);
        sixteenPortText = generate(16, 10000);
        write(twoPort, twoPortText);
        write(sixteenPort, sixteenPortText);
    }
    ~Files() { fs::remove_all(dir); }

    // Text as a measurement program writes it: MA, 9 significant digits.
    static std::string generate(int ports, int points)
    {
        std::mt19937 gen(1);
        std::uniform_real_distribution<double> mag(0.0, 1.0), ang(-180.0, 180.0);
        std::string text = "! generated for the benchmark\n# GHZ S MA R 50\n";
        char buf[64];
        const int pairs = ports * ports;
        for (int k = 0; k < points; ++k) {
            auto r = std::to_chars(buf, buf + sizeof buf, 0.01 + k * 1e-5, std::chars_format::fixed, 6);
            text.append(buf, r.ptr);
            for (int p = 0; p < pairs; ++p) {
                text += ' ';
                r = std::to_chars(buf, buf + sizeof buf, mag(gen), std::chars_format::fixed, 9);
                text.append(buf, r.ptr);
                text += ' ';
                r = std::to_chars(buf, buf + sizeof buf, ang(gen), std::chars_format::fixed, 6);
                text.append(buf, r.ptr);
                if (ports > 2 && p % 4 == 3 && p + 1 < pairs)
                    text += "\n ";
            }
            text += '\n';
        }
        return text;
    }

    static void write(const std::string& path, const std::string& text)
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
};

Files& files()
{
    static Files f;
    return f;
}

struct NoDialogs : IViewerDialogs {
    void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    TAnswer AskYesNoCancel(const std::string&) override { return TAnswer::No; }
    bool EditSaveOptions(SaveOptions&, int) override { return true; }
    bool AskSaveFileName(const std::string&, const std::string&, std::string&) override { return false; }
    bool AskOpenFileName(const std::string&, std::string&) override { return false; }
};

// Every number of the text through from_chars, tokens split on blanks and
// line ends: what any reader of this text must at least do.
void BM_RawFromChars(benchmark::State& state, const std::string& text)
{
    for (auto _ : state) {
        double sum = 0;
        const char* p = text.data();
        const char* end = p + text.size();
        while (p < end) {
            if (*p == '!' || *p == '#') { // comment and option lines
                while (p < end && *p != '\n')
                    ++p;
                continue;
            }
            if (*p == ' ' || *p == '\n' || *p == '\t' || *p == '\r') {
                ++p;
                continue;
            }
            double v;
            auto r = std::from_chars(p, end, v);
            sum += v;
            p = r.ptr == p ? p + 1 : r.ptr;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// The reader alone: file to curves, ready to hand to the chart.
void BM_Read(benchmark::State& state, const std::string& path, std::size_t bytes)
{
    for (auto _ : state) {
        SParamReadResult r = ReadSParameterFile(path);
        if (!r.ok)
            state.SkipWithError(r.message.c_str());
        benchmark::DoNotOptimize(r.data.points.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// File > Open as the main window runs it: read, replace the chart's curves,
// set the current file.
void BM_Open(benchmark::State& state, const std::string& path, std::size_t bytes)
{
    TSmithChart chart;
    NoDialogs dialogs;
    TViewerFileState fileState(chart, dialogs);
    TSParameterFiles sfiles(chart, fileState, dialogs);
    for (auto _ : state) {
        if (!sfiles.LoadSParameterFile(path))
            state.SkipWithError("read failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// File > Save from the chart: format every point and save through a
// temporary file renamed into place.
void BM_Save(benchmark::State& state, const std::string& path, int format)
{
    TSmithChart chart;
    NoDialogs dialogs;
    TViewerFileState fileState(chart, dialogs);
    TSParameterFiles sfiles(chart, fileState, dialogs);
    if (!sfiles.LoadSParameterFile(path)) {
        state.SkipWithError("read failed");
        return;
    }
    std::string out = path + ".out" + std::to_string(format) + std::string(path.substr(path.rfind('.')));
    fileState.SetCurrentFile(out, fileState.PortCount, true);
    sfiles.Options().dataFormat = format;
    sfiles.Options().digits = 5;
    std::size_t bytes = 0;
    for (auto _ : state) {
        if (!sfiles.SaveSParameterFile(false))
            state.SkipWithError("save failed");
        bytes += fs::file_size(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    fs::remove(out);
}

// The writer alone into memory: no file system.
void BM_Format(benchmark::State& state, const std::string& path)
{
    SParamReadResult r = ReadSParameterFile(path);
    SParamSource src = SourceFromData(r.data);
    SParamWriteSettings s;
    s.memo = r.data.comments;
    std::string buf;
    buf.reserve(1 << 21);
    std::size_t bytes = 0;
    for (auto _ : state) {
        WriteSParameterText(src, s, [&](std::string_view t) {
            bytes += t.size();
            benchmark::DoNotOptimize(t.data());
        });
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}

// What first use of fresh memory costs on this machine: a two-port read of
// 1,000,000 points fills 160 MB of new points (four curves of 40-byte
// points), and the time to touch that much memory bounds the read from below.
void BM_TouchNewMemory(benchmark::State& state)
{
    const std::size_t bytes = 4 * 1000000 * sizeof(smith::TPoint);
    for (auto _ : state) {
        std::unique_ptr<char[]> block(new char[bytes]);
        for (std::size_t i = 0; i < bytes; i += 4096)
            block[i] = 1;
        benchmark::DoNotOptimize(block.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

// The same through the point lists' allocator, which asks for huge pages.
void BM_TouchNewHugePages(benchmark::State& state)
{
    const std::size_t bytes = 4 * 1000000 * sizeof(smith::TPoint);
    for (auto _ : state) {
        auto* block = static_cast<char*>(rtl::AllocateLargeBlock(bytes, alignof(smith::TPoint)));
        for (std::size_t i = 0; i < bytes; i += 4096)
            block[i] = 1;
        benchmark::DoNotOptimize(block);
        rtl::FreeLargeBlock(block, bytes, alignof(smith::TPoint));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void registerAll()
{
    Files& f = files();
    auto ms = benchmark::kMillisecond;
    benchmark::RegisterBenchmark("TouchNewMemory/160MB", BM_TouchNewMemory)->Unit(ms);
    benchmark::RegisterBenchmark("TouchNewHugePages/160MB", BM_TouchNewHugePages)->Unit(ms);
    benchmark::RegisterBenchmark("RawFromChars/2port", BM_RawFromChars, std::cref(f.twoPortText))->Unit(ms);
    benchmark::RegisterBenchmark("Read/2port", BM_Read, f.twoPort, f.twoPortText.size())->Unit(ms);
    benchmark::RegisterBenchmark("Open/2port", BM_Open, f.twoPort, f.twoPortText.size())->Unit(ms);
    benchmark::RegisterBenchmark("Format/2port/MA", BM_Format, f.twoPort)->Unit(ms);
    benchmark::RegisterBenchmark("Save/2port/MA", BM_Save, f.twoPort, int(sfMA))->Unit(ms);
    benchmark::RegisterBenchmark("Save/2port/RI", BM_Save, f.twoPort, int(sfRI))->Unit(ms);
    benchmark::RegisterBenchmark("RawFromChars/16port", BM_RawFromChars, std::cref(f.sixteenPortText))->Unit(ms);
    benchmark::RegisterBenchmark("Read/16port", BM_Read, f.sixteenPort, f.sixteenPortText.size())->Unit(ms);
    benchmark::RegisterBenchmark("Open/16port", BM_Open, f.sixteenPort, f.sixteenPortText.size())->Unit(ms);
    benchmark::RegisterBenchmark("Format/16port/MA", BM_Format, f.sixteenPort)->Unit(ms);
    benchmark::RegisterBenchmark("Save/16port/MA", BM_Save, f.sixteenPort, int(sfMA))->Unit(ms);
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    registerAll();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
