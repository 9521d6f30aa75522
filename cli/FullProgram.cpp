// barcode-desk-cli beyond what its quick start does itself (main.cpp): every command, with fonts,
// the image library and the grader. Built as a module that the program loads on demand.
#include "app/DrawCommands.h"
#include "cli/BatchRun.h"
#include "cli/CommandLine.h"
#include "cli/Jobs.h"
#include "cli/Labels.h"
#include "cli/LineDrawing.h"
#include "cli/PictureStreams.h"
#include "cli/SymbolRequests.h"
#include "cli/Verify.h"
#include "decode/Code39RowReader.h"
#include "output/ImageExport.h"
#include "output/VectorExport.h"
#include "output/WholeFile.h"
#include "render/RasterImage.h"
#include "render/SymbolPicture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <thread>
#include <variant>
#include <vector>

#include <signal.h>
#include <unistd.h>

namespace {

using CommandLine::Command;
using CommandLine::Invocation;
using Jobs::kExitRefused;
using Jobs::kExitUsage;
using Jobs::printError;
using Jobs::usageProblem;

using SymbolRequests::SymbolRequest;
using SymbolRequests::symbolRequestOf;
using SymbolRequests::warnOfRoundedXDimension;

// How the full reading engine settles a picture the quick look did not.
bool slowlyDecodes(const QImage& picture, const LineDrawing& lines) {
    return lines.zint() ? ScanCheck::decodesAny(picture) : pictureDecodes(picture);
}

// What the window would have drawn the text from; nothing for a picture the window never shows.
std::optional<ScanCheck::DrawInputs> windowInputs(const LineDrawing& lines, const QString& text) {
    if (lines.raw() || lines.symbolRequest()) return std::nullopt;
    return ScanCheck::DrawInputs{lines.type(), text, lines.model().widthValue,
                                 lines.model().heightValue};
}

// One kind of picture drawn from many code texts, as the window would draw them, in any format.
class Drawer : public BatchRun::LineDrawer {
  public:
    Drawer(const Invocation& args, std::optional<SymbolRequest> symbolRequest,
           ImageExport::ImageFormat format, bool compact,
           PictureStreams::FileWrite write = WholeFile::write)
        : lines_(args, std::move(symbolRequest), &qtTextEngine(), &printSymbolTexts),
          format_(format), compact_(compact), write_(std::move(write)) {}

    // Draws the text and saves the picture; the reason when the text was refused or the file
    // could not be written.
    std::optional<QString> drawAndSave(const QString& text, const QString& outPath) override {
        if (const auto refusal = lines_.draw(text)) return refusal;
        const std::optional<SymbolRequest>& request = lines_.symbolRequest();
        if (lines_.symbol() && request->vector) {
            const auto drawing = VectorExport::vectorSymbolBytes(
                *lines_.symbol(), *lines_.layout(), request->xDimensionMm,
                VectorExport::vectorFormatOf(format_));
            if (!drawing) return ImageExport::saveFailureMessage(outPath);
            return writeFile(outPath, *drawing);
        }
        if (const auto refusal = lines_.rasterize()) return refusal;
        return save(lines_.written(), outPath);
    }

    const LineDrawing& lines() const { return lines_; }

    // Whether the scan check reads the picture last written; a vector file counts as read.
    // The engine's quick look at the picture as drawn settles most; the slow ones settle the
    // rest.
    BatchRun::Decoding writtenDecodes() const override {
        return lines_.quicklyDecodes() || slowlyDecodes(imageOf(lines_.written()), lines_);
    }

  private:
    std::optional<QString> save(const Raster& picture, const QString& outPath) const {
        const ImageExport::FileBytes bytes = compact_
                                                 ? ImageExport::compactFileBytes(picture, format_)
                                                 : ImageExport::imageFileBytes(picture, format_);
        if (const auto* failure = std::get_if<QString>(&bytes))
            return ImageExport::saveFailureMessage(outPath, *failure);
        return writeFile(outPath, std::get<QByteArray>(bytes));
    }

    std::optional<QString> writeFile(const QString& outPath, const QByteArray& bytes) const {
        return PictureStreams::save(
            outPath, bytes,
            [&](const QString& path, const QByteArray& file) -> std::optional<QString> {
                if (const auto failure = write_(path, file))
                    return ImageExport::saveFailureMessage(outPath, *failure);
                return std::nullopt;
            });
    }

