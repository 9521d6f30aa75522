// Rendering, decoding and the window's Draw. Run: build/bin/barcode-desk-bench
#include "app/DrawCommands.h"
#include "app/SettingsFile.h"
#include "app/UpcWorkArea.h"
#include "decode/Code39RowReader.h"
#include "output/RgbPng.h"
#include "output/WholeFile.h"
#include "render/Code128Painter.h"
#include "render/Code39Painter.h"
#include "render/DrawingSurface.h"
#include "render/EanPainter.h"
#include "render/SymbolPicture.h"
#include "symbology/EncodeSymbol.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>

#include <benchmark/benchmark.h>

namespace {

const QString kCode39Text = QStringLiteral("BARCODE-DESK-2026/07");

void drawCode39(benchmark::State& state) {
    DrawingSurface surface(6015, 2775);
    for (auto _ : state) {
        surface.clear();
        Code39Painter::drawCode39(surface, 10, kCode39Text, false, false);
        benchmark::DoNotOptimize(surface.image().constBits());
    }
}
BENCHMARK(drawCode39);

void decodeCode39Row(benchmark::State& state) {
    DrawingSurface surface(6015, 2775);
    Code39Painter::drawCode39(surface, 10, kCode39Text, false, false);
    for (auto _ : state) {
        Code39RowReader::Reading text = Code39RowReader::readBarcode(surface, 0, 50, 1);
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(decodeCode39Row);

void drawCode128(benchmark::State& state) {
    DrawingSurface surface(6015, 2775);
    const QString text = QStringLiteral("Barcode Desk 2026-07");
    for (auto _ : state) {
        surface.clear();
        Code128Painter::drawCode128(surface, 10, text, false);
        benchmark::DoNotOptimize(surface.image().constBits());
    }
}
BENCHMARK(drawCode128);

void drawEAN13(benchmark::State& state) {
    DrawingSurface surface(6015, 2775);
    for (auto _ : state) {
        surface.clear();
        EanPainter::drawEan13(surface, 10, QStringLiteral("400638133393"), false);
        benchmark::DoNotOptimize(surface.image().constBits());
    }
}
BENCHMARK(drawEAN13);

void drawEAN8(benchmark::State& state) {
    DrawingSurface surface(6015, 2775);
    for (auto _ : state) {
        surface.clear();
        EanPainter::drawEan8(surface, 10, QStringLiteral("9638507"), false);
        benchmark::DoNotOptimize(surface.image().constBits());
    }
}
BENCHMARK(drawEAN8);

void drawUPCA(benchmark::State& state) {
    UpcWorkArea form;
    for (auto _ : state) {
        form.upcText = QStringLiteral("036000291452");
        drawInWorkArea(form.upcText, form);
        benchmark::DoNotOptimize(form.upcPicture.image().constBits());
    }
}
BENCHMARK(drawUPCA);

// "Draw Barcode" as the window runs it, without the window: clamp the height slider, run the
// command the type names (render, stretch into the output picture), write the settings file.
void drawWindow(benchmark::State& state, const char* type, const char* code) {
    const QTemporaryDir directory;
    const QString settingsPath = directory.filePath(SettingsFile::kFileName);
    const QString typeText = QString::fromLatin1(type);
    DrawModel model;
    model.codeText = QString::fromLatin1(code);
    model.heightValue = DrawModel::kHeightMax;
    for (auto _ : state) {
        model.heightValue = std::min(model.heightValue, DrawModel::kHeightClamp);
        const DrawCommands::Command command = DrawCommands::commandFor(typeText);
        command(model);
        SettingsFile::Record record;
        record.code = model.codeText;
        record.typeIndex = static_cast<int>(DrawCommands::symbologyNames().indexOf(typeText));
        record.heightValue = model.heightValue;
        record.widthValue = model.widthValue;
        record.formatWord = QStringLiteral("png");
        record.repeatText = QStringLiteral("1");
        record.spacingText = QStringLiteral("0");
        benchmark::DoNotOptimize(SettingsFile::write(settingsPath, SettingsFile::encode(record)));
        benchmark::DoNotOptimize(model.outputPicture.image().constBits());
    }
}
BENCHMARK_CAPTURE(drawWindow, 39_c, "39/c", "BARCODE-DESK-2026/07");
BENCHMARK_CAPTURE(drawWindow, 128_c, "128/c", "Barcode Desk 2026-07");
BENCHMARK_CAPTURE(drawWindow, EAN13, "EAN13", "400638133393");
BENCHMARK_CAPTURE(drawWindow, EAN8, "EAN8", "9638507");
BENCHMARK_CAPTURE(drawWindow, UPC_A, "UPC-A", "036000291452");

// Encoding alone: the symbol as a value, no pixel drawn.
void encode(benchmark::State& state, const char* type, const char* code) {
    const SymbologyChoice choice = *symbologyChoice(QLatin1String(type));
    const QString text = QString::fromLatin1(code);
    for (auto _ : state) {
        Symbol symbol = encodeSymbol(choice, text);
        benchmark::DoNotOptimize(symbol.modules.constData());
    }
}
BENCHMARK_CAPTURE(encode, 39_n, "39/n", "BARCODE-DESK-2026/07");
BENCHMARK_CAPTURE(encode, 128_n, "128/n", "Barcode Desk 2026-07");
BENCHMARK_CAPTURE(encode, EAN13, "EAN13", "400638133393");
BENCHMARK_CAPTURE(encode, EAN8, "EAN8", "9638507");
BENCHMARK_CAPTURE(encode, UPC_A, "UPC-A", "036000291452");

// A whole-pixel picture of an encoded symbol, three pixels per module, text included.
void paintSymbol(benchmark::State& state, const char* type, const char* code) {
    const Symbol symbol = encodeSymbol(*symbologyChoice(QLatin1String(type)), QLatin1String(code));
    const SymbolLayout layout(symbol, std::nullopt, std::nullopt);
    for (auto _ : state) {
        const QImage picture = symbolPicture(symbol, layout, 3);
        benchmark::DoNotOptimize(picture.constBits());
    }
}
BENCHMARK_CAPTURE(paintSymbol, 39_c, "39/c", "BARCODE-DESK-2026/07");
BENCHMARK_CAPTURE(paintSymbol, 128_n, "128/n", "Barcode Desk 2026-07");
BENCHMARK_CAPTURE(paintSymbol, EAN13, "EAN13", "400638133393");
BENCHMARK_CAPTURE(paintSymbol, UPC_A, "UPC-A", "036000291452");

// What the command line's one-off EAN-13 PNG draw does beyond loading: the window's picture
// deflated as the image library wrote it, and the file saved whole and durably.
void pngOfDrawnPicture(benchmark::State& state) {
    DrawModel model;
    model.codeText = QStringLiteral("400638133393");
    DrawCommands::drawEan13(model);
    for (auto _ : state)
        benchmark::DoNotOptimize(RgbPng::encode(model.outputPicture.pixels(), QSize(3780, 3780)));
}
BENCHMARK(pngOfDrawnPicture);

void saveDurably(benchmark::State& state) {
    const QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("drawn.png"));
    const QByteArray bytes(802, 'x'); // the size of that PNG
    for (auto _ : state)
        benchmark::DoNotOptimize(WholeFile::write(path, bytes));
}
BENCHMARK(saveDurably);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
