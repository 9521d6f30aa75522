#include "decode/ScanGrade.h"

#include "decode/EdgeSpread.h"
#include "decode/GradeRule.h"
#include "decode/GradingFloor.h"
#include "decode/LineDecode.h"
#include "decode/LineSweep.h"
#include "decode/ReadingEngine.h"
#include "decode/Restoration.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

namespace ScanGrade {

namespace {

// How a measurement turns into a grade: pass (4) at the first limit or fail (0), or by the
// limits for A, B, C, D.
using GradeRule::Scale;
struct Rule {
    Parameter parameter;
    const char* name;
    Scale scale;
    std::array<double, 4> limits; // A, B, C, D; a pass/fail rule uses only the first
};

constexpr Rule kRules[kParameterCount] = {
    {Parameter::Decode, "decode", Scale::PassFail, {1}},
    {Parameter::SymbolContrast, "symbolContrast", Scale::AtLeast, {70, 55, 40, 20}},
    {Parameter::MinimumReflectance, "minimumReflectance", Scale::PassFail, {}},
    {Parameter::MinimumEdgeContrast, "minimumEdgeContrast", Scale::AtLeast, {15, 15, 15, 15}},
    {Parameter::Modulation, "modulation", Scale::AtLeast, {0.70, 0.60, 0.50, 0.40}},
    {Parameter::Defects, "defects", Scale::AtMost, {0.15, 0.20, 0.25, 0.30}},
    {Parameter::Decodability, "decodability", Scale::AtLeast, {0.62, 0.50, 0.37, 0.25}},
};
constexpr bool rulesInParameterOrder() {
    for (int i = 0; i < kParameterCount; ++i)
        if (static_cast<int>(kRules[i].parameter) != i) return false;
    return true;
}
static_assert(rulesInParameterOrder());

int gradeOf(const Rule& rule, double value) {
    return GradeRule::gradeOf(rule.scale, rule.limits, value);
}

// A run of samples on one side of the threshold. Its ends are the sub-pixel crossings.
struct Element {
    double start;
    double end;
    bool dark;
    double low = 100, high = 0; // its extreme reflectances
    double nonUniformity = 0;   // from its highest peak to its lowest valley inside it
    double width() const { return end - start; }
};

std::vector<Element> elementsOf(std::span<const double> r, double threshold) {
    std::vector<Element> elements;
    if (r.empty()) return elements;
    double start = 0;
    bool dark = r[0] < threshold;
    for (std::size_t i = 0; i + 1 < r.size(); ++i) {
        const bool nextDark = r[i + 1] < threshold;
        if (nextDark == dark) continue;
        const double edge = double(i) + 0.5 + (threshold - r[i]) / (r[i + 1] - r[i]);
        elements.push_back({start, edge, dark});
        start = edge;
        dark = nextDark;
    }
    elements.push_back({start, double(r.size()), dark});

    // Sample k, taken at k + 0.5, belongs to the element that holds that point.
    std::size_t k = 0;
    for (Element& e : elements) {
        const std::size_t first = k;
        while (k < r.size() && double(k) + 0.5 < e.end)
            ++k;
        double innerPeak = -1, innerValley = 101;
        for (std::size_t j = first; j < k; ++j) {
            e.low = std::min(e.low, r[j]);
            e.high = std::max(e.high, r[j]);
            if (j == first || j + 1 >= k) continue;
            if (r[j] > r[j - 1] && r[j] >= r[j + 1]) innerPeak = std::max(innerPeak, r[j]);
            if (r[j] < r[j - 1] && r[j] <= r[j + 1]) innerValley = std::min(innerValley, r[j]);
        }
        if (e.dark && innerPeak >= 0) e.nonUniformity = innerPeak - e.low;
        if (!e.dark && innerValley <= 100) e.nonUniformity = e.high - innerValley;
    }
    return elements;
}

struct Profile {
    std::span<const double> samples;
    double offset; // of the first sample in the row
    double threshold;
    std::vector<Element> elements;
    std::vector<double> widths;
};

// The samples from `from` to `to`, split into elements at the threshold midway between the
// extremes of those from `thresholdFrom` to `thresholdTo` (by default, the same).
Profile profileOf(std::span<const double> row, double from, double to,
                  std::optional<std::pair<double, double>> thresholdSpan = std::nullopt) {
    const auto clampedTo = [&](double from, double to) {
        const auto lo =
            static_cast<std::size_t>(std::clamp(std::floor(from), 0.0, double(row.size())));
        const auto hi =
            static_cast<std::size_t>(std::clamp(std::ceil(to), double(lo), double(row.size())));
        return row.subspan(lo, hi - lo);
    };
    const std::span<const double> samples = clampedTo(from, to);
    Profile p{samples, double(samples.data() - row.data()), 50, {}, {}};
    const std::span<const double> judged =
        thresholdSpan ? clampedTo(thresholdSpan->first, thresholdSpan->second) : samples;
    if (!judged.empty()) {
        const auto [low, high] = std::minmax_element(judged.begin(), judged.end());
        p.threshold = (*low + *high) / 2;
    }
    p.elements = elementsOf(p.samples, p.threshold);
    for (const Element& e : p.elements)
        p.widths.push_back(e.width());
    return p;
}

struct Found {
    LineDecode::Decoded decoded;
    int first;                        // element index of the first bar
    bool quietZonesClear;             // as wide as the symbology asks on both sides
    std::array<double, 2> quietZones; // the light beside the bars, in modules, as measured
};

bool withAddOn(LineDecode::Linear symbology, const QString& text) {
    return LineDecode::takesAddOn(symbology) && text.contains(u' ');
}

// How much wider the bars are printed than the spaces between them, in modules: half the
// difference between the one-module bars and the one-module spaces. Ink spread and blur move
// every dark edge outwards by half of it, a quiet zone mark's as much as a bar's.
double barGrowthOf(const Profile& p, int first, int count, double moduleWidth) {
    double bars = 0, spaces = 0;
    int barCount = 0, spaceCount = 0;
    for (int i = first; i < first + count; ++i) {
        const Element& e = p.elements[std::size_t(i)];
        if (e.width() >= 1.5 * moduleWidth) continue;
        (e.dark ? bars : spaces) += e.width();
        ++(e.dark ? barCount : spaceCount);
    }
    if (barCount == 0 || spaceCount == 0) return 0;
    return (bars / barCount - spaces / spaceCount) / 2 / moduleWidth;
}

// A quiet zone passes when, its edges corrected for the bar growth, it falls short of the
// symbology's minimum by less than this many modules: a mark printed at the minimum passes, one
// printed a module short fails.
constexpr double kQuietZoneTolerance = 0.25;

// The symbol decoded from a bar starting near `firstBarNear`, preferably one with clear quiet
// zones.
std::optional<Found> decodeNear(const Profile& p, LineDecode::Linear symbology, const QString& text,
                                double firstBarNear, double tolerance) {
    const bool addOn = withAddOn(symbology, text);
    const QuietZone quiet = LineDecode::quietZoneOf(symbology, addOn);
    std::optional<Found> cramped;
    const int count = int(p.elements.size());
    for (int i = 1; i < count; ++i) {
        const Element& e = p.elements[std::size_t(i)];
        if (!e.dark || std::abs(p.offset + e.start - firstBarNear) > tolerance) continue;
        const auto decoded = LineDecode::decode(symbology, p.widths, i, addOn);
        if (!decoded || decoded->text != text) continue;
        const int after = i + decoded->elementCount;
        const double x = decoded->moduleWidth;
        const std::array<double, 2> zones{p.widths[std::size_t(i - 1)] / x,
                                          after < count ? p.widths[std::size_t(after)] / x : 0};
        // Each dark edge beside a zone, the bar's and any mark's, has moved by half the growth.
        const double halfGrowth = barGrowthOf(p, i, decoded->elementCount, x) / 2;
        const double before = zones[0] + halfGrowth * (i >= 2 ? 2 : 1);
        const double behind = zones[1] + halfGrowth * (after + 1 < count ? 2 : 1);
        // Edges between samples are placed to a fraction of a pixel, not exactly.
        const double slack = kQuietZoneTolerance + 0.5 / x;
        const bool clear = before + slack >= quiet.before && behind + slack >= quiet.after;
        if (clear) return Found{*decoded, i, true, zones};
        if (!cramped) cramped = Found{*decoded, i, false, zones};
    }
    return cramped;
}

void measure(const Profile& p, Line& line) {
    line.threshold = p.threshold;
    line.measured = {p.offset, p.offset + double(p.samples.size())};
    auto& v = line.values;
    if (p.samples.empty()) return;
    const auto [low, high] = std::minmax_element(p.samples.begin(), p.samples.end());
    const double contrast = *high - *low;
    v[int(Parameter::SymbolContrast)] = contrast;
    v[int(Parameter::MinimumReflectance)] = *low;
    double edgeContrast = p.elements.size() > 1 ? 100 : 0, nonUniformity = 0;
    for (std::size_t i = 0; i < p.elements.size(); ++i) {
        const Element& e = p.elements[i];
        nonUniformity = std::max(nonUniformity, e.nonUniformity);
        if (i == 0) continue;
        const Element& before = p.elements[i - 1];
        edgeContrast = std::min(edgeContrast, e.dark ? before.high - e.low : e.high - before.low);
    }
    v[int(Parameter::MinimumEdgeContrast)] = edgeContrast;
    v[int(Parameter::Modulation)] = contrast > 0 ? edgeContrast / contrast : 0;
    v[int(Parameter::Defects)] = contrast > 0 ? nonUniformity / contrast : 1;
    line.grades = {};
    for (const Rule& rule : kRules)
        line.grades[std::size_t(rule.parameter)] = gradeOf(rule, v[std::size_t(rule.parameter)]);
    // The minimum reflectance passes by its relation to the maximum, not by a limit of its own.
    const bool darkEnough = *low <= 0.5 * *high;
    line.grades[int(Parameter::MinimumReflectance)] = darkEnough ? 4 : 0;
}

constexpr int kScanLines = 10;
// Application standards tie the measuring aperture to the X-dimension: 0.8 X by default.
constexpr double kApertureOfX = 0.8;
constexpr double kMmPerInch = 25.4;
// GS1's apertures, for a picture whose true resolution is known: 6 mil for EAN and UPC, 10 mil
// for ITF-14 and GS1-128 from an X-dimension of 0.495 mm.
constexpr double kRetailApertureMm = 0.15, kLogisticApertureMm = 0.25, kLogisticLeastXMm = 0.495;
// A picture whose edges rise within about a pixel (a Gaussian of this many pixels) is drawn,
// not photographed: its few pixels a module still measure exactly.
constexpr double kSharpest = 0.45;

double medianOf(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + long(values.size() / 2), values.end());
    return values[values.size() / 2];
}

// The aperture a symbol of X-dimension `xMm` is measured with, in millimetres.
double apertureMmOf(const Symbol& symbol, double xMm, const Options& options) {
    if (options.dpi > 0) {
        if (LineDecode::takesAddOn(symbol.symbology)) return kRetailApertureMm;
        const bool logistic = symbol.kind == u"ITF-14" || symbol.kind == u"GS1-128";
        if (logistic && xMm >= kLogisticLeastXMm) return kLogisticApertureMm;
    }
    return kApertureOfX * xMm;
}

// About how many modules wide the symbol is, for a picture too poor to measure it on.
// Without any add-on, which the engine may see or not.
double nominalModules(LineDecode::Linear symbology, const QString& text) {
    using LineDecode::Linear;
    const double characters = double(text.size());
    switch (symbology) {
    case Linear::Ean13:
    case Linear::UpcA:
        return 95;
    case Linear::Ean8:
        return 67;
    case Linear::UpcE:
        return 51;
    case Linear::Code128:
        return 11 * (characters + 2) + 13; // start, text, check, stop, one set at most
    case Linear::Code39:
        return 16 * (characters + 2) - 1; // wide three times narrow
    case Linear::Itf:
        return 8 * characters + 9; // wide two and a half times narrow
    case Linear::Code93:
        return 9 * (characters + 4) + 1; // start, text, two checks, stop
    case Linear::Codabar:
        return 11 * (characters + 2) - 1;
    }
    return 95;
}

// An add-on with the usual gap before it, in modules.
double addOnModules(LineDecode::Linear symbology, const QString& text) {
    if (!withAddOn(symbology, text)) return 0;
    return text.size() - text.indexOf(u' ') - 1 == 2 ? 29 : 56;
}

// How far scan lines reach beyond the bars: over the widest quiet zone the symbol asks for and
// two modules more, with room for an X-dimension a quarter wider than the nominal one (Code 39
// and Interleaved 2 of 5 print their wide elements narrower than the nominal ratio allows).
double lineMargin(LineDecode::Linear symbology, const QString& text, double nominalX) {
    const QuietZone quiet = LineDecode::quietZoneOf(symbology, withAddOn(symbology, text));
    return 1.25 * (std::max(quiet.before, quiet.after) + 2) * nominalX + 2;
}

// The engine's corners and box of a symbol, reaching `share` of its length further on, over an
// add-on that the engine's corners leave out; a little light beyond one they include does no
// harm. The scan lines then keep below the add-on's digits.
std::pair<std::array<QPointF, 4>, QRect> reachingOver(const ReadingEngine::Found& found,
                                                      double share) {
    std::array<QPointF, 4> corners = found.corners;
    QRect box = found.box;
    if (share <= 0) return {corners, box};
    const QPointF further = (corners[1] - corners[0]) * share;
    corners[1] += further;
    corners[2] += further;
    for (const QPointF& corner : {corners[1], corners[2]})
        box |= QRect(corner.toPoint(), QSize(1, 1));
    return {corners, box};
}

// One scan line read from its start and, failing that, from its end: every linear symbology
// reads either way. Bar positions count samples from the line's start either way;
// the module width is in pixels.
Line gradeLine(std::vector<double> reflectance, const ScanLines::Line& path,
               const ScanLines::Frame& frame, const ReadingEngine::Found& found) {
    const double origin = frame.acrossOf(path.origin), step = path.spacing();
    const double first = (frame.barsFrom - origin) / step, last = (frame.barsTo - origin) / step;
    Line line = gradeProfile(reflectance, *found.linear, found.text, first, last);
    if (line.text.isEmpty()) {
        const std::vector<double> backwards(reflectance.rbegin(), reflectance.rend());
        const auto n = static_cast<int>(reflectance.size());
        Line back = gradeProfile(backwards, *found.linear, found.text, n - last, n - first);
        if (!back.text.isEmpty() || (back.quietZoneTooNarrow && !line.quietZoneTooNarrow)) {
            back.reversed = true;
            if (back.firstBar >= 0) {
                const int firstBar = n - 1 - back.lastBar;
                back.lastBar = n - 1 - back.firstBar;
                back.firstBar = firstBar;
                back.bars = {n - back.bars.second, n - back.bars.first};
            }
            back.measured = {n - back.measured.second, n - back.measured.first};
            line = std::move(back);
        }
    }
    line.moduleWidth *= step;
    line.reflectance = std::move(reflectance);
    line.from = path.origin;
    line.to = path.at(path.count);
    line.y = static_cast<int>(std::floor(path.at((first + last) / 2).y()));
    return line;
}

// The bars' bounding box in the picture, from their first to their last position across them.
QRect boxOf(const ScanLines::Frame& frame, double barsFrom, double barsTo) {
    double left = 1e300, top = 1e300, right = -1e300, bottom = -1e300;
    for (const double a : {barsFrom, barsTo})
        for (const double b : {frame.top - 0.5, frame.bottom + 0.5}) {
            const QPointF corner = frame.at(a, b);
            left = std::min(left, corner.x());
            right = std::max(right, corner.x());
            top = std::min(top, corner.y());
            bottom = std::max(bottom, corner.y());
        }
    constexpr double kRounding = 1e-6;
    return QRect(
        QPoint(int(std::floor(left + kRounding)), int(std::floor(top + kRounding))),
        QPoint(int(std::ceil(right - kRounding)) - 1, int(std::ceil(bottom - kRounding)) - 1));
}

// Whether the reference decodes sweep the picture. One where the engine found a 2D symbol is
// no miss either: sweeping it would cost a camera picture of a QR Code twice its grading.
bool sweeps(const QList<ReadingEngine::Found>& symbolsFound, const Options& options) {
    using Finding = Options::Finding;
    return options.finding == Finding::Always ||
           (options.finding == Finding::WhenEngineMisses && symbolsFound.isEmpty());
}

// The engine's finds and those of the reference decodes that the engine missed.
QList<ReadingEngine::Found> withSweep(const QImage& plane,
                                      const QList<ReadingEngine::Found>& symbolsFound,
                                      const Options& options) {
    if (!sweeps(symbolsFound, options)) return symbolsFound;
    QList<ReadingEngine::Found> all = symbolsFound;
    for (const ReadingEngine::Found& swept : LineSweep::findSymbols(plane, options.reach)) {
        const bool known =
            std::any_of(symbolsFound.begin(), symbolsFound.end(), [&](const auto& s) {
                return s.linear == swept.linear && s.text.startsWith(swept.text) &&
                       s.box.intersects(swept.box);
            });
        if (!known) all.append(swept);
    }
    return all;
}

} // namespace

