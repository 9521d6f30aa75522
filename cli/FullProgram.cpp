// barcode-desk-cli beyond what its quick start does itself (main.cpp): every command, with fonts,
// the image library and the grader. Built as a module that the program loads on demand.
#include "app/DrawCommands.h"
#include "cli/CodeTexts.h"
#include "cli/CommandLine.h"
#include "cli/Jobs.h"
#include "cli/Labels.h"
#include "cli/PictureStreams.h"
#include "cli/SymbolRequests.h"
#include "cli/TypeNames.h"
#include "cli/Verify.h"
#include "decode/Code39RowReader.h"
#include "decode/EngineRows.h"
#include "output/ImageExport.h"
#include "output/VectorExport.h"
#include "output/WholeFile.h"
#include "render/PictureBound.h"
#include "render/RasterImage.h"
#include "render/SymbolPicture.h"
#include "render/SymbolRaster.h"
#include "symbology/EncodeSymbol.h"
#include "symbology/RuntimeError.h"
#include "symbology/Symbology.h"
#include "symbology/ZintChoices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <future>
#include <memory>
#include <optional>
#include <thread>
#include <variant>
#include <vector>

#include <signal.h>
#include <sys/resource.h>
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

// One kind of picture drawn from many code texts, as the window would draw them.
class Drawer {
  public:
    Drawer(const Invocation& args, std::optional<SymbolRequest> symbolRequest,
           PictureStreams::FileWrite write = WholeFile::write)
        : type_(args.value(QStringLiteral("type"))), command_(DrawCommands::commandFor(type_)),
          zint_(zintChoice(type_)), raw_(args.has(QStringLiteral("raw"))),
          symbolRequest_(std::move(symbolRequest)), write_(std::move(write)) {
        model_.setMessages(&messages_);
        model_.zintRequest = SymbolRequests::zintRequestOf(args);
        model_.widthValue = args.number(QStringLiteral("width"), DrawModel::kWidthMax);
        // Draw Barcode puts the height slider back to 150 when it stands higher.
        model_.heightValue =
            std::min(args.number(QStringLiteral("height"), DrawModel::kHeightClamp),
                     DrawModel::kHeightClamp);
    }

    // Draws the text and saves the picture; the reason when the text was refused or the file
    // could not be written.
    std::optional<QString> drawAndSave(const QString& text, const QString& outPath,
                                       ImageExport::ImageFormat format, bool compact = false) {
        messages_.texts.clear();
        model_.codeText = text;
        model_.drawWarnings.clear();
        // Held on to, the last picture would make the command copy the output picture before
        // erasing it.
        written_ = Raster();
        cellsRead_ = false;
        try {
            // A symbol drawn anew needs only the text the window's command would draw.
            if (symbolRequest_) {
                const auto symbol =
                    SymbolRequests::encoded(type_, *symbolRequest_, model_, messages_);
                if (const auto* refusal = std::get_if<QString>(&symbol))
                    return withTwinAdvice(*refusal);
                return saveSymbol(std::get<Symbol>(symbol), outPath, format, compact);
            }
            command_(model_);
        } catch (const RuntimeError& error) {
            return withTwinAdvice(namingTheCharacter(error.description()));
        }
        if (!messages_.texts.isEmpty())
            return withTwinAdvice(namingTheCharacter(messages_.refusal()));
        written_ = picture();
        return save(written_, outPath, format, compact);
    }

    // What the last newer symbology said beside its symbol, e.g. a GS1 pairing rule.
    const QStringList& warnings() const { return model_.drawWarnings; }

    // Whether the scan check reads the picture last written; a vector file counts as read.
    // The engine's quick look at the picture as drawn settles most; the slow ones settle the
    // rest.
    bool writtenDecodes() const {
        if (written_.isNull() || cellsRead_) return true;
        const int h = written_.height();
        if (zint_)
            return (!zint_->isMatrix() &&
                    ReadingEngine::blackAndWhiteRowsDecode(written_, {h / 4, h / 3, h / 2},
                                                           ReadingEngine::Formats::Every)) ||
                   ReadingEngine::blackAndWhiteDecodes(written_) ||
                   ScanCheck::decodesAny(imageOf(written_));
        return ReadingEngine::blackAndWhiteRowsDecode(written_, {h / 4, h / 3, h / 2}) ||
               pictureDecodes(imageOf(written_));
    }
    // What the window would have drawn it from; nothing for a picture the window never shows.
    std::optional<ScanCheck::DrawInputs> windowInputs(const QString& text) const {
        if (raw_ || symbolRequest_) return std::nullopt;
        return ScanCheck::DrawInputs{type_, text, model_.widthValue, model_.heightValue};
    }

