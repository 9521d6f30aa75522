#include "cli/Verify.h"

#include "cli/PictureStreams.h"
#include "cli/VerifyMatrix.h"
#include "decode/Grade2D.h"
#include "decode/ReadingEngine.h"
#include "decode/ScanGrade.h"
#include "output/MatrixReport.h"
#include "output/ScanReport.h"
#include "output/WholeFile.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <optional>

namespace {

using ScanGrade::Parameter;

double rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

// A parameter over the whole symbol: its worst line, by grade and then by value.
struct Worst {
    double value;
    int grade;
};

Worst worstOf(const ScanGrade::Symbol& symbol, Parameter parameter) {
    const auto p = static_cast<std::size_t>(parameter);
    const bool lowerIsBetter = parameter == Parameter::Defects;
    Worst worst{symbol.lines.front().values[p], symbol.lines.front().grades[p]};
    for (const ScanGrade::Line& line : symbol.lines) {
        const bool worseValue =
            lowerIsBetter ? line.values[p] > worst.value : line.values[p] < worst.value;
        if (line.grades[p] < worst.grade || (line.grades[p] == worst.grade && worseValue))
            worst = {line.values[p], line.grades[p]};
    }
    return worst;
}

QJsonObject parameterObject(double value, int grade) {
    return {{QStringLiteral("value"), rounded(value, 3)},
            {QStringLiteral("grade"), QString(ScanGrade::letterOf(grade))}};
}

// Which way a line decoded, in the picture's terms: lines across upright bars run left to right,
// lines across bars that lie flat top to bottom.
QString directionOf(const ScanGrade::Line& line) {
    const QPointF run = line.to - line.from;
    const bool down = std::abs(run.y()) > std::abs(run.x());
    if (!line.reversed)
        return down ? QStringLiteral("top to bottom") : QStringLiteral("left to right");
    return down ? QStringLiteral("bottom to top") : QStringLiteral("right to left");
}

QJsonObject lineObject(const ScanGrade::Line& line) {
    QJsonObject parameters;
    for (int p = 0; p < ScanGrade::kParameterCount; ++p)
        parameters.insert(
            ScanGrade::parameterName(Parameter(p)),
            parameterObject(line.values[std::size_t(p)], line.grades[std::size_t(p)]));
    const auto point = [](QPointF p) { return QJsonArray{rounded(p.x(), 1), rounded(p.y(), 1)}; };
    return {{QStringLiteral("y"), line.y},
            {QStringLiteral("from"), point(line.from)},
            {QStringLiteral("to"), point(line.to)},
            {QStringLiteral("grade"), QString(ScanGrade::letterOf(line.grade()))},
            {QStringLiteral("text"), line.text},
            {QStringLiteral("direction"), directionOf(line)},
            {QStringLiteral("quietZoneTooNarrow"), line.quietZoneTooNarrow},
            {QStringLiteral("quietZones"),
             QJsonArray{rounded(line.quietZones[0], 2), rounded(line.quietZones[1], 2)}},
            {QStringLiteral("parameters"), parameters}};
}

// The picture's own blur in modules of the symbol.
double blurModules(const ScanGrade::Symbol& symbol) {
    const double x = symbol.moduleWidth();
    return x > 0 ? symbol.blur / x : 0;
}

QJsonObject symbolObject(const ScanGrade::Symbol& symbol) {
    QJsonObject parameters;
    for (int p = 0; p < ScanGrade::kParameterCount; ++p) {
        const Worst worst = worstOf(symbol, Parameter(p));
        parameters.insert(ScanGrade::parameterName(Parameter(p)),
                          parameterObject(worst.value, worst.grade));
    }
    QJsonArray lines;
    for (const ScanGrade::Line& line : symbol.lines)
        lines.append(lineObject(line));
    const QRect& box = symbol.box;
    QJsonObject object{
        {QStringLiteral("type"), symbol.kind},
        {QStringLiteral("text"), symbol.text},
        {QStringLiteral("box"), QJsonArray{box.x(), box.y(), box.width(), box.height()}},
        {QStringLiteral("grade"), QString(symbol.letter())},
        {QStringLiteral("score"), rounded(symbol.score(), 2)},
        {QStringLiteral("iso"), symbol.isoGrade()},
        {QStringLiteral("aperture"), rounded(symbol.apertureMm, 3)},
        {QStringLiteral("moduleWidth"), rounded(symbol.moduleWidth(), 3)},
        {QStringLiteral("parameters"), parameters},
        {QStringLiteral("worstLine"), symbol.worstLine().y},
        {QStringLiteral("lines"), lines},
        {QStringLiteral("blur"), rounded(blurModules(symbol), 3)},
        {QStringLiteral("restored"), symbol.restored},
        {QStringLiteral("lowBounds"), symbol.lowBounds}};
    if (!symbol.notGraded.isEmpty()) object.insert(QStringLiteral("notGraded"), symbol.notGraded);
    return object;
}

void printText(const ScanGrade::Symbol& symbol) {
    const QRect& box = symbol.box;
    std::printf("%s \"%s\" at %d,%d size %dx%d: grade %c (%.1f)\n", qPrintable(symbol.kind),
                ReadingEngine::shownText(symbol.text).toUtf8().constData(), box.x(), box.y(),
                box.width(), box.height(), symbol.letter().toLatin1(), symbol.score());
    std::printf("  grade %s: aperture %.3f mm, %s\n", qPrintable(symbol.isoGrade()),
                symbol.apertureMm,
                symbol.light == ScanLines::Light::Red ? "red light 660 nm" : "white light");
    const char* blurNote =
        !symbol.lowBounds ? (symbol.restored ? "; blurrier than the aperture: restored" : "")
        : symbol.restored ? "; blurrier than the aperture: restored in part, values are low bounds"
                          : "; blurrier than the aperture: values are low bounds";
    std::printf("  picture: %.1f pixels a module, blur %.2f module%s\n", symbol.moduleWidth(),
                blurModules(symbol), blurNote);
    if (!symbol.notGraded.isEmpty())
        std::printf("  not graded: %s\n", qPrintable(symbol.notGraded));
    for (int p = 0; p < ScanGrade::kParameterCount; ++p) {
        const Worst worst = worstOf(symbol, Parameter(p));
        std::printf("  %-20s %8.3f  %c\n", qPrintable(ScanGrade::parameterName(Parameter(p))),
                    worst.value, ScanGrade::letterOf(worst.grade).toLatin1());
    }
    const ScanGrade::Line& worst = symbol.worstLine();
    std::printf("  worst line: y %d, grade %c%s\n", worst.y,
                ScanGrade::letterOf(worst.grade()).toLatin1(),
                worst.quietZoneTooNarrow ? ", does not decode: quiet zone too narrow"
                : worst.text.isEmpty()   ? ", does not decode"
                                         : "");
    // Upright symbols read left to right as they always did; any other way is worth a word.
    const auto reversed =
        std::find_if(symbol.lines.begin(), symbol.lines.end(),
                     [](const auto& line) { return line.reversed && !line.text.isEmpty(); });
    if (reversed != symbol.lines.end())
        std::printf("  %d of %zu lines decode %s\n", symbol.reversedLines(), symbol.lines.size(),
                    qPrintable(directionOf(*reversed)));
}

// The symbols neither grader measures among those found: PDF417 for now.
QList<ReadingEngine::Found> ungradedSymbols(QList<ReadingEngine::Found> found) {
    found.removeIf([](const ReadingEngine::Found& symbol) {
        return !symbol.isMatrix() || Grade2D::grades(symbol);
    });
    return found;
}

QJsonObject ungradedObject(const ReadingEngine::Found& symbol) {
    const QRect& box = symbol.box;
    QJsonObject object{
        {QStringLiteral("type"), symbol.kind},
        {QStringLiteral("text"), symbol.text},
        {QStringLiteral("box"), QJsonArray{box.x(), box.y(), box.width(), box.height()}},
        {QStringLiteral("modules"), QJsonArray{symbol.rows, symbol.columns}},
        {QStringLiteral("quietZoneKept"), symbol.quietZoneKept}};
    VerifyMatrix::insertDigitalLink(object, symbol.text);
    return object;
}

void printUngraded(const ReadingEngine::Found& symbol) {
    const QRect& box = symbol.box;
    std::printf("%s \"%s\" at %d,%d size %dx%d: %dx%d modules, quiet zone %s; no grade for %s "
                "symbols\n",
                qPrintable(symbol.kind), ReadingEngine::shownText(symbol.text).toUtf8().constData(),
                box.x(), box.y(), box.width(), box.height(), symbol.rows, symbol.columns,
                symbol.quietZoneKept ? "kept" : "too narrow", qPrintable(symbol.kind));
    VerifyMatrix::printDigitalLink(symbol.text);
}

// A 2D symbol without its quiet zone fails, whatever it decodes to here.
bool ungradedPass(const ReadingEngine::Found& symbol) {
    return symbol.quietZoneKept;
}

// One picture's symbols, graded.
struct Graded {
    QString path;
    QImage picture;
    std::vector<ScanGrade::Symbol> linear;
    std::vector<Grade2D::Symbol> matrix;
    QList<ReadingEngine::Found> ungraded;