QString parameterName(Parameter parameter) {
    return QString::fromLatin1(kRules[int(parameter)].name);
}

int Line::grade() const {
    return *std::min_element(grades.begin(), grades.end());
}

double Symbol::score() const {
    if (lines.empty()) return 0;
    double sum = 0;
    for (const Line& line : lines)
        sum += line.grade();
    return sum / double(lines.size());
}

QChar Symbol::letter() const {
    return letterOf(score());
}

const Line& Symbol::worstLine() const {
    return *std::min_element(lines.begin(), lines.end(),
                             [](const Line& a, const Line& b) { return a.grade() < b.grade(); });
}

double Symbol::moduleWidth() const {
    double sum = 0;
    int count = 0;
    for (const Line& line : lines)
        if (line.moduleWidth > 0) {
            sum += line.moduleWidth;
            ++count;
        }
    return count > 0 ? sum / count : 0;
}

QString Symbol::isoGrade() const {
    constexpr double kMmPerThousandth = 0.0254;
    // A file may claim any resolution; no aperture is wider than a metre.
    const double thousandths = apertureMm / kMmPerThousandth;
    const int reference =
        std::isfinite(thousandths) ? qRound(std::clamp(thousandths, 0.0, 39370.0)) : 0;
    return QStringLiteral("%1/%2/%3")
        .arg(score(), 0, 'f', 1)
        .arg(reference, 2, 10, QChar(u'0'))
        .arg(light == ScanLines::Light::Red ? QStringLiteral("660") : QStringLiteral("W"));
}