    LineDrawing lines_;
    ImageExport::ImageFormat format_;
    bool compact_; // batches write many files: compact ones
    PictureStreams::FileWrite write_;
};

int draw(const Invocation& args) {
    const QString outPath = args.value(QStringLiteral("out"));
    const bool toStandardOutput = PictureStreams::isStandardStream(outPath);
    // The command line's rules saw to a format, and to options that go together.
    const auto format = CommandLine::pictureFormat(args);
    const std::optional<SymbolRequest> request = symbolRequestOf(args, *format);
    if (request) warnOfRoundedXDimension(*request);
    Drawer drawer(args, request, *format, false);
    const QString text = args.value(QStringLiteral("text"));
    if (const auto refusal = drawer.drawAndSave(text, outPath)) {
        printError(*refusal);
        return kExitRefused;
    }
    const LineDrawing& lines = drawer.lines();
    for (const QString& warning : lines.warnings())
        printError(QStringLiteral("warning: ") + warning);
    if (!std::get<bool>(drawer.writtenDecodes()))
        printError(undecodableWarning(windowInputs(lines, text)));
    // The picture has standard output to itself when it goes there.
    if (lines.normalises())
        std::fprintf(toStandardOutput ? stderr : stdout, "%s\n",
                     lines.drawnText().toUtf8().constData());
    return 0;
}

// The slow checks of pictures drawn as the command line asks, a worker per core.
class FullChecks : public BatchRun::SlowChecks {
  public:
    explicit FullChecks(const Invocation& args)
        : lines_(args, symbolRequestOf(args, *CommandLine::pictureFormat(args)), &qtTextEngine(),
                 &printSymbolTexts) {}

    std::vector<char> decode(const std::vector<BatchRun::Unsettled>& pictures) override {
        std::vector<char> decodes(pictures.size(), false);
        std::atomic<size_t> next{0};
        const auto work = [&] {
            for (size_t i = next++; i < pictures.size(); i = next++)
                decodes[i] = slowlyDecodes(
                    QImage::fromData(pictures[i].png).convertToFormat(QImage::Format_RGB32),
                    lines_);
        };
        const unsigned helpers = BatchRun::workers() - 1;
        std::vector<std::thread> threads;
        for (unsigned t = 0; t < helpers && t + 1 < pictures.size(); ++t)
            threads.emplace_back(work);
        work();
        for (std::thread& thread : threads)
            thread.join();
        return decodes;
    }

    QString undecodableWarning(const QString& text) override {
        return ::undecodableWarning(windowInputs(lines_, text))
            .mid(QStringLiteral("warning: ").size());
    }

