// barcode-desk-cli: draws, reads and batch-draws barcodes with the window's own code, no display.
#include "Arguments.h"
#include "DrawCommands.h"
#include "ImageExport.h"
#include "RendererError.h"
#include "Verify.h"
#include "basBCREAD.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>

#include <atomic>
#include <cstdio>
#include <optional>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

const char* const kUsage =
    "Usage:\n"
    "  barcode-desk-cli draw --type TYPE --text TEXT --out FILE [--raw] [--format FMT]\n"
    "                        [--width N] [--height N]\n"
    "  barcode-desk-cli read --in FILE --x X --y Y [--tries N] [--mode M]\n"
    "  barcode-desk-cli batch --type TYPE --in LIST --out-dir DIR [--format FMT] [--raw]\n"
    "                         [--width N] [--height N]\n"
    "\n"
    "  TYPE    one of: %1\n"
    "  --raw   the work picture as the renderer left it, one pixel per module;\n"
    "          without it, the output picture as the window shows it after a Draw\n"
    "  FMT     bmp, png, jpg, tif, gif or psd (default: from FILE's extension)\n"
    "  --width  the width slider, 1 to 50 (default 50)\n"
    "  --height the height slider, 0 to 160 (default 150; above 150 counts as 150)\n"
    "  batch draws one code text per line of LIST (- for standard input) into\n"
    "          DIR/000001.FMT, DIR/000002.FMT, ... (FMT default png)\n"
    "  barcode-desk-cli verify --in FILE [--json]\n"
    "          grades every symbol in FILE (- for standard input) as a verifier would;\n"
    "          exit 0 when one or more are found and each grades C or better\n"
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

ImageExport::ImageFormat formatOf(const QString& word) {
    const auto format = ImageExport::formatFromWord(word);
    if (!format) throw UsageError(("unknown image format: " + word).toStdString());
    return *format;
}

// One kind of picture drawn from many code texts, as the window would draw them.
class Drawer {
  public:
    explicit Drawer(const Arguments& args)
        : type_(args.required(QStringLiteral("type"))), command_(DrawCommands::commandFor(type_)),
          raw_(args.has(QStringLiteral("raw"))) {
        if (!command_) throw UsageError(("unknown type: " + type_).toStdString());
        model_.setMessages(&messages_);
        model_.sldwidthValue =
            args.integer(QStringLiteral("width"), 1, DrawModel::kWidthMax, DrawModel::kWidthMax);
        // Draw Barcode puts the height slider back to 150 when it stands higher.
        model_.sldheightValue =
            std::min(args.integer(QStringLiteral("height"), 0, DrawModel::kHeightMax,
                                  DrawModel::kHeightClamp),
                     DrawModel::kHeightClamp);
    }

    // Draws the text and saves the picture; the reason when the text was refused or the file
    // could not be written.
    std::optional<QString> drawAndSave(const QString& text, const QString& outPath,
                                       ImageExport::ImageFormat format, bool compact = false) {
        messages_.texts.clear();
        model_.txtcode = text;
        try {
            command_(model_);
        } catch (const RendererError& error) {
            return error.description();
        }
        if (!messages_.texts.isEmpty())
            return messages_.texts.join(u'\n').replace(QStringLiteral("\r\n"),
                                                       QStringLiteral("\n"));
        const auto save = compact ? ImageExport::SaveImageCompact : ImageExport::SaveImage;
        if (!save(picture(), outPath, format, QCoreApplication::applicationDirPath()))
            return ImageExport::saveFailureMessage(outPath);
        return std::nullopt;
    }

    // The digit symbologies normalise the code text; the caller shows what was drawn.
    bool normalises() const { return type_ == u"UPC-A" || type_.startsWith(u"EAN"); }
    const QString& drawnText() const { return model_.txtcode; }

  private:
    const QImage& picture() const {
        if (!raw_) return model_.picout.Image();
        // UPC-A draws on its own work picture, exactly as the renderer left it.
        return type_ == u"UPC-A" ? model_.upc.picUPC.Image() : model_.pictmp.Image();
    }

    QString type_;
    DrawCommands::Command command_;
    bool raw_;
    RecordedMessages messages_;
    DrawModel model_;
};

int draw(const Arguments& args) {
    args.allowOnly({"type", "text", "out", "raw", "format", "width", "height"});
    Drawer drawer(args);
    const QString outPath = args.required(QStringLiteral("out"));
    const auto format =
        formatOf(args.optional(QStringLiteral("format")).value_or(QFileInfo(outPath).suffix()));
    if (const auto refusal =
            drawer.drawAndSave(args.required(QStringLiteral("text")), outPath, format)) {
        printError(*refusal);
        return kExitRefused;
    }
    if (drawer.normalises()) std::printf("%s\n", drawer.drawnText().toUtf8().constData());
    return 0;
}