int Symbol::reversedLines() const {
    return int(std::count_if(lines.begin(), lines.end(), [](const Line& line) {
        return line.reversed && !line.text.isEmpty();
    }));
}

QChar letterOf(double score) {
    for (const auto& [least, letter] : kLetterBands)
        if (score >= least) return QChar::fromLatin1(letter);
    return QChar(u'F');
}

Line gradeProfile(std::span<const double> reflectance, LineDecode::Linear symbology,
                  const QString& text, double firstBarNear, double lastBarNear) {
    if (!std::isfinite(firstBarNear) || !std::isfinite(lastBarNear)) return Line{};
    const double length = std::max(1.0, lastBarNear - firstBarNear);
    // Wide enough for the quiet zones of the shortest symbols; the threshold that tells bars
    // from spaces comes from the bars alone, not from whatever lies beside the symbol.
    const double margin = 0.4 * length + 8;
    const Profile wide = profileOf(reflectance, firstBarNear - margin, lastBarNear + margin,
                                   std::pair(firstBarNear, lastBarNear));
    Line line;
    auto found = decodeNear(wide, symbology, text, firstBarNear, 0.05 * length + 3);
    if (!found) {
        measure(profileOf(reflectance, firstBarNear - margin, lastBarNear + margin), line);
        return line;
    }
    // The reflectance profile proper runs over the bars and the quiet zones they ask for, short
    // of a mark that a tolerated quiet zone reaches.
    const QuietZone quiet = LineDecode::quietZoneOf(symbology, withAddOn(symbology, text));
    const double x = found->decoded.moduleWidth;
    const double start = wide.offset + wide.elements[std::size_t(found->first)].start;
    const double end =
        wide.offset +
        wide.elements[std::size_t(found->first + found->decoded.elementCount - 1)].end;
    // The quiet zones as the wide profile has them: up to the nearest dark mark or the picture's
    // edge, where the proper profile stops at the width they should have.
    line.quietZones = found->quietZones;
    const bool clear = found->quietZonesClear;
    const double before = std::min(double(quiet.before), found->quietZones[0]) * x;
    const double after = std::min(double(quiet.after), found->quietZones[1]) * x;
    const Profile proper = profileOf(reflectance, start - before + 0.5, end + after - 0.5);
    found = decodeNear(proper, symbology, text, start, 1.5);
    line.quietZoneTooNarrow = found && !clear;
    if (found && clear) {
        line.text = found->decoded.text;
        line.values[int(Parameter::Decode)] = 1;
        line.values[int(Parameter::Decodability)] = found->decoded.decodability;
        line.moduleWidth = found->decoded.moduleWidth;
        line.firstBar = static_cast<int>(std::floor(start));
        line.lastBar = static_cast<int>(std::ceil(end)) - 1;
        line.bars = {start, end};
    }
    measure(proper, line);
    return line;
}

