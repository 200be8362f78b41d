// Curve files of two 50,000-point series and a 10,000-record journal.
#include "app/core/CurveFile.h"
#include "app/core/Journal.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <stdlib.h>

using namespace core;

namespace {

std::vector<TCurveSeries> TwoSeries() {
    std::vector<TCurveSeries> s(2);
    for (int i = 0; i < 50000; ++i) {
        s[0].push_back({i * 0.1, 20 - i * 0.001});
        s[1].push_back({20 - i * 0.001, 100 - i * 0.002});
    }
    return s;
}

std::vector<TJournalRow> Records(int n) {
    std::vector<TJournalRow> rows;
    for (int i = 1; i <= n; ++i)
        rows.push_back({std::to_string(i), "10.12.2026  07:45:12", "-12.3", "-20.5", "?",
                        i % 2 ? "Присадка." : " "});
    return rows;
}

std::string TempDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "cp-bench-XXXXXX").string();
    return std::string(::mkdtemp(pattern.data())) + "/";
}

void CurveEncodeDecode(benchmark::State& state) {
    const auto series = TwoSeries();
    for (auto _ : state) {
        auto content = DecodeCurveFile(EncodeCurveFile(" ", series));
        benchmark::DoNotOptimize(content);
    }
}
BENCHMARK(CurveEncodeDecode)->Unit(benchmark::kMillisecond);

// Through the disk, with the flushed, atomic replace of every save.
void CurveSaveLoadFile(benchmark::State& state) {
    const auto series = TwoSeries();
    const std::string dir = TempDirectory();
    const std::string file = dir + "gr1.txt";
    for (auto _ : state) {
        SaveCurveFile(file, " ", series);
        auto content = LoadCurveFile(file);
        benchmark::DoNotOptimize(content);
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(CurveSaveLoadFile)->Unit(benchmark::kMillisecond);

void JournalParseSerialise(benchmark::State& state) {
    const std::string bytes = SerializeJournal(Records(10000));
    for (auto _ : state) {
        auto rows = ParseJournal(bytes);
        auto again = SerializeJournal(rows);
        benchmark::DoNotOptimize(again);
    }
}
BENCHMARK(JournalParseSerialise)->Unit(benchmark::kMillisecond);

void JournalSaveLoadFile(benchmark::State& state) {
    const auto rows = Records(10000);
    const std::string dir = TempDirectory();
    const std::string file = dir + "data2.tab";
    for (auto _ : state) {
        SaveJournalFile(file, rows);
        auto loaded = LoadJournalFile(file);
        benchmark::DoNotOptimize(loaded);
    }
    std::filesystem::remove_all(dir);
}
BENCHMARK(JournalSaveLoadFile)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