    // The digit symbologies normalise the code text; the caller shows what was drawn.
    bool normalises() const {
        const auto choice = symbologyChoice(type_);
        return choice && choice->takesDigitsOnly();
    }
    const QString& drawnText() const { return model_.codeText; }

  private:
    std::optional<QString> save(const Raster& picture, const QString& outPath,
                                ImageExport::ImageFormat format, bool compact) const {
        const ImageExport::FileBytes bytes = compact
                                                 ? ImageExport::compactFileBytes(picture, format)
                                                 : ImageExport::imageFileBytes(picture, format);
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

    // A refused text's message says which of EAN13 and ean13 (and their kin) takes what.
    QString withTwinAdvice(const QString& refusal) const {
        return TypeNames::withTwinAdvice(type_, refusal);
    }

    QString namingTheCharacter(const QString& refusal) const {
        const auto choice = symbologyChoice(type_);
        return choice ? CodeTexts::namingTheCharacter(refusal, choice->symbology, model_.codeText)
                      : refusal;
    }

    std::optional<QString> saveSymbol(const Symbol& symbol, const QString& outPath,
                                      ImageExport::ImageFormat format, bool compact) {
        const SymbolRequest& request = *symbolRequest_;
        const SymbolLayout layout(symbol, request.barHeight, request.quietZone);
        if (request.vector) {
            const auto drawing = VectorExport::vectorSymbolBytes(
                symbol, layout, request.xDimensionMm, VectorExport::vectorFormatOf(format));
            if (!drawing) return ImageExport::saveFailureMessage(outPath);
            return writeFile(outPath, *drawing);
        }
        const long long width = static_cast<long long>(layout.width) * request.pixelsPerModule;
        const long long height = static_cast<long long>(layout.height) * request.pixelsPerModule;
        if (exceedsPictureBound(width, height))
            return QStringLiteral("The picture would be %1.").arg(pictureBoundText(width, height));
        written_ = symbolRaster(symbol, layout, request.pixelsPerModule, request.dotsPerInch);
        cellsRead_ = SymbolRequests::readsFromCells(type_, symbol, request, layout.left);
        printSymbolTexts(written_, symbol, layout, request.pixelsPerModule);
        return save(written_, outPath, format, compact);
    }

    const Raster& picture() const {
        if (!raw_) return model_.outputPicture.pixels();
        // UPC-A draws on its own work picture, exactly as the renderer left it.
        const auto choice = symbologyChoice(type_);
        return choice && choice->symbology == Symbology::UpcA ? model_.upc.upcPicture.pixels()
                                                              : model_.workPicture.pixels();
    }

    QString type_;
    DrawCommands::Command command_;
    std::optional<ZintChoice> zint_;
    bool raw_;
    std::optional<SymbolRequest> symbolRequest_;
    PictureStreams::FileWrite write_;
    Raster written_;         // the raster picture last saved
    bool cellsRead_ = false; // whether its 2D symbol's cells read, which settles its check
    Jobs::RecordedMessages messages_;
    DrawModel model_;
};

int draw(const Invocation& args) {
    const QString outPath = args.value(QStringLiteral("out"));
    const bool toStandardOutput = PictureStreams::isStandardStream(outPath);
    // The command line's rules saw to a format, and to options that go together.
    const auto format = CommandLine::pictureFormat(args);
    const std::optional<SymbolRequest> request = symbolRequestOf(args, *format);
    if (request) warnOfRoundedXDimension(*request);
    Drawer drawer(args, request);
    const QString text = args.value(QStringLiteral("text"));
    if (const auto refusal = drawer.drawAndSave(text, outPath, *format)) {
        printError(*refusal);
        return kExitRefused;
    }
    for (const QString& warning : drawer.warnings())
        printError(QStringLiteral("warning: ") + warning);
    if (!drawer.writtenDecodes()) printError(undecodableWarning(drawer.windowInputs(text)));
    // The picture has standard output to itself when it goes there.
    if (drawer.normalises())
        std::fprintf(toStandardOutput ? stderr : stdout, "%s\n",
                     drawer.drawnText().toUtf8().constData());
    return 0;
}

// The lines of a list, and why a line that is not UTF-8 text cannot be drawn.
struct ListLines {
    QStringList lines;
    QHash<qsizetype, QString> notText;
};

// The lines of the list; nullopt when it cannot be read.
std::optional<ListLines> readLines(const QString& listPath) {
    const std::optional<QByteArray> bytes = PictureStreams::readAll(listPath);
    if (!bytes) return std::nullopt;
    ListLines list;
    QList<QByteArray> lines = bytes->split('\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast(); // the final line end
    for (QByteArray& line : lines) {
        if (line.endsWith('\r')) line.chop(1);
        if (const auto problem = CodeTexts::utf8Problem(line))
            list.notText.insert(list.lines.size(),
                                QStringLiteral("the line is not UTF-8 text: %1").arg(*problem));
        list.lines << QString::fromUtf8(line);
    }
    return list;
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
    // Ends a bar that stopped short.
    void stop() {
        if (shown_ && lastFilled_ >= 0) std::fputc('\n', stderr);
    }

  private:
    static constexpr int kWidth = 40;
    qsizetype total_;
    bool shown_;
    int lastFilled_ = -1;
};

// A worker's pictures are synced together, this many at a time: one sync takes longer than
// drawing and writing several pictures. Each picture waiting for it holds a file open, and a
// worker holds two groups (one drawn while the other is synced), so the workers together keep
// at most half of the files the process may open.
qsizetype picturesPerSync(unsigned workers) {
    constexpr qsizetype kMost = 64;
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur == RLIM_INFINITY) return kMost;
    return std::clamp(static_cast<qsizetype>(files.rlim_cur / 2 / (2 * workers)), qsizetype(1),
                      kMost);
}

// Lines are drawn by one worker per core, each with its own pictures; refusals are reported
// in line order once all are done. Interrupted, the workers finish the lines in hand, which
// leaves lines 1 to N drawn. A picture gets its name only once it is whole on disk.
int batch(const Invocation& args) {
    const auto format = *CommandLine::pictureFormat(args);
    const std::optional<SymbolRequest> request = symbolRequestOf(args, format);
    // The list is read before anything is made, so a wrong list leaves no trace.
    const QString listPath = args.value(QStringLiteral("in"));
    const std::optional<ListLines> read = readLines(listPath);
    if (!read) {
        printError(QStringLiteral("Cannot read %1.").arg(listPath));
        return kExitRefused;
    }
    const QStringList& lines = read->lines;
    const QDir outDir(args.value(QStringLiteral("out-dir")));
    if (!QDir().mkpath(outDir.path())) {
        printError(QStringLiteral("Cannot create %1.").arg(outDir.path()));
        return kExitRefused;
    }
    const QString extension = QString::fromLatin1(ImageExport::entryOf(format).word);
    if (request) warnOfRoundedXDimension(*request);
    // Workers take no further line once a signal came, so every line taken is drawn and saved
    // whole.
    Jobs::stopOnInterruption(false);

    std::vector<std::optional<QString>> refusals(static_cast<size_t>(lines.size()));
    std::vector<char> undecodable(static_cast<size_t>(lines.size()), false);
    std::atomic<qsizetype> next{0}, done{0};
    Progress progress(lines.size());
    const unsigned helpers = std::min(std::max(std::thread::hardware_concurrency(), 1u), 8u) - 1;
    const qsizetype groupSize = picturesPerSync(helpers + 1);
    const auto pathOf = [&](qsizetype i) {
        return outDir.filePath(
            QStringLiteral("%1.%2").arg(i + 1, 6, 10, QChar(u'0')).arg(extension));
    };
    // Failures of a group, once its sync is over, go to the lines they concern.
    const auto noteFailures = [&](const std::vector<WholeFile::Group::Failure>& failures) {
        for (const WholeFile::Group::Failure& failure : failures) {
            refusals[static_cast<size_t>(failure.id)] =
                ImageExport::saveFailureMessage(pathOf(failure.id), failure.reason);
            undecodable[static_cast<size_t>(failure.id)] = false;
        }
    };
    auto work = [&](bool showsProgress) {
        qsizetype i = 0;
        auto pictures = std::make_unique<WholeFile::Group>(outDir.path());
        Drawer drawer(args, request, [&](const QString& path, const QByteArray& bytes) {
            return pictures->add(i, path, bytes);
        });
        // A full group is synced and named while the next one is drawn: the sync mostly waits
        // for the disk. One group at a time is in the hands of the disk.
        std::future<std::vector<WholeFile::Group::Failure>> syncing;
        const auto commit = [&] {
            if (syncing.valid()) noteFailures(syncing.get());
            syncing = std::async(std::launch::async,
                                 [group = std::move(pictures)] { return group->commit(); });
            pictures = std::make_unique<WholeFile::Group>(outDir.path());
        };
        while (Jobs::stopSignal() == 0) {
            i = next++;
            if (i >= lines.size()) break;
            const auto notText = read->notText.constFind(i);
            refusals[static_cast<size_t>(i)] =
                notText != read->notText.cend()
                    ? std::optional(*notText)
                    : drawer.drawAndSave(lines[i], pathOf(i), format, true);
            undecodable[static_cast<size_t>(i)] =
                !refusals[static_cast<size_t>(i)] && !drawer.writtenDecodes();
            ++done;
            if (showsProgress) progress.step(done);
            if (pictures->pending() >= groupSize) commit();
        }
        if (syncing.valid()) noteFailures(syncing.get());
        noteFailures(pictures->commit());
    };
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < helpers && t + 1 < static_cast<unsigned>(lines.size()); ++t)
        threads.emplace_back(work, false);
    work(true);
    for (std::thread& thread : threads)
        thread.join();
    const int signal = Jobs::stopSignal();
    signal == 0 ? progress.step(lines.size()) : progress.stop();

