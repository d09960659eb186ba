// Reading and writing a transistor table of 100,000 parts with the Paradox
// reader and writer alone (no dataset layer).

#include <benchmark/benchmark.h>

#include <filesystem>
#include <unistd.h>

#include "platform/paradox/paradox.h"
#include "tools/sampledata.h"

namespace {

constexpr int kParts = 100000;

struct BigTable {
    std::filesystem::path dir;
    std::filesystem::path file;
    paradox::Table table = sampledata::makeTransistorTable(kParts);

    BigTable()
    {
        dir = std::filesystem::temp_directory_path() / ("tavix-paradox-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        file = dir / "transistores.DB";
        paradox::writeTable(file, table);
    }
    ~BigTable()
    {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
};

BigTable& big()
{
    static BigTable t;
    return t;
}

void BM_ReadTransistorTable(benchmark::State& state)
{
    const auto& file = big().file;
    for (auto _ : state) {
        paradox::Table t = paradox::readTable(file);
        benchmark::DoNotOptimize(t.records.size());
    }
    state.SetItemsProcessed(state.iterations() * kParts);
}
BENCHMARK(BM_ReadTransistorTable)->Unit(benchmark::kMillisecond);

void BM_WriteTransistorTable(benchmark::State& state)
{
    const auto& b = big();
    for (auto _ : state)
        paradox::writeTable(b.dir / "copy.DB", b.table);
    state.SetItemsProcessed(state.iterations() * kParts);
}
BENCHMARK(BM_WriteTransistorTable)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
