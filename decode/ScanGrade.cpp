#include "decode/ScanGrade.h"

#include "decode/LineDecode.h"
#include "decode/ReadingEngine.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace ScanGrade {

namespace {

// How a measurement turns into a grade: pass (4) at the first limit or fail (0), or by the
// limits for A, B, C, D.
enum class Scale { PassFail, AtLeast, AtMost };
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
    if (rule.scale == Scale::PassFail) return value >= rule.limits[0] ? 4 : 0;
    int grade = 4;
    for (const double limit : rule.limits) {
        const bool meets = rule.scale == Scale::AtMost ? value <= limit : value >= limit;
        if (meets) return grade;
        --grade;
    }
    return 0;
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

Profile profileOf(std::span<const double> row, double from, double to) {
    const auto lo = static_cast<std::size_t>(std::clamp(std::floor(from), 0.0, double(row.size())));
    const auto hi =
        static_cast<std::size_t>(std::clamp(std::ceil(to), double(lo), double(row.size())));
    Profile p{row.subspan(lo, hi - lo), double(lo), 50, {}, {}};
    if (!p.samples.empty()) {
        const auto [low, high] = std::minmax_element(p.samples.begin(), p.samples.end());
        p.threshold = (*low + *high) / 2;
    }
    p.elements = elementsOf(p.samples, p.threshold);
    for (const Element& e : p.elements)
        p.widths.push_back(e.width());
    return p;
}

struct Found {
    LineDecode::Decoded decoded;
    int first;            // element index of the first bar
    bool quietZonesClear; // as wide as the symbology asks on both sides
};

// The symbol decoded from a bar starting near `firstBarNear`, preferably one with clear quiet
// zones.
std::optional<Found> decodeNear(const Profile& p, Symbology symbology, const QString& text,
                                double firstBarNear, double tolerance) {
    const QuietZone quiet = quietZoneOf(symbology);
    std::optional<Found> cramped;
    for (int i = 1; i < int(p.elements.size()); ++i) {
        const Element& e = p.elements[std::size_t(i)];
        if (!e.dark || std::abs(p.offset + e.start - firstBarNear) > tolerance) continue;
        const auto decoded = LineDecode::decode(symbology, p.widths, i);
        if (!decoded || decoded->text != text) continue;
        const std::size_t after = std::size_t(i + decoded->elementCount);
        constexpr double kPixelSlack = 0.5; // the profile ends on whole pixels
        const bool clear =
            after < p.elements.size() &&
            p.widths[std::size_t(i - 1)] + kPixelSlack >= quiet.before * decoded->moduleWidth &&
            p.widths[after] + kPixelSlack >= quiet.after * decoded->moduleWidth;
        if (clear) return Found{*decoded, i, true};
        if (!cramped) cramped = Found{*decoded, i, false};
    }
    return cramped;
}

void measure(const Profile& p, Line& line) {
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

QChar letterOf(double score) {
    for (const auto& [least, letter] : kLetterBands)
        if (score >= least) return QChar::fromLatin1(letter);
    return QChar(u'F');
}

Line gradeProfile(std::span<const double> reflectance, Symbology symbology, const QString& text,
                  double firstBarNear, double lastBarNear) {
    if (!std::isfinite(firstBarNear) || !std::isfinite(lastBarNear)) return Line{};
    const double length = std::max(1.0, lastBarNear - firstBarNear);
    // Wide enough for the quiet zones of the shortest symbols.
    const double margin = 0.4 * length + 8;
    const Profile wide = profileOf(reflectance, firstBarNear - margin, lastBarNear + margin);
    Line line;
    auto found = decodeNear(wide, symbology, text, firstBarNear, 0.05 * length + 3);
    if (!found) {
        measure(wide, line);
        return line;
    }
    // The reflectance profile proper runs over the bars and the quiet zones they ask for.
    const QuietZone quiet = quietZoneOf(symbology);
    const double x = found->decoded.moduleWidth;
    const double start = wide.offset + wide.elements[std::size_t(found->first)].start;
    const double end =
        wide.offset +
        wide.elements[std::size_t(found->first + found->decoded.elementCount - 1)].end;
    const Profile proper = profileOf(reflectance, start - quiet.before * x, end + quiet.after * x);
    found = decodeNear(proper, symbology, text, start, 1.5);
    line.quietZoneTooNarrow = found && !found->quietZonesClear;
    if (found && found->quietZonesClear) {
        line.text = found->decoded.text;
        line.values[int(Parameter::Decode)] = 1;
        line.values[int(Parameter::Decodability)] = found->decoded.decodability;
        line.moduleWidth = found->decoded.moduleWidth;
        line.firstBar = static_cast<int>(std::floor(start));
        line.lastBar = static_cast<int>(std::ceil(end)) - 1;
    }
    measure(proper, line);
    return line;
}

bool allPass(const std::vector<Symbol>& symbols) {
    return !symbols.empty() && std::all_of(symbols.begin(), symbols.end(), [](const Symbol& s) {
        return s.score() >= kLowestPassingScore;
    });
}

std::vector<Symbol> gradePicture(const QImage& picture) {
    std::vector<Symbol> symbols;
    if (picture.isNull()) return symbols;
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    std::vector<double> row(std::size_t(grey.width()));
    for (const ReadingEngine::Found& found : ReadingEngine::findSymbols(grey)) {
        Symbol symbol{found.symbology, found.text, found.box, {}};
        const int top = found.box.top(), bottom = found.box.bottom();
        int left = found.box.left(), right = found.box.right();
        bool decodes = false;
        for (int i = 0; i < kScanLines; ++i) {
            const int y = top + (2 * i + 1) * (bottom - top + 1) / (2 * kScanLines);
            const uchar* pixels = grey.constScanLine(y);
            for (std::size_t x = 0; x < row.size(); ++x)
                row[x] = pixels[x] * (100.0 / 255.0);
            Line line = gradeProfile(row, found.symbology, found.text, found.box.left(),
                                     found.box.right() + 1);
            line.y = y;
            if (line.firstBar >= 0) {
                left = decodes ? std::min(left, line.firstBar) : line.firstBar;
                right = decodes ? std::max(right, line.lastBar) : line.lastBar;
                decodes = true;
            }
            symbol.lines.push_back(std::move(line));
        }
        symbol.box = QRect(QPoint(left, top), QPoint(right, bottom));
        symbols.push_back(std::move(symbol));
    }
    return symbols;
}

} // namespace ScanGrade