    bool empty() const { return linear.empty() && matrix.empty() && ungraded.isEmpty(); }
    bool allPass() const {
        return !empty() && (linear.empty() || ScanGrade::allPass(linear)) &&
               std::all_of(matrix.begin(), matrix.end(), VerifyMatrix::passes) &&
               std::all_of(ungraded.begin(), ungraded.end(), ungradedPass);
    }
    QJsonObject object() const {
        QJsonArray list;
        for (const ScanGrade::Symbol& symbol : linear)
            list.append(symbolObject(symbol));
        for (const Grade2D::Symbol& symbol : matrix)
            list.append(VerifyMatrix::symbolObject(symbol));
        QJsonObject object{{QStringLiteral("symbols"), list}};
        if (!ungraded.isEmpty()) {
            QJsonArray others;
            for (const ReadingEngine::Found& symbol : ungraded)
                others.append(ungradedObject(symbol));
            object.insert(QStringLiteral("ungraded"), others);
        }
        return object;
    }
    void print() const {
        if (empty()) std::printf("no symbol found\n");
        for (const ScanGrade::Symbol& symbol : linear)
            printText(symbol);
        for (const Grade2D::Symbol& symbol : matrix)
            VerifyMatrix::printText(symbol);
        for (const ReadingEngine::Found& symbol : ungraded)
            printUngraded(symbol);
    }
};

// A parameter as the mean over pictures sees it: its value and grade (4 to 0), or no grade for
// one that is only reported.
struct ParameterScore {
    QString name;
    double value;
    std::optional<double> grade;
};

// A symbol as the mean over pictures sees it: its type, text, score, aperture, light and
// parameters.
struct Scored {
    QString type, text;
    double score;
    double apertureMm;
    ScanLines::Light light;
    std::vector<ParameterScore> parameters;
};

std::vector<ParameterScore> parametersOf(const ScanGrade::Symbol& symbol) {
    std::vector<ParameterScore> parameters;
    for (int p = 0; p < ScanGrade::kParameterCount; ++p) {
        const Worst worst = worstOf(symbol, Parameter(p));
        parameters.push_back({ScanGrade::parameterName(Parameter(p)), worst.value, worst.grade});
    }
    return parameters;
}

std::vector<ParameterScore> parametersOf(const Grade2D::Symbol& symbol) {
    std::vector<ParameterScore> parameters;
    for (int p = 0; p < Grade2D::kParameterCount; ++p) {
        const auto parameter = Grade2D::Parameter(p);
        const Grade2D::Measurement& m = symbol[parameter];
        parameters.push_back(
            {Grade2D::parameterName(parameter), m.value,
             Grade2D::isGraded(parameter) ? std::optional<double>(m.grade) : std::nullopt});
    }
    return parameters;
}

std::vector<Scored> scoredOf(const Graded& graded) {
    std::vector<Scored> scored;
    for (const ScanGrade::Symbol& s : graded.linear)
        scored.push_back({s.kind, s.text, s.score(), s.apertureMm, s.light, parametersOf(s)});
    for (const Grade2D::Symbol& s : graded.matrix)
        if (s.graded())
            scored.push_back({s.kind, s.text, s.score(), s.apertureMm, s.light, parametersOf(s)});
    return scored;
}

// Adds `other`'s parameters to `sum`'s, name by name (both of one symbology).
void addParameters(std::vector<ParameterScore>& sum, const std::vector<ParameterScore>& other) {
    for (std::size_t i = 0; i < sum.size() && i < other.size(); ++i) {
        sum[i].value += other[i].value;
        if (sum[i].grade && other[i].grade) *sum[i].grade += *other[i].grade;
    }
}

// The symbols found in every picture with the same type and text, each with its mean score.
std::vector<Scored> meansOf(const std::vector<Graded>& pictures) {
    std::vector<Scored> means;
    for (const Scored& first : scoredOf(pictures.front())) {
        Scored mean = first;
        bool everywhere = true;
        for (std::size_t i = 1; i < pictures.size() && everywhere; ++i) {
            const auto there = scoredOf(pictures[i]);
            const auto same = std::find_if(there.begin(), there.end(), [&](const Scored& s) {
                return s.type == first.type && s.text == first.text;
            });
            everywhere = same != there.end();
            if (everywhere) {
                mean.score += same->score;
                mean.apertureMm += same->apertureMm;
                addParameters(mean.parameters, same->parameters);
            }
        }
        if (!everywhere) continue;
        const double count = double(pictures.size());
        mean.score /= count;
        mean.apertureMm /= count;
        for (ParameterScore& parameter : mean.parameters) {
            parameter.value /= count;
            if (parameter.grade) *parameter.grade /= count;
        }
        means.push_back(mean);
    }
    return means;
}

// Each parameter's mean value, and the mean of its grades as a score and the letter of that
// score, as the symbol's own mean grade is taken.
QJsonObject meanObject(const Scored& mean) {
    QJsonObject parameters;
    for (const ParameterScore& parameter : mean.parameters) {
        QJsonObject entry{{QStringLiteral("value"), rounded(parameter.value, 3)}};
        if (parameter.grade) {
            entry.insert(QStringLiteral("grade"), QString(ScanGrade::letterOf(*parameter.grade)));
            entry.insert(QStringLiteral("score"), rounded(*parameter.grade, 2));
        }
        parameters.insert(parameter.name, entry);
    }
    return {{QStringLiteral("type"), mean.type},
            {QStringLiteral("text"), mean.text},
            {QStringLiteral("grade"), QString(ScanGrade::letterOf(mean.score))},
            {QStringLiteral("score"), rounded(mean.score, 2)},
            {QStringLiteral("iso"), Grade2D::isoForm(mean.score, mean.apertureMm, mean.light)},
            {QStringLiteral("parameters"), parameters}};
}

void printMean(const Scored& mean, std::size_t pictures) {
    std::printf("mean of %zu pictures: %s \"%s\": grade %c (%.1f), %s\n", pictures,
                qPrintable(mean.type), ReadingEngine::shownText(mean.text).toUtf8().constData(),
                ScanGrade::letterOf(mean.score).toLatin1(), mean.score,
                qPrintable(Grade2D::isoForm(mean.score, mean.apertureMm, mean.light)));
    for (const ParameterScore& parameter : mean.parameters) {
        if (parameter.grade)
            std::printf("  %-22s %8.3f  %c (%.1f)\n", qPrintable(parameter.name), parameter.value,
                        ScanGrade::letterOf(*parameter.grade).toLatin1(), *parameter.grade);
        else
            std::printf("  %-22s %8.3f\n", qPrintable(parameter.name), parameter.value);
    }
}

} // namespace