bool allPass(const std::vector<Symbol>& symbols) {
    return !symbols.empty() && std::all_of(symbols.begin(), symbols.end(), [](const Symbol& s) {
        return s.notGraded.isEmpty() && s.score() >= kLowestPassingScore;
    });
}

std::vector<Symbol> gradePicture(const QImage& picture, const Options& options) {
    return gradeFound(picture, ReadingEngine::findSymbols(picture, options.reach), options);
}

std::vector<Symbol> gradeFound(const QImage& picture,
                               const QList<ReadingEngine::Found>& symbolsFound,
                               const Options& options) {
    std::vector<Symbol> symbols;
    const bool linearFound =
        std::any_of(symbolsFound.begin(), symbolsFound.end(),
                    [](const auto& found) { return found.linear.has_value(); });
    // Nothing to measure and nothing to look for: no plane to make of a camera's colour picture.
    if (picture.isNull() || (!linearFound && !sweeps(symbolsFound, options))) return symbols;
    const QImage plane = ScanLines::reflectancePlane(picture, options.light);
    const QList<ReadingEngine::Found> candidates = withSweep(plane, symbolsFound, options);
    // At the resolution given, or as the picture says; those that do not say are taken at 96
    // dots per inch.
    const double dotsPerMm = options.dpi > 0               ? options.dpi / kMmPerInch
                             : picture.dotsPerMeterX() > 0 ? picture.dotsPerMeterX() / 1000.0
                                                           : 96 / kMmPerInch;
    for (const ReadingEngine::Found& found : candidates) {
        if (!found.linear) continue;
        Symbol symbol{*found.linear, found.kind, found.text, found.box, {}};
        symbol.light = options.light;
        const double mainModules = nominalModules(*found.linear, found.text.section(u' ', 0, 0));
        auto [corners, box] =
            reachingOver(found, addOnModules(*found.linear, found.text) / mainModules);
        const auto frame = ScanLines::frameOf(plane, corners, box);
        if (!frame) {
            symbol.lines.resize(kScanLines); // nothing to measure: ten lines that fail
            symbols.push_back(std::move(symbol));
            continue;
        }
        const double nominalX = (frame->barsTo - frame->barsFrom) /
                                (mainModules + addOnModules(*found.linear, found.text));
        const std::vector<ScanLines::Line> paths =
            ScanLines::scanLines(plane, *frame, kScanLines, ScanLines::spacingFor(nominalX),
                                 lineMargin(*found.linear, found.text, nominalX));
        // A first look through no aperture at all tells the X-dimension the lines follow and
        // how blurred the picture already is.
        std::vector<double> modules, spreads;
        for (const ScanLines::Line& path : paths) {
            const Line seen = gradeLine(ScanLines::sample(plane, path, 0), path, *frame, found);
            if (!(seen.moduleWidth > 0)) continue;
            modules.push_back(seen.moduleWidth);
            const double step = path.spacing();
            const double wide = 2 * seen.moduleWidth / step - 0.5;
            if (const auto spread =
                    EdgeSpread::medianSpread(seen.reflectance, seen.threshold, seen.bars.first - 1,
                                             seen.bars.second + 1, wide))
                spreads.push_back(*spread * step);
        }
        const double x = modules.empty() ? nominalX : medianOf(modules);
        symbol.blur = spreads.empty() ? 0 : medianOf(spreads);
        symbol.xDimension = x;
        double aperture = options.apertureMm * dotsPerMm;
        if (!(aperture > 0)) aperture = apertureMmOf(symbol, x / dotsPerMm, options) * dotsPerMm;
        symbol.aperture = aperture;
        symbol.apertureMm = aperture / dotsPerMm;
        // What the picture's blur already does, the aperture need not do again; a photograph
        // blurrier than the aperture is restored first, where its samples can show what the
        // aperture sees. A drawn picture's edges spread over no more than their pixel: its
        // pixels are the print, and a point on each sees what the disc would.
        const double seenThrough = EdgeSpread::remainingAperture(aperture, symbol.blur);
        const bool sharp = symbol.blur <= kSharpest;
        const bool blurrier = !sharp && symbol.blur > aperture / 4;
        const Restoration::Kernel restoring =
            blurrier ? Restoration::kernelFor(plane, paths, frame->along, aperture, symbol.blur)
                     : Restoration::Kernel{};
        symbol.restored = !restoring.cells.empty();
        symbol.lowBounds = blurrier && !restoring.complete;
        if (!sharp && GradingFloor::tooFew(x)) symbol.notGraded = GradingFloor::tooCoarse(x);
        double barsFrom = 0, barsTo = 0;
        bool decodes = false;
        for (const ScanLines::Line& path : paths) {
            Line line = gradeLine(symbol.restored
                                      ? Restoration::sample(plane, path, frame->along, restoring)
                                      : ScanLines::sample(plane, path, seenThrough),
                                  path, *frame, found);
            if (line.firstBar >= 0) {
                const double origin = frame->acrossOf(path.origin), step = path.spacing();
                const double first = origin + line.bars.first * step;
                const double last = origin + line.bars.second * step;
                barsFrom = decodes ? std::min(barsFrom, first) : first;
                barsTo = decodes ? std::max(barsTo, last) : last;
                decodes = true;
            }
            symbol.lines.push_back(std::move(line));
        }
        if (decodes) symbol.box = boxOf(*frame, barsFrom, barsTo);
        symbols.push_back(std::move(symbol));
    }
    return symbols;
}

} // namespace ScanGrade
