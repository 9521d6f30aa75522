// Rendering and decoding speed. Run: build/bin/barcode-desk-bench
#include "Code39.h"
#include "DrawingSurface.h"
#include "basBCREAD.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

const QString kCode39Text = QStringLiteral("BARCODE-DESK-2026/07");

void drawCode39(benchmark::State& state) {
    DrawingSurface surface(6015, 2775);
    for (auto _ : state) {
        surface.Cls();
        Code39::DrawCode39(surface, 10, kCode39Text, false, false);
        benchmark::DoNotOptimize(surface.Image().constBits());
    }
}
BENCHMARK(drawCode39);

void decodeCode39Row(benchmark::State& state) {
    DrawingSurface surface(6015, 2775);
    Code39::DrawCode39(surface, 10, kCode39Text, false, false);
    for (auto _ : state) {
        QString text = basBCREAD::ReadBarcode(surface, 0, 50, 1, 3);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(decodeCode39Row);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
