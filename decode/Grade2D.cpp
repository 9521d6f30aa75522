#include "decode/Grade2D.h"

#include "decode/AztecMatrix.h"
#include "decode/DataMatrixMatrix.h"
#include "decode/GradeRule.h"
#include "decode/GradingFloor.h"
#include "decode/QrMatrix.h"

#include <QLineF>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

namespace Grade2D {

namespace {

using GridSampler2D::Grid;
using MatrixSymbol::MatrixRead;

using GradeRule::Scale;
struct Rule {
    Parameter parameter;
    const char* name;
    Scale scale;
    std::array<double, 4> limits; // A, B, C, D
};

constexpr Rule kRules[kParameterCount] = {
    {Parameter::Decode, "decode", Scale::PassFail, {1}},
    {Parameter::SymbolContrast, "symbolContrast", Scale::AtLeast, {70, 55, 40, 20}},
    {Parameter::Modulation, "modulation", Scale::AtLeast, {0.50, 0.40, 0.30, 0.20}},
    {Parameter::ReflectanceMargin, "reflectanceMargin", Scale::AtLeast, {0.50, 0.40, 0.30, 0.20}},
    {Parameter::FixedPatternDamage, "fixedPatternDamage", Scale::AtLeast, {3.5, 2.5, 1.5, 0.5}},
    {Parameter::AxialNonuniformity, "axialNonuniformity", Scale::AtMost, {0.06, 0.08, 0.10, 0.12}},
    {Parameter::GridNonuniformity, "gridNonuniformity", Scale::AtMost, {0.38, 0.50, 0.63, 0.75}},
    {Parameter::UnusedErrorCorrection,
     "unusedErrorCorrection",
     Scale::AtLeast,
     {0.62, 0.50, 0.37, 0.25}},
    {Parameter::QuietZone, "quietZone", Scale::PassFail, {1}},
    {Parameter::PrintGrowthHorizontal, "printGrowthHorizontal", Scale::None, {}},
    {Parameter::PrintGrowthVertical, "printGrowthVertical", Scale::None, {}},
};
constexpr bool rulesInParameterOrder() {
    for (int i = 0; i < kParameterCount; ++i)
        if (static_cast<int>(kRules[i].parameter) != i) return false;
    return true;
}
static_assert(rulesInParameterOrder());

const Rule& ruleOf(Parameter p) {
    return kRules[std::size_t(p)];
}

int gradeOf(Parameter p, double value) {
    const Rule& rule = ruleOf(p);
    return GradeRule::gradeOf(rule.scale, rule.limits, value);
}

// One symbology: its engine name, the sizes near a count, its grid and its reference decode.
struct Matrix2D {
    bool (*named)(const QString& kind);
    std::vector<std::pair<int, int>> (*sizesNear)(int rows, int columns);
    GridSampler2D::Layout (*layout)(int rows, int columns);
    MatrixSymbol::MatrixDecoder decode;
};

std::vector<std::pair<int, int>> qrSizesNear(int rows, int columns) {
    const int around = (std::max(rows, columns) + std::min(rows, columns)) / 2;
    std::vector<std::pair<int, int>> sizes;
    const int nearest = 17 + 4 * std::clamp(qRound((around - 17) / 4.0), 1, 40);
    for (const int size : {nearest, nearest - 4, nearest + 4})
        if (QrMatrix::versionOfSize(size) > 0) sizes.push_back({size, size});
    return sizes;
}

const Matrix2D kQr{[](const QString& kind) { return kind == u"QR Code" || kind == u"GS1 QR Code"; },
                   qrSizesNear, [](int rows, int) { return QrMatrix::gridLayout(rows); },
                   QrMatrix::read};
const Matrix2D kDataMatrix{[](const QString& kind) { return kind.endsWith(u"Data Matrix"); },
                           DataMatrixMatrix::sizesNear, DataMatrixMatrix::gridLayout,
                           DataMatrixMatrix::read};
const Matrix2D kAztec{[](const QString& kind) { return kind == u"Aztec Code"; },
                      AztecMatrix::sizesNear, AztecMatrix::gridLayout, AztecMatrix::read};

const Matrix2D* symbologyOf(const QString& kind) {
    for (const Matrix2D* m : {&kQr, &kDataMatrix, &kAztec})
        if (m->named(kind)) return m;
    return nullptr;
}

// The corners in the eight ways a symbol may lie on them: turned by quarters, and mirrored.
std::array<std::array<QPointF, 4>, 8> orientations(const std::array<QPointF, 4>& c) {
    std::array<std::array<QPointF, 4>, 8> all;
    for (std::size_t turn = 0; turn < 4; ++turn) {
        for (std::size_t i = 0; i < 4; ++i)
            all[turn][i] = c[(i + turn) % 4];
        all[turn + 4] = {all[turn][0], all[turn][3], all[turn][2], all[turn][1]};
    }
    return all;
}

int letterGrade(double modulation) {
    return gradeOf(Parameter::Modulation, modulation);
}

struct ModuleGrades {
    std::vector<double> modulation; // per module, row by row
    std::vector<double> margin;
};

ModuleGrades moduleValues(const Grid& grid, const MatrixRead& read, double contrast) {
    ModuleGrades values;
    const double gt = grid.threshold;
    for (int r = 0; r < grid.rows; ++r)
        for (int c = 0; c < grid.columns; ++c) {
            const double reflectance = grid.at(r, c);
            const double away = contrast > 0 ? 2 * (reflectance - gt) / contrast : 0;
            values.modulation.push_back(std::abs(away));
            const bool shouldBeDark =
                read.ideal.rows > 0 ? read.ideal.dark(r, c) : grid.modules.dark(r, c);
            values.margin.push_back(shouldBeDark ? -away : away);
        }
    return values;
}

// The unused error correction of the worst block when the codewords graded below `level` are
// read as erasures: a wrong one among them costs one check codeword, not two.
double unusedWithErasures(const MatrixRead& read, const std::vector<int>& codewordGrades,
                          int level) {
    double worst = 1;
    for (std::size_t b = 0; b < read.blocks.size(); ++b) {
        int erasures = 0, errors = 0;
        for (std::size_t i = 0; i < read.codewords.size(); ++i) {
            if (read.codewords[i].block != int(b)) continue;
            if (codewordGrades[i] < level)
                ++erasures;
            else if (read.codewords[i].wrong)
                ++errors;
        }
        const auto& block = read.blocks[b];
        const double capacity = block.ecCount - block.misdecodeProtection;
        worst = std::min(worst, capacity > 0 ? 1 - (erasures + 2.0 * errors) / capacity : 0.0);
    }
    return worst;
}

// The codeword overlay: each codeword graded by its worst module; the parameter's grade is the
// highest level at which the codewords below it, read as erasures, still leave error correction
// of that grade. Its value is the worst codeword's.
Measurement overlay(const MatrixRead& read, const std::vector<double>& moduleValue, int columns,
                    std::vector<int>& codewordGrades) {
    std::vector<double> codewordValue;
    codewordGrades.clear();
    for (const auto& c : read.codewords) {
        double worst = std::numeric_limits<double>::max();
        for (const auto& m : c.modules)
            worst = std::min(
                worst, moduleValue[std::size_t(m.y()) * std::size_t(columns) + std::size_t(m.x())]);
        codewordValue.push_back(worst);
        codewordGrades.push_back(letterGrade(worst));
    }
    Measurement best{
        codewordValue.empty() ? 0 : *std::min_element(codewordValue.begin(), codewordValue.end()),
        0};
    for (int level = 4; level >= 1; --level) {
        const int grade = std::min(level, gradeOf(Parameter::UnusedErrorCorrection,
                                                  unusedWithErasures(read, codewordGrades, level)));
        best.grade = std::max(best.grade, grade);
    }
    return best;
}

int damageGrade(const MatrixSymbol::Segment& s, int damaged) {
    const double amount =
        s.scale == MatrixSymbol::DamageScale::Count ? damaged : double(damaged) / s.modules.size();
    for (int i = 0; i < 4; ++i)
        if (amount <= s.limits[i] + 1e-9) return 4 - i;
    return 0;
}

// Each fixed pattern segment graded at each level by the modules whose margin falls below it;
// the segment's grade is the best level it holds.
std::vector<SegmentGrade> segmentGrades(const MatrixRead& read, const ModuleGrades& values,
                                        const Grid& grid, double contrast) {
    // Quiet zone modules belong to some symbologies' fixed patterns: they should be light.
    std::map<std::pair<int, int>, double> quietMargin;
    for (const auto& q : grid.quiet)
        quietMargin[{q.module.y(), q.module.x()}] =
            q.reflectance < 0 || contrast <= 0 ? -1
                                               : 2 * (q.reflectance - grid.threshold) / contrast;
    const auto marginOf = [&](const MatrixSymbol::Module& m, bool dark) {
        if (grid.modules.contains(m.y(), m.x()))
            return values
                .margin[std::size_t(m.y()) * std::size_t(grid.columns) + std::size_t(m.x())];
        const auto found = quietMargin.find({m.y(), m.x()});
        const double margin = found == quietMargin.end() ? -1 : found->second;
        return dark ? -margin : margin;
    };
    std::vector<SegmentGrade> grades;
    for (const auto& s : read.segments) {
        SegmentGrade g{s.name, 0, 0, int(s.modules.size())};
        std::vector<int> moduleGrade;
        for (std::size_t i = 0; i < s.modules.size(); ++i) {
            const double margin = marginOf(s.modules[i], s.dark[i]);
            moduleGrade.push_back(margin < 0 ? 0 : letterGrade(margin));
            g.damaged += margin < 0;
        }
        for (int level = 4; level >= 1; --level) {
            const int below = int(std::count_if(moduleGrade.begin(), moduleGrade.end(),
                                                [&](int m) { return m < level; }));
            g.grade = std::max(g.grade, std::min(level, damageGrade(s, below)));
        }
        grades.push_back(g);
    }
    return grades;
}

// The clear light margin all round, in modules, up to what the symbology asks for.
double clearQuietZone(const Grid& grid, int asked) {
    int clear = asked;
    for (const auto& q : grid.quiet) {
        if (q.reflectance >= grid.threshold) continue;
        const int r = q.module.y(), c = q.module.x();
        const int away = std::max({-r, -c, r - (grid.rows - 1), c - (grid.columns - 1)});
        clear = std::min(clear, away - 1);
    }
    return std::max(0, clear);
}

struct Attempt {
    Grid grid;
    MatrixRead read;
};

// Modules across and down between the engine's corners: the module size as the runs along
// lines parallel to the symbol's top edge give it (the mean of those about as narrow as the
// narrowest), whichever way the symbol lies in the picture. The engine's own count is taken
// along the picture's rows, which a symbol turned a few degrees crosses at a slant.
std::pair<int, int> modulesBetween(const QImage& plane, const std::array<QPointF, 4>& c) {
    const auto at = [&](QPointF p) {
        const int x = std::clamp(int(p.x()), 0, plane.width() - 1);
        const int y = std::clamp(int(p.y()), 0, plane.height() - 1);
        return int(plane.constScanLine(y)[x]);
    };
    const double across = QLineF(c[0], c[1]).length(), down = QLineF(c[0], c[3]).length();
    const int steps = std::clamp(int(across * 2), 2, 20000);
    std::vector<std::vector<int>> lines;
    int low = 255, high = 0;
    for (double f = 0.05; f < 1; f += 0.05) {
        const QPointF from = c[0] + (c[3] - c[0]) * f, to = c[1] + (c[2] - c[1]) * f;
        std::vector<int> line;
        for (int i = 0; i <= steps; ++i) {
            line.push_back(at(from + (to - from) * (double(i) / steps)));
            low = std::min(low, line.back());
            high = std::max(high, line.back());
        }
        lines.push_back(std::move(line));
    }
    const int threshold = (low + high + 1) / 2;
    std::vector<double> runs;
    const double step = across / steps;
    for (const auto& line : lines) {
        int run = 1;
        for (std::size_t i = 1; i < line.size(); ++i) {
            if ((line[i] < threshold) == (line[i - 1] < threshold)) {
                ++run;
                continue;
            }
            // A sample or two at an edge between pixels is no module.
            if (run * step >= 1.5) runs.push_back(run * step);
            run = 1;
        }
    }
    if (runs.size() < 4) return {0, 0};
    std::sort(runs.begin(), runs.end());
    // Single modules are the commonest runs: a quarter of all runs are no wider.
    const double narrowest = runs[runs.size() / 4];
    double sum = 0;
    int count = 0;
    for (const double run : runs)
        if (run <= 1.5 * narrowest) {
            sum += run;
            ++count;
        }
    const double module = sum / count;
    return {qRound(down / module), qRound(across / module)};
}

Attempt locate(const QImage& plane, const ReadingEngine::Found& found, const Matrix2D& symbology,
               double apertureOfX, double aperturePixels) {
    std::optional<Attempt> first;
    const auto [rowsSeen, columnsSeen] = modulesBetween(plane, found.corners);
    auto sizes = symbology.sizesNear(rowsSeen, columnsSeen);
    for (const auto& size : symbology.sizesNear(found.rows, found.columns))
        if (std::find(sizes.begin(), sizes.end(), size) == sizes.end()) sizes.push_back(size);
    for (const auto& [rows, columns] : sizes) {
        const GridSampler2D::Layout layout = symbology.layout(rows, columns);
        for (const auto& corners : orientations(found.corners)) {
            Attempt attempt{
                GridSampler2D::sample(plane, corners, layout, apertureOfX, aperturePixels), {}};
            if (attempt.grid.reflectance.empty()) continue;
            attempt.read = symbology.decode(attempt.grid.modules);
            if (attempt.read.decoded) return attempt;
            if (!first) first = std::move(attempt);
        }
    }
    return first ? std::move(*first) : Attempt{};
}

void measure(Symbol& s, const Matrix2D& symbology, int quietAsked) {
    auto set = [&](Parameter p, double value) {
        s.parameters[std::size_t(p)] = {value, gradeOf(p, value)};
    };
    const Grid& grid = s.grid;
    double rMax = grid.rMax;
    for (const auto& q : grid.quiet)
        rMax = std::max(rMax, q.reflectance);
    const double contrast = rMax - grid.rMin;
    set(Parameter::Decode, s.read.decoded ? 1 : 0);
    set(Parameter::SymbolContrast, contrast);
    set(Parameter::AxialNonuniformity, grid.axialNonuniformity());
    set(Parameter::GridNonuniformity, grid.gridNonuniformity());
    const auto growth = grid.printGrowth();
    set(Parameter::PrintGrowthHorizontal, growth[0]);
    set(Parameter::PrintGrowthVertical, growth[1]);
    const double quiet = clearQuietZone(grid, quietAsked);
    s.parameters[std::size_t(Parameter::QuietZone)] = {quiet, quiet >= quietAsked ? 4 : 0};
    if (!s.read.decoded) {
        for (const Parameter p : {Parameter::Modulation, Parameter::ReflectanceMargin,
                                  Parameter::FixedPatternDamage, Parameter::UnusedErrorCorrection})
            s.parameters[std::size_t(p)] = {0, 0};
        return;
    }
    const ModuleGrades values = moduleValues(grid, s.read, contrast);
    std::vector<int> marginGrades;
    s.parameters[std::size_t(Parameter::Modulation)] =
        overlay(s.read, values.modulation, grid.columns, s.codewordGrades);
    s.parameters[std::size_t(Parameter::ReflectanceMargin)] =
        overlay(s.read, values.margin, grid.columns, marginGrades);
    for (std::size_t i = 0; i < s.codewordGrades.size(); ++i)
        s.codewordGrades[i] = std::min(s.codewordGrades[i], marginGrades[i]);
    s.parameters[std::size_t(Parameter::UnusedErrorCorrection)] = {
        unusedWithErasures(s.read, std::vector<int>(s.read.codewords.size(), 4), 0), 0};
    s.parameters[std::size_t(Parameter::UnusedErrorCorrection)].grade =
        gradeOf(Parameter::UnusedErrorCorrection,
                s.parameters[std::size_t(Parameter::UnusedErrorCorrection)].value);
    s.segments = segmentGrades(s.read, values, grid, contrast);
    double sum = 0;
    int lowest = 4;
    for (const SegmentGrade& g : s.segments) {
        sum += g.grade;
        lowest = std::min(lowest, g.grade);
    }
    const double average = s.segments.empty() ? 4 : sum / double(s.segments.size());
    s.parameters[std::size_t(Parameter::FixedPatternDamage)] = {
        average, std::min(lowest, gradeOf(Parameter::FixedPatternDamage, average))};
    Q_UNUSED(symbology);
}

} // namespace

QString parameterName(Parameter parameter) {
    return QString::fromLatin1(ruleOf(parameter).name);
}

bool isGraded(Parameter parameter) {
    return ruleOf(parameter).scale != Scale::None;
}

int Symbol::grade() const {
    if (!graded()) return 0;
    int lowest = 4;
    for (int p = 0; p < kParameterCount; ++p)
        if (isGraded(Parameter(p))) lowest = std::min(lowest, parameters[std::size_t(p)].grade);
    return lowest;
}

QChar Symbol::letter() const {
    return QChar(u"FDCBA"[grade()]);
}

QString isoForm(double score, double apertureMm, ScanLines::Light light) {
    constexpr double kMmPerThousandth = 0.0254;
    const double thousandths = apertureMm / kMmPerThousandth;
    const int reference =
        std::isfinite(thousandths) ? qRound(std::clamp(thousandths, 0.0, 39370.0)) : 0;
    return QStringLiteral("%1/%2/%3")
        .arg(score, 0, 'f', 1)
        .arg(reference, 2, 10, QChar(u'0'))
        .arg(light == ScanLines::Light::Red ? QStringLiteral("660") : QStringLiteral("W"));
}

QString Symbol::isoGrade() const {
    return isoForm(score(), apertureMm, light);
}

bool grades(const ReadingEngine::Found& found) {
    return found.isMatrix() && symbologyOf(found.kind) != nullptr;
}

std::vector<Symbol> gradeFound(const QImage& picture, const QList<ReadingEngine::Found>& found,
                               const Options& options) {
    std::vector<Symbol> symbols;
    QImage plane;
    const double dotsPerMm =
        (picture.dotsPerMeterX() > 0 ? picture.dotsPerMeterX() : 3780) / 1000.0;
    for (const ReadingEngine::Found& f : found) {
        if (!grades(f)) continue;
        const Matrix2D& symbology = *symbologyOf(f.kind);
        if (plane.isNull()) plane = ScanLines::reflectancePlane(picture, options.light);
        Symbol s;
        s.kind = f.kind;
        s.text = f.text;
        s.box = f.box;
        s.light = options.light;
        constexpr double kApertureOfX = 0.8;
        Attempt attempt = locate(plane, f, symbology, kApertureOfX, options.apertureMm * dotsPerMm);
        s.grid = std::move(attempt.grid);
        s.read = std::move(attempt.read);
        s.rows = s.grid.rows > 0 ? s.grid.rows : f.rows;
        s.columns = s.grid.columns > 0 ? s.grid.columns : f.columns;
        s.apertureMm = s.grid.aperture / dotsPerMm;
        const double module =
            s.grid.rows > 0 ? s.grid.moduleSize() : double(f.box.width()) / std::max(1, f.columns);
        if (module < GradingFloor::kLeastPixelsPerModule) {
            s.reason = GradingFloor::tooCoarse(module);
        } else if (s.grid.rows > 0) {
            measure(s, symbology, symbology.layout(s.rows, s.columns).quietZone);
        }
        symbols.push_back(std::move(s));
    }
    return symbols;
}

} // namespace Grade2D