QStringList readLines(const QString& listPath) {
    QFile file;
    const bool opened = listPath == u"-"
                            ? file.open(stdin, QIODevice::ReadOnly)
                            : (file.setFileName(listPath), file.open(QIODevice::ReadOnly));
    if (!opened) throw UsageError(("cannot read " + listPath).toStdString());
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast(); // the final line end
    for (QString& line : lines)
        if (line.endsWith(u'\r')) line.chop(1);
    return lines;
}

// A bar on the terminal, redrawn only when its filled part grows.
class Progress {
  public:
    explicit Progress(qsizetype total) : total_(total), shown_(isatty(fileno(stderr))) {}
    void step(qsizetype done) {
        if (!shown_ || total_ == 0) return;
        const int filled = static_cast<int>(done * kWidth / total_);
        if (filled == lastFilled_) return;
        lastFilled_ = filled;
        std::fprintf(stderr, "\r[%s%s] %lld/%lld", QByteArray(filled, '#').constData(),
                     QByteArray(kWidth - filled, ' ').constData(), static_cast<long long>(done),
                     static_cast<long long>(total_));
        if (done == total_) std::fputc('\n', stderr);
    }

  private:
    static constexpr int kWidth = 40;
    qsizetype total_;
    bool shown_;
    int lastFilled_ = -1;
};

// Lines are drawn by one worker per core, each with its own pictures; refusals are reported
// in line order once all are done.
int batch(const Arguments& args) {
    args.allowOnly({"type", "in", "out-dir", "raw", "format", "width", "height"});
    (void)Drawer{args}; // refuses a wrong type or slider value before anything is written
    const auto format =
        formatOf(args.optional(QStringLiteral("format")).value_or(QStringLiteral("png")));
    const QDir outDir(args.required(QStringLiteral("out-dir")));
    if (!QDir().mkpath(outDir.path()))
        throw UsageError(("cannot create " + outDir.path()).toStdString());
    const QStringList lines = readLines(args.required(QStringLiteral("in")));
    const QString extension = QString::fromLatin1(ImageExport::entryOf(format).word);

    std::vector<std::optional<QString>> refusals(static_cast<size_t>(lines.size()));
    std::atomic<qsizetype> next{0}, done{0};
    Progress progress(lines.size());
    auto work = [&](bool showsProgress) {
        Drawer drawer(args);
        for (qsizetype i = next++; i < lines.size(); i = next++) {
            const QString name =
                QStringLiteral("%1.%2").arg(i + 1, 6, 10, QChar(u'0')).arg(extension);
            refusals[static_cast<size_t>(i)] =
                drawer.drawAndSave(lines[i], outDir.filePath(name), format, true);
            ++done;
            if (showsProgress) progress.step(done);
        }
    };
    const unsigned helpers = std::min(std::max(std::thread::hardware_concurrency(), 1u), 8u) - 1;
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < helpers && t + 1 < static_cast<unsigned>(lines.size()); ++t)
        threads.emplace_back(work, false);
    work(true);
    for (std::thread& thread : threads)
        thread.join();
    progress.step(lines.size());

    int refused = 0;
    for (size_t i = 0; i < refusals.size(); ++i)
        if (refusals[i]) {
            printError(QStringLiteral("line %1: %2").arg(i + 1).arg(*refusals[i]));
            ++refused;
        }
    return refused == 0 ? 0 : kExitRefused;
}

int readCommand(const Arguments& args) {
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
    for (int i = 1; i < argc; ++i)
        words << QString::fromUtf8(argv[i]);
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
        const Arguments args(words, {QStringLiteral("raw"), QStringLiteral("json")});
        if (args.command() == u"draw") return draw(args);
        if (args.command() == u"read") return readCommand(args);
        if (args.command() == u"batch") return batch(args);
        if (args.command() == u"verify") {
            args.allowOnly({"in", "json"});
            return verifyPicture(args.required(QStringLiteral("in")),
                                 args.has(QStringLiteral("json")));
        }
        throw UsageError(("unknown command: " + args.command()).toStdString());
    } catch (const UsageError& error) {
        std::fprintf(stderr, "barcode-desk-cli: %s\n", error.what());
        printUsage(stderr);
        return kExitUsage;
    }
}