  private:
    LineDrawing lines_;
};

int batch(const Invocation& args) {
    const auto format = *CommandLine::pictureFormat(args);
    const std::optional<SymbolRequest> request = symbolRequestOf(args, format);
    FullChecks checks(args);
    return BatchRun::run(
        args,
        [&](PictureStreams::FileWrite write) {
            return std::make_unique<Drawer>(args, request, format, true, std::move(write));
        },
        [&] { return &checks; });
}

int readCommand(const Invocation& args) {
    const QString inPath = args.value(QStringLiteral("in"));
    const int x = args.number(QStringLiteral("x"), 0);
    const int y = args.number(QStringLiteral("y"), 0);
    const int tries = args.number(QStringLiteral("tries"), 1);
    // --mode takes 0, 1 or 3 alone: the numbers of FailureShown.
    const auto shown =
        static_cast<Code39RowReader::FailureShown>(args.number(QStringLiteral("mode"), 3));
    const auto loaded = PictureStreams::load(inPath);
    if (const auto* failure = std::get_if<QString>(&loaded)) {
        printError(*failure);
        return kExitRefused;
    }
    const ImagePixels pixels(std::get<QImage>(loaded));
    const Code39RowReader::Reading reading = Code39RowReader::readBarcode(pixels, x, y, tries);
    std::printf("%s\n", Code39RowReader::shownText(reading, shown).toUtf8().constData());
    return std::holds_alternative<QString>(reading) ? 0 : kExitRefused;
}

// Whether the folder is there to write in, or can be made.
bool canWriteFolder(const QString& path) {
    QFileInfo info(path);
    while (!info.exists()) {
        const QFileInfo parent(info.absolutePath());
        if (parent.absoluteFilePath() == info.absoluteFilePath()) return false;
        info = parent;
    }
    return info.isDir() && info.isWritable();
}

// The private folder's name: the prefix, the process's id, a dash and a random part.
const QString kPrivateFolderPrefix = QStringLiteral("barcode-desk-cli-");

// A run that was killed (SIGKILL, a crash) could not remove its private folder: the next run
// removes those whose process is gone.
void removeStrandedFolders() {
    const QDir temp(QDir::tempPath());
    for (const QFileInfo& folder :
         temp.entryInfoList({kPrivateFolderPrefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (folder.ownerId() != ::getuid() || folder.isSymLink()) continue;
        bool isNumber = false;
        const pid_t owner =
            folder.fileName().mid(kPrivateFolderPrefix.size()).section(u'-', 0, 0).toInt(&isNumber);
        if (isNumber && owner > 0 && ::kill(owner, 0) != 0 && errno == ESRCH)
            QDir(folder.absoluteFilePath()).removeRecursively();
    }
}

// Fonts come with a QGuiApplication, its platform plugin and fontconfig, which need folders
// that cron, su or a container may not give: Qt looks into the session's runtime folder and,
// without one, complains and leaves /tmp/runtime-USER behind; fontconfig, finding no cache
// of the fonts, builds one and complains once per font folder when it cannot store it. The
// private folder, empty until then, stands in for whichever is missing.
void prepareFontSetUp(const QTemporaryDir& privateFolder) {
    // No display needed: draw off screen unless a platform was chosen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!privateFolder.isValid()) return;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(privateFolder.path()));
    const QString cache = qEnvironmentVariableIsEmpty("XDG_CACHE_HOME")
                              ? QDir::homePath() + QStringLiteral("/.cache")
                              : qEnvironmentVariable("XDG_CACHE_HOME");
    if (!canWriteFolder(cache))
        qputenv("XDG_CACHE_HOME",
                QFile::encodeName(privateFolder.filePath(QStringLiteral("cache"))));
}

int run(const Invocation& invocation) {
    switch (*invocation.command) {
    case Command::Draw:
        return draw(invocation);
    case Command::Read:
        return readCommand(invocation);
    case Command::Batch:
        return batch(invocation);
    case Command::Verify:
        return verifyPictures(invocation.repeated.value(QStringLiteral("in")),
                              invocation.has(QStringLiteral("json")), verifyOptions(invocation),
                              invocation.value(QStringLiteral("report")));
    case Command::Labels:
        return LabelsCommand::run(invocation);
    case Command::Types: // answered before the module is loaded
        break;
    }
    return kExitUsage;
}

// Qt's own complaints (a damaged PNG's "libpng error", an image plugin's or a painter's
// warnings) would stand beside the program's messages, which say what failed in its words:
// only one that ends the program is shown.
void quietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg)
        printError(
            QStringLiteral("%1: %2").arg(QString::fromLatin1(CommandLine::kProgram), message));
}

// The application the job needs, and the private folder that outlives it.
class Application {
  public:
    Application(int& argc, char** argv, const Invocation& invocation) {
        qInstallMessageHandler(quietQtMessages);
        // Text under the bars needs fonts, and fonts need a platform plugin, which only a
        // QGuiApplication loads; bars alone are drawn under a QCoreApplication, which starts
        // in a fraction of the time.
        if (Jobs::printsText(invocation)) {
            removeStrandedFolders();
            privateFolder_.emplace(QDir::tempPath() + QStringLiteral("/") + kPrivateFolderPrefix +
                                   QString::number(::getpid()) + QStringLiteral("-XXXXXX"));
            prepareFontSetUp(*privateFolder_);
            app_ = std::make_unique<QGuiApplication>(argc, argv);
        } else {
            app_ = std::make_unique<QCoreApplication>(argc, argv);
        }
    }

  private:
    std::optional<QTemporaryDir> privateFolder_;
    std::unique_ptr<QCoreApplication> app_;
};

// The slow checks for the quick program's batch, with the application they need, made first.
class ChecksForQuickBatch : public BatchRun::SlowChecks {
  public:
    ChecksForQuickBatch(int argc, char** argv, const Invocation& invocation)
        : argc_(argc), application_(argc_, argv, invocation), checks_(invocation) {}

    std::vector<char> decode(const std::vector<BatchRun::Unsettled>& pictures) override {
        return checks_.decode(pictures);
    }
    QString undecodableWarning(const QString& text) override {
        return checks_.undecodableWarning(text);
    }

  private:
    int argc_; // the application holds on to it
    Application application_;
    FullChecks checks_;
};

} // namespace

// The program's main, for the quick start to hand over to.
extern "C" [[gnu::visibility("default")]] int barcode_desk_cli_full(int argc, char** argv) {
    const auto parsed = CommandLine::parse(Jobs::utf8Arguments(argc, argv));
    if (const auto* problem = std::get_if<CommandLine::UsageProblem>(&parsed))
        return usageProblem(problem->message, problem->command);
    const Invocation& invocation = std::get<Invocation>(parsed);
    if (invocation.request != Invocation::Request::Run) return Jobs::answer(invocation);
    const Application application(argc, argv, invocation);
    return run(invocation);
}

// The checks the quick program's batch leaves to the full program, for the batch the command
// line asks for (which the quick program parsed already); the caller owns them.
extern "C" [[gnu::visibility("default")]] BatchRun::SlowChecks*
barcode_desk_cli_slow_checks(int argc, char** argv) {
    const auto parsed = CommandLine::parse(Jobs::utf8Arguments(argc, argv));
    return new ChecksForQuickBatch(argc, argv, std::get<Invocation>(parsed));
}