ScanGrade::Options verifyOptions(const CommandLine::Invocation& invocation) {
    ScanGrade::Options options;
    if (invocation.value(QStringLiteral("light")) == u"grey")
        options.light = ScanLines::Light::Grey;
    options.apertureMm = invocation.value(QStringLiteral("aperture")).toDouble();
    options.dpi = invocation.value(QStringLiteral("dpi")).toDouble();
    options.reach = ReadingEngine::Reach::Every;
    if (invocation.has(QStringLiteral("thorough")))
        options.finding = ScanGrade::Options::Finding::Always;
    return options;
}

namespace {

std::optional<Graded> gradePicture(const QString& inPath, const ScanGrade::Options& options) {
    const auto loaded = PictureStreams::load(inPath);
    if (const auto* failure = std::get_if<QString>(&loaded)) {
        std::fprintf(stderr, "%s\n", failure->toLocal8Bit().constData());
        return std::nullopt;
    }
    const QImage& picture = std::get<QImage>(loaded);
    const QList<ReadingEngine::Found> found = ReadingEngine::findSymbols(picture, options.reach);
    Graded graded{inPath, picture, ScanGrade::gradeFound(picture, found, options),
                  Grade2D::gradeFound(picture, found, {options.light, options.apertureMm}),
                  ungradedSymbols(found)};
    return graded;
}

// The report on the first graded symbol: a linear one's, or a QR Code's or Data Matrix's.
int writeReport(const Graded& graded, const QString& reportPath) {
    const auto matrix = std::find_if(graded.matrix.begin(), graded.matrix.end(),
                                     [](const Grade2D::Symbol& s) { return s.graded(); });
    if (graded.linear.empty() && matrix == graded.matrix.end()) {
        std::fprintf(stderr, graded.empty() ? "No report written: no symbol found\n"
                                            : "No report written: no graded symbol found\n");
        return 1;
    }
    const auto format = ScanReport::formatOf(reportPath).value_or(ScanReport::Format::Pdf);
    const QString name = graded.path == u"-" ? QStringLiteral("standard input") : graded.path;
    const QByteArray report =
        graded.linear.empty()
            ? MatrixReport::reportBytes(graded.picture, *matrix, name, format)
            : ScanReport::reportBytes(graded.picture, graded.linear.front(), name, format);
    const auto failure = report.isEmpty() ? std::optional(QStringLiteral("cannot draw it"))
                                          : WholeFile::write(reportPath, report);
    if (failure) {
        std::fprintf(stderr, "Cannot write the report %s: %s\n",
                     reportPath.toLocal8Bit().constData(), failure->toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

} // namespace

int verifyPictures(const QStringList& inPaths, bool json, const ScanGrade::Options& options,
                   const QString& reportPath) {
    std::vector<Graded> pictures;
    for (const QString& path : inPaths) {
        auto graded = gradePicture(path, options);
        if (!graded) return 1;
        pictures.push_back(std::move(*graded));
    }
    if (pictures.empty()) return 1;
    bool allPass = false;
    if (pictures.size() == 1) {
        allPass = pictures.front().allPass();
        if (json) {
            const QByteArray out =
                QJsonDocument(pictures.front().object()).toJson(QJsonDocument::Compact);
            std::printf("%s\n", out.constData());
        } else {
            pictures.front().print();
        }
    } else {
        const std::vector<Scored> means = meansOf(pictures);
        allPass = !means.empty() && std::all_of(means.begin(), means.end(), [](const Scored& m) {
            return m.score >= ScanGrade::kLowestPassingScore;
        });
        if (json) {
            QJsonArray list, meanList;
            for (const Graded& graded : pictures) {
                QJsonObject object = graded.object();
                object.insert(QStringLiteral("in"), graded.path);
                list.append(object);
            }
            for (const Scored& mean : means)
                meanList.append(meanObject(mean));
            const QJsonObject all{{QStringLiteral("pictures"), list},
                                  {QStringLiteral("mean"), meanList}};
            std::printf("%s\n", QJsonDocument(all).toJson(QJsonDocument::Compact).constData());
        } else {
            for (const Graded& graded : pictures) {
                std::printf("%s:\n", graded.path.toLocal8Bit().constData());
                graded.print();
            }
            if (means.empty()) std::printf("no symbol found in every picture\n");
            for (const Scored& mean : means)
                printMean(mean, pictures.size());
        }
    }
    if (!reportPath.isEmpty() && writeReport(pictures.front(), reportPath) != 0) return 1;
    return allPass ? 0 : 1;
}

bool pictureDecodes(const QImage& picture) {
    const int h = picture.height();
    return ReadingEngine::decodesAlongRows(picture, {h / 4, h / 3, h / 2}) ||
           ScanCheck::decodes(picture);
}

QString undecodableWarning(const std::optional<ScanCheck::DrawInputs>& window) {
    QString warning = QStringLiteral("warning: the picture does not decode");
    if (!window) return warning;
    const QList<int> widths = ScanCheck::nearestWidths(*window, pictureDecodes);
    if (!widths.isEmpty())
        warning += QStringLiteral("; --width %1 draw%2 one that does")
                       .arg(ScanCheck::positionList(widths, u"or"),
                            widths.size() == 1 ? QStringLiteral("s") : QString());
    return warning + QStringLiteral("; --scale draws one that always does");
}
