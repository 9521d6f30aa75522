// barcode-desk-cli: draws, reads and batch-draws barcodes with the window's own code, no display.
#include "Arguments.h"
#include "DrawCommands.h"
#include "ImageExport.h"
#include "RendererError.h"
#include "basBCREAD.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "Usage:\n"
    "  barcode-desk-cli draw --type TYPE --text TEXT --out FILE [--raw] [--format FMT]\n"
    "                        [--width N] [--height N]\n"
    "  barcode-desk-cli read --in FILE --x X --y Y [--tries N] [--mode M]\n"
    "\n"
    "  TYPE    one of: %1\n"
    "  --raw   the work picture as the renderer left it, one pixel per module;\n"
    "          without it, the output picture as the window shows it after a Draw\n"
    "  FMT     bmp, png, jpg, tif, gif or psd (default: from FILE's extension)\n"
    "  --width  the width slider, 1 to 50 (default 50)\n"
    "  --height the height slider, 0 to 160 (default 150; above 150 counts as 150)\n"
    "  read prints the decoded text (exit 0) or an ERR: text (exit 1);\n"
    "  --tries rows to try downward (default 1), --mode 0, 1 or 3 (default 3)\n";

void printError(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

void printUsage(FILE* stream) {
    const QString usage =
        QString::fromLatin1(kUsage).arg(DrawCommands::symbologyNames().join(QStringLiteral(", ")));
    std::fputs(usage.toLocal8Bit().constData(), stream);
}

// Message boxes of the draw commands become the command's refusal.
class RecordedMessages : public MessageBoxes {
public:
    void show(const QString& text, const QString&, MessageIcon) override { texts << text; }
    QStringList texts;
};

ImageExport::ImageFormat outputFormat(const Arguments& args, const QString& outPath) {
    const QString word = args.optional(QStringLiteral("format")).value_or(QFileInfo(outPath).suffix());
    const auto format = ImageExport::formatFromWord(word);
    if (!format) throw UsageError(("unknown image format: " + word).toStdString());
    return *format;
}

int draw(const Arguments& args) {
    args.allowOnly({"type", "text", "out", "raw", "format", "width", "height"});
    const QString type = args.required(QStringLiteral("type"));
    const QString outPath = args.required(QStringLiteral("out"));
    const auto command = DrawCommands::commandFor(type);
    if (!command) throw UsageError(("unknown type: " + type).toStdString());
    const auto format = outputFormat(args, outPath);

    RecordedMessages messages;
    DrawModel model;
    model.messages = &messages;
    model.txtcode = args.required(QStringLiteral("text"));
    model.sldwidthValue = args.integer(QStringLiteral("width"), 1, DrawModel::kWidthMax, DrawModel::kWidthMax);
    model.sldheightValue = std::min(
        args.integer(QStringLiteral("height"), 0, DrawModel::kHeightMax, DrawModel::kHeightClamp),
        DrawModel::kHeightClamp);
    try {
        command(model);
    } catch (const RendererError& error) {
        printError(error.description());
        return kExitRefused;
    }
    if (!messages.texts.isEmpty()) {
        printError(messages.texts.join(u'\n').replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
        return kExitRefused;
    }
    const QImage& image = args.has(QStringLiteral("raw")) ? model.pictmp.Image() : model.picout.Image();
    if (!ImageExport::SaveImage(image, outPath, format, QCoreApplication::applicationDirPath())) {
        printError(QStringLiteral("The barcode could not be saved as ") + outPath);
        return kExitRefused;
    }
    return 0;
}

int read(const Arguments& args) {
    args.allowOnly({"in", "x", "y", "tries", "mode"});
    const QString inPath = args.required(QStringLiteral("in"));
    const int x = args.integer(QStringLiteral("x"), INT32_MIN, INT32_MAX, std::nullopt);
    const int y = args.integer(QStringLiteral("y"), INT32_MIN, INT32_MAX, std::nullopt);
    const int tries = args.integer(QStringLiteral("tries"), INT32_MIN, INT32_MAX, 1);
    const int mode = args.integer(QStringLiteral("mode"), INT32_MIN, INT32_MAX, 3);
    const QImage image(inPath);
    if (image.isNull()) {
        printError(QStringLiteral("Cannot read the image ") + inPath);
        return kExitRefused;
    }
    const QString result = basBCREAD::ReadBarcode(ImagePixels(image), x, y, tries, mode);
    std::printf("%s\n", result.toUtf8().constData());
    return result.startsWith(QStringLiteral("ERR:")) ? kExitRefused : 0;
}

QStringList utf8Arguments(int argc, char** argv) {
    QStringList words;
    for (int i = 1; i < argc; ++i) words << QString::fromUtf8(argv[i]);
    return words;
}

} // namespace

int main(int argc, char** argv) {
    // No display needed: draw off screen unless a platform was chosen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList words = utf8Arguments(argc, argv);
    if (words.size() == 1 && (words[0] == u"--help" || words[0] == u"help")) {
        printUsage(stdout);
        return 0;
    }
    try {
        const Arguments args(words, {QStringLiteral("raw")});
        if (args.command() == u"draw") return draw(args);
        if (args.command() == u"read") return read(args);
        throw UsageError(("unknown command: " + args.command()).toStdString());
    } catch (const UsageError& error) {
        std::fprintf(stderr, "barcode-desk-cli: %s\n", error.what());
        printUsage(stderr);
        return kExitUsage;
    }
}
