// Scan check speed on one window picture (425 x 177). Median of repetitions:
//   build/bin/barcode-desk-bench-grade --benchmark_repetitions=15
//       --benchmark_report_aggregates_only=true
#include "app/ScanCheck.h"
#include "decode/ReadingEngine.h"
#include "decode/ScanGrade.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

QImage windowPicture(const char* type, const char* text) {
    return ScanCheck::windowPicture(
        {QString::fromLatin1(type), QString::fromLatin1(text), 50, 150});
}

void verifyPicture(benchmark::State& state, const char* type, const char* text) {
    const QImage picture = windowPicture(type, text);
    for (auto _ : state) {
        auto symbols = ScanGrade::gradePicture(picture);
        if (symbols.empty()) state.SkipWithError("nothing found");
        benchmark::DoNotOptimize(symbols);
    }
}
BENCHMARK_CAPTURE(verifyPicture, code128, "128/n", "Hello World 42");
BENCHMARK_CAPTURE(verifyPicture, ean13, "EAN13", "400638133393");

void findSymbols(benchmark::State& state, const char* type, const char* text) {
    const QImage picture = windowPicture(type, text);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadingEngine::findSymbols(picture));
}
BENCHMARK_CAPTURE(findSymbols, code128, "128/n", "Hello World 42");
BENCHMARK_CAPTURE(findSymbols, ean13, "EAN13", "400638133393");

// The check that draw and batch run on every picture they write.
void decodesAlongRows(benchmark::State& state) {
    const QImage picture = windowPicture("EAN13", "400638133393");
    const int h = picture.height();
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadingEngine::decodesAlongRows(picture, {h / 4, h / 3, h / 2}));
}
BENCHMARK(decodesAlongRows);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