    int refused = 0;
    std::optional<qsizetype> firstUndecodable;
    for (size_t i = 0; i < refusals.size(); ++i) {
        if (refusals[i]) {
            printError(QStringLiteral("line %1: %2").arg(i + 1).arg(*refusals[i]));
            ++refused;
        }
        if (!undecodable[i]) continue;
        if (!firstUndecodable) firstUndecodable = qsizetype(i);
        printError(QStringLiteral("warning: line %1: the picture does not decode").arg(i + 1));
    }
    // The nearest width positions depend on the text: named for the first such line only, so
    // that a long list stays quick.
    if (firstUndecodable)
        printError(QStringLiteral("warning: for line %1: ").arg(*firstUndecodable + 1) +
                   undecodableWarning(Drawer(args, request).windowInputs(lines[*firstUndecodable]))
                       .mid(QStringLiteral("warning: ").size()));
    if (signal != 0) {
        printError(QStringLiteral("%1: interrupted after %2 of %3 lines")
                       .arg(QString::fromLatin1(CommandLine::kProgram))
                       .arg(done.load())
                       .arg(lines.size()));
        return 128 + signal; // as the shell reports a program the signal ended
    }
    return refused == 0 ? 0 : kExitRefused;
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

} // namespace

// The program's main, for the quick start to hand over to.
extern "C" [[gnu::visibility("default")]] int barcode_desk_cli_full(int argc, char** argv) {
    const auto parsed = CommandLine::parse(Jobs::utf8Arguments(argc, argv));
    if (const auto* problem = std::get_if<CommandLine::UsageProblem>(&parsed))
        return usageProblem(problem->message, problem->command);
    const Invocation& invocation = std::get<Invocation>(parsed);
    if (invocation.request != Invocation::Request::Run) return Jobs::answer(invocation);
    qInstallMessageHandler(quietQtMessages);
    std::optional<QTemporaryDir> privateFolder; // outlives the application
    std::unique_ptr<QCoreApplication> app;
    // Text under the bars needs fonts, and fonts need a platform plugin, which only a
    // QGuiApplication loads; bars alone are drawn under a QCoreApplication, which starts in a
    // fraction of the time.
    if (Jobs::printsText(invocation)) {
        removeStrandedFolders();
        privateFolder.emplace(QDir::tempPath() + QStringLiteral("/") + kPrivateFolderPrefix +
                              QString::number(::getpid()) + QStringLiteral("-XXXXXX"));
        prepareFontSetUp(*privateFolder);
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    return run(invocation);
}
