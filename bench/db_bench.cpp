// Opening the program's five tables and running its searches on a
// transistor table of 100,000 parts.

#include <benchmark/benchmark.h>

#include <QGuiApplication>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/db/dataset.h"
#include "platform/paradox/paradox.h"
#include "platform/rtl/format.h"
#include "tools/sampledata.h"
#include "tools/sampleproduct.h"

namespace {

constexpr int kParts = 100000;

// The sample product folder with its transistor table replaced by a large one.
class Product {
public:
    Product()
    {
        root_ = std::filesystem::temp_directory_path() / ("tavix-db-bench-" + std::to_string(::getpid()));
        sampledata::writeSampleProduct(root_);
        const auto file = paradox::resolveNoCase(root_, "data/transistores.db");
        paradox::writeTable(file.value(), sampledata::makeTransistorTable(kParts));
    }
    ~Product()
    {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    std::string databaseName() const { return root_.string() + "\\data\\"; }

private:
    std::filesystem::path root_;
};

Product& product()
{
    static Product p;
    return p;
}

struct DataModule {
    db::TTable graficos { "TabelaGraficos" }, reparos { "TabelaBDR" }, transistores { "TabelaTransistores" },
        diodosR { "TabelaDiodosR" }, diodosZ { "TabelaDiodosZ" };
    db::TQuery pesquisarT { "PesquisarTransistores" }, pesquisarR { "PesquisarDiodosR" },
        pesquisarZ { "PesquisarDiodosZ" };

    void open(const std::string& dir)
    {
        const std::pair<db::TTable*, const char*> tables[] = { { &graficos, "Graficos.db" }, { &reparos, "Reparos.db" },
            { &transistores, "Transistores.db" }, { &diodosR, "DiodosR.db" }, { &diodosZ, "DiodosZ.db" } };
        for (auto [t, name] : tables) {
            t->SetDatabaseName(dir);
            t->SetTableName(name);
            t->Open();
        }
        const std::pair<db::TQuery*, const char*> queries[] = { { &pesquisarT, "select * from transistores.db" },
            { &pesquisarR, "select * from diodosr.db" }, { &pesquisarZ, "select * from diodosz.db" } };
        for (auto [q, sql] : queries) {
            q->SetDatabaseName(dir);
            q->SQL().Clear();
            q->SQL().Add(sql);
            q->Open();
        }
    }

    // What the main window does for a search: the transistor query re-run with new SQL.
    void searchTransistors(const std::string& sql)
    {
        pesquisarT.Close();
        pesquisarT.SQL().Clear();
        pesquisarT.SQL().Add(sql);
        pesquisarT.Open();
    }
};

// The main window's similar/nearest text for the table's current part.
std::string similarSql(db::TTable& t, int percent, bool samePolarity)
{
    const rtl::FormatSettings dot;
    std::string sql = "select * from transistores.db where ";
    const char* names[] = { "vceo", "ic", "pd" };
    for (int i = 0; i < 3; ++i) {
        const double x = t.FieldByName(names[i]).AsFloat();
        const double factor = percent * 0.01 + 1;
        if (i)
            sql += " and ";
        sql += std::string(names[i]) + " >= " + rtl::FormatFloat("####0.000", x, dot) + " and " + names[i]
            + " <= " + rtl::FormatFloat("####0.000", x * factor, dot);
    }
    if (samePolarity)
        sql += " and polaridade = " + db::QuotedSqlString(t.FieldByName("Polaridade").AsString());
    return sql;
}

// Replaces `module` by a new one with nothing of the tables cached; the old
// one goes first, so that it cannot keep a table in the cache.
void renewModule(std::unique_ptr<DataModule>& module)
{
    module.reset();
    db::ClearTableCache();
    module = std::make_unique<DataModule>();
}

// Opening the data module from files not read before (the program's start).
void BM_OpenFiveTablesAndQueries(benchmark::State& state)
{
    const std::string dir = product().databaseName();
    std::unique_ptr<DataModule> module;
    for (auto _ : state) {
        state.PauseTiming();
        renewModule(module);
        state.ResumeTiming();
        module->open(dir);
        benchmark::DoNotOptimize(module->transistores.RecordCount());
    }
}
BENCHMARK(BM_OpenFiveTablesAndQueries)->Unit(benchmark::kMillisecond)->Iterations(5);

// The first search after opening: includes sorting the searched columns.
void BM_FirstSimilarQuery(benchmark::State& state)
{
    const std::string dir = product().databaseName();
    std::unique_ptr<DataModule> module;
    for (auto _ : state) {
        state.PauseTiming();
        renewModule(module);
        module->open(dir);
        module->transistores.FindNearest({ "T0050000" });
        const std::string sql = similarSql(module->transistores, 20, true);
        state.ResumeTiming();
        module->searchTransistors(sql);
        benchmark::DoNotOptimize(module->pesquisarT.RecordCount());
    }
}
BENCHMARK(BM_FirstSimilarQuery)->Unit(benchmark::kMillisecond)->Iterations(5);

// Each further similar/nearest search, at several percentages, on parts
// spread over the table.
void BM_SimilarQuery(benchmark::State& state)
{
    const int percent = static_cast<int>(state.range(0));
    DataModule module;
    module.open(product().databaseName());
    int step = 0;
    std::size_t rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        module.transistores.SetRecNo(1 + (step++ * 7919) % kParts);
        const std::string sql = similarSql(module.transistores, percent, false);
        state.ResumeTiming();
        module.searchTransistors(sql);
        rows += static_cast<std::size_t>(module.pesquisarT.RecordCount());
    }
    state.counters["rows"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SimilarQuery)->Arg(0)->Arg(20)->Arg(100)->Arg(500)->Unit(benchmark::kMillisecond);

// The first-show query for the current part.
void BM_IdentificationQuery(benchmark::State& state)
{
    DataModule module;
    module.open(product().databaseName());
    int step = 0;
    for (auto _ : state) {
        char id[16];
        std::snprintf(id, sizeof id, "T%07d", 1 + (step++ * 7919) % kParts);
        module.searchTransistors("select * from transistores.db where identificacao = " + db::QuotedSqlString(id));
        benchmark::DoNotOptimize(module.pesquisarT.RecordCount());
    }
}
BENCHMARK(BM_IdentificationQuery)->Unit(benchmark::kMicrosecond);

// One keystroke of the quick search.
void BM_QuickSearch(benchmark::State& state)
{
    DataModule module;
    module.open(product().databaseName());
    int step = 0;
    for (auto _ : state) {
        char id[16];
        std::snprintf(id, sizeof id, "T%05d", (step++ * 131) % 10000);
        module.transistores.FindNearest({ id });
        benchmark::DoNotOptimize(module.transistores.RecNo());
    }
}
BENCHMARK(BM_QuickSearch)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    // The sample pictures are drawn with fonts.
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    product();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
