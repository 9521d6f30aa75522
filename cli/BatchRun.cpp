#include "cli/BatchRun.h"

#include "cli/CodeTexts.h"
#include "cli/Jobs.h"
#include "cli/SymbolRequests.h"
#include "output/ImageExport.h"
#include "output/WholeFile.h"

#include <QDir>
#include <QHash>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <future>
#include <mutex>
#include <thread>

#include <sys/resource.h>
#include <unistd.h>

namespace BatchRun {
namespace {

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

} // namespace

unsigned workers() {
    return std::min(std::max(std::thread::hardware_concurrency(), 1u), 8u);
}

// Lines are drawn by one worker per core, each with its own pictures; refusals are reported
// in line order once all are done. Interrupted, the workers finish the lines in hand, which
// leaves lines 1 to N drawn. A picture gets its name only once it is whole on disk.
int run(const CommandLine::Invocation& args, const DrawerFactory& makeDrawer,
        const std::function<SlowChecks*()>& slowChecks) {
    const auto format = *CommandLine::pictureFormat(args);
    // The list is read before anything is made, so a wrong list leaves no trace.
    const QString listPath = args.value(QStringLiteral("in"));
    const std::optional<ListLines> read = readLines(listPath);
    if (!read) {
        Jobs::printError(QStringLiteral("Cannot read %1.").arg(listPath));
        return Jobs::kExitRefused;
    }
    const QStringList& lines = read->lines;
    const QDir outDir(args.value(QStringLiteral("out-dir")));
    if (!QDir().mkpath(outDir.path())) {
        Jobs::printError(QStringLiteral("Cannot create %1.").arg(outDir.path()));
        return Jobs::kExitRefused;
    }
    const QString extension = QString::fromLatin1(ImageExport::entryOf(format).word);
    if (const auto request = SymbolRequests::symbolRequestOf(args, format))
        SymbolRequests::warnOfRoundedXDimension(*request);
    // Workers take no further line once a signal came, so every line taken is drawn and saved
    // whole.
    Jobs::stopOnInterruption(false);

    std::vector<std::optional<QString>> refusals(static_cast<size_t>(lines.size()));
    std::vector<char> decodes(static_cast<size_t>(lines.size()), true);
    std::vector<Unsettled> unsettled;
    std::mutex unsettledLock;
    std::atomic<qsizetype> next{0}, done{0};
    Progress progress(lines.size());
    const unsigned helpers = workers() - 1;
    const qsizetype groupSize = picturesPerSync(helpers + 1);
    const auto pathOf = [&](qsizetype i) {
        return outDir.filePath(
            QStringLiteral("%1.%2").arg(i + 1, 6, 10, QChar(u'0')).arg(extension));
    };
    // Failures of a group, once its sync is over, go to the lines they concern.
    const auto noteFailures = [&](const std::vector<WholeFile::Group::Failure>& failures) {
        for (const WholeFile::Group::Failure& failure : failures)
            refusals[static_cast<size_t>(failure.id)] =
                ImageExport::saveFailureMessage(pathOf(failure.id), failure.reason);
    };
    auto work = [&](bool showsProgress) {
        qsizetype i = 0;
        auto pictures = std::make_unique<WholeFile::Group>(outDir.path());
        const std::unique_ptr<LineDrawer> drawer =
            makeDrawer([&](const QString& path, const QByteArray& bytes) {
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
            refusals[static_cast<size_t>(i)] = notText != read->notText.cend()
                                                   ? std::optional(*notText)
                                                   : drawer->drawAndSave(lines[i], pathOf(i));
            if (!refusals[static_cast<size_t>(i)]) {
                Decoding decoding = drawer->writtenDecodes();
                if (const bool* settled = std::get_if<bool>(&decoding)) {
                    decodes[static_cast<size_t>(i)] = *settled;
                } else {
                    const std::lock_guard hold(unsettledLock);
                    unsettled.push_back({i, std::move(std::get<QByteArray>(decoding))});
                }
            }
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

    // The pictures the drawers did not settle, unless they did not reach their names.
    std::erase_if(unsettled, [&](const Unsettled& picture) {
        return refusals[static_cast<size_t>(picture.line)].has_value();
    });
    std::sort(unsettled.begin(), unsettled.end(),
              [](const Unsettled& a, const Unsettled& b) { return a.line < b.line; });
    SlowChecks* checks = nullptr;
    bool settled = true;
    if (!unsettled.empty()) {
        checks = slowChecks();
        settled = checks != nullptr;
        const std::vector<char> settledDecodes =
            checks ? checks->decode(unsettled) : std::vector<char>(unsettled.size(), true);
        for (size_t u = 0; u < unsettled.size(); ++u)
            decodes[static_cast<size_t>(unsettled[u].line)] = settledDecodes[u];
    }

    int refused = 0;
    std::optional<qsizetype> firstUndecodable;
    for (size_t i = 0; i < refusals.size(); ++i) {
        if (refusals[i]) {
            Jobs::printError(QStringLiteral("line %1: %2").arg(i + 1).arg(*refusals[i]));
            ++refused;
            continue;
        }
        if (decodes[i]) continue;
        if (!firstUndecodable) firstUndecodable = qsizetype(i);
        Jobs::printError(
            QStringLiteral("warning: line %1: the picture does not decode").arg(i + 1));
    }
    // The nearest width positions depend on the text: named for the first such line only, so
    // that a long list stays quick.
    if (firstUndecodable && (checks || (checks = slowChecks())))
        Jobs::printError(QStringLiteral("warning: for line %1: ").arg(*firstUndecodable + 1) +
                         checks->undecodableWarning(lines[*firstUndecodable]));
    if (signal != 0) {
        Jobs::printError(QStringLiteral("%1: interrupted after %2 of %3 lines")
                             .arg(QString::fromLatin1(CommandLine::kProgram))
                             .arg(done.load())
                             .arg(lines.size()));
        return 128 + signal; // as the shell reports a program the signal ended
    }
    return refused == 0 && settled ? 0 : Jobs::kExitRefused;
}

} // namespace BatchRun
