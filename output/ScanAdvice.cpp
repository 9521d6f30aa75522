#include "output/ScanAdvice.h"

#include "decode/GradingFloor.h"
#include "decode/LineDecode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace ScanAdvice {

namespace {

using ScanGrade::Parameter;

// What can be changed about a print, each fixing some of the measurements: a quiet zone the
// decode of the lines that found it too narrow, a bar width the decode and decodability of
// the others.
enum class Cause { QuietZone, Contrast, Reflectance, Sharpness, Defects, Widths };
constexpr std::array kCauses = {Cause::QuietZone, Cause::Contrast, Cause::Reflectance,
                                Cause::Sharpness, Cause::Defects,  Cause::Widths};

bool fixes(Cause cause, const ScanGrade::Line& line, Parameter p) {
    const bool decoding = p == Parameter::Decode || p == Parameter::Decodability;
    switch (cause) {
    case Cause::QuietZone:
        return decoding && line.quietZoneTooNarrow;
    case Cause::Widths:
        return decoding && !line.quietZoneTooNarrow;
    case Cause::Contrast:
        return p == Parameter::SymbolContrast;
    case Cause::Reflectance:
        return p == Parameter::MinimumReflectance;
    case Cause::Sharpness:
        return p == Parameter::MinimumEdgeContrast || p == Parameter::Modulation;
    case Cause::Defects:
        return p == Parameter::Defects;
    }
    return false;
}

// The symbol's score were the cause put right, and the grade points the cause costs its lines.
struct Effect {
    double score = 0;
    int lost = 0;
};

Effect effectOf(Cause cause, const ScanGrade::Symbol& symbol) {
    Effect effect;
    for (const ScanGrade::Line& line : symbol.lines) {
        int rest = 4, own = 4;
        for (int p = 0; p < ScanGrade::kParameterCount; ++p) {
            int& grade = fixes(cause, line, Parameter(p)) ? own : rest;
            grade = std::min(grade, line.grades[std::size_t(p)]);
        }
        effect.score += rest;
        effect.lost += 4 - own;
    }
    effect.score /= double(symbol.lines.size());
    return effect;
}

// The cause whose fixing raises the score most; where none alone does (a line failing on two
// counts), the one that costs most. Nothing when every measurement grades A.
std::optional<Cause> mainCause(const ScanGrade::Symbol& symbol) {
    std::optional<Cause> best;
    Effect bestEffect;
    for (const Cause cause : kCauses) {
        const Effect effect = effectOf(cause, symbol);
        if (effect.lost == 0) continue;
        if (!best || effect.score > bestEffect.score + 1e-9 ||
            (std::abs(effect.score - bestEffect.score) <= 1e-9 && effect.lost > bestEffect.lost)) {
            best = cause;
            bestEffect = effect;
        }
    }
    return best;
}

// The worst value of a measurement over the lines: the lowest, the highest for defects.
double worstValue(const ScanGrade::Symbol& symbol, Parameter p) {
    const auto i = std::size_t(p);
    double worst = symbol.lines.front().values[i];
    for (const ScanGrade::Line& line : symbol.lines)
        worst = p == Parameter::Defects ? std::max(worst, line.values[i])
                                        : std::min(worst, line.values[i]);
    return worst;
}

double mmPerPixel(const ScanGrade::Symbol& symbol) {
    return symbol.aperture > 0 && symbol.apertureMm > 0 ? symbol.apertureMm / symbol.aperture
                                                        : 25.4 / 96;
}

double pixelsPerModule(const ScanGrade::Symbol& symbol) {
    const double measured = symbol.moduleWidth();
    return measured > 0 ? measured : symbol.xDimension;
}

QString millimetres(double mm) {
    return QStringLiteral("%1 mm").arg(mm, 0, 'f', 1);
}

// The side of the picture a line's quiet zone lies on: 0 before its bars as it decoded, 1
// after.
QString sideOf(const ScanGrade::Line& line, int zone) {
    const QPointF start = line.reversed ? line.to : line.from;
    const QPointF run = (line.reversed ? line.from : line.to) - start;
    const bool across = std::abs(run.x()) >= std::abs(run.y());
    const bool forwards = across ? run.x() > 0 : run.y() > 0;
    const bool first = (zone == 0) == forwards;
    if (across) return first ? QStringLiteral("left") : QStringLiteral("right");
    return first ? QStringLiteral("top") : QStringLiteral("bottom");
}

QString quietZoneAdvice(const ScanGrade::Symbol& symbol) {
    const auto narrow = std::find_if(symbol.lines.begin(), symbol.lines.end(),
                                     [](const ScanGrade::Line& l) { return l.quietZoneTooNarrow; });
    const bool addOn = LineDecode::takesAddOn(symbol.symbology) && symbol.text.contains(u' ');
    const QuietZone wanted = LineDecode::quietZoneOf(symbol.symbology, addOn);
    const std::array<int, 2> needed{wanted.before, wanted.after};
    // The zone that falls shortest, in modules.
    const int zone = needed[0] - narrow->quietZones[0] >= needed[1] - narrow->quietZones[1] ? 0 : 1;
    const double mmPerModule = pixelsPerModule(symbol) * mmPerPixel(symbol);
    return QStringLiteral("Quiet zone too narrow on the %1: leave %2 free (%3 modules; %4 now)")
        .arg(sideOf(*narrow, zone), millimetres(needed[std::size_t(zone)] * mmPerModule))
        .arg(needed[std::size_t(zone)])
        .arg(millimetres(narrow->quietZones[std::size_t(zone)] * mmPerModule));
}

// Bars drawn at a fraction of pixels (or dots) a module come out one pixel wider or narrower
// at random; whole pixels a module keep every width.
bool wholePixels(double pixels) {
    return std::abs(pixels - std::round(pixels)) < 0.15;
}

QString moduleSize(double pixels) {
    return QStringLiteral("1 module = %1 px").arg(pixels, 0, 'f', 1);
}

QString thinBars(double pixels) {
    return QStringLiteral("Bars too thin for this printer (%1): print at whole dots with the "
                          "Labels dialog or --xdim")
        .arg(moduleSize(pixels));
}

QString widthsAdvice(double pixels) {
    if (!wholePixels(pixels) || pixels < GradingFloor::kLeastPixelsPerModule)
        return thinBars(pixels);
    return QStringLiteral("Bars printed wider or narrower than the spaces (%1): correct the "
                          "printer's bar width (labels --scale) or print at a wider --xdim")
        .arg(moduleSize(pixels));
}

QString sharpnessAdvice(const ScanGrade::Symbol& symbol) {
    const double pixels = pixelsPerModule(symbol);
    if (symbol.lowBounds && pixels > 0)
        return QStringLiteral("The picture is blurrier than the narrow bars (blur %1 module): "
                              "take it sharper or closer, or print larger with a wider --xdim")
            .arg(symbol.blur / pixels, 0, 'f', 2);
    if (!wholePixels(pixels) || pixels < GradingFloor::kLeastPixelsPerModule)
        return thinBars(pixels);
    return QStringLiteral("Edges too soft for the narrow bars (%1): print sharper, or larger "
                          "with a wider --xdim")
        .arg(moduleSize(pixels));
}

QString changeOf(Cause cause, const ScanGrade::Symbol& symbol) {
    switch (cause) {
    case Cause::QuietZone:
        return quietZoneAdvice(symbol);
    case Cause::Contrast:
        return QStringLiteral("Too little contrast between bars and background (%1 %, A from "
                              "70 %): print black bars on white; red, orange and yellow bars "
                              "look white to a scanner's red light")
            .arg(worstValue(symbol, Parameter::SymbolContrast), 0, 'f', 0);
    case Cause::Reflectance:
        return QStringLiteral("Bars not dark enough (the darkest reflects %1 %): print them "
                              "black")
            .arg(worstValue(symbol, Parameter::MinimumReflectance), 0, 'f', 0);
    case Cause::Sharpness:
        return sharpnessAdvice(symbol);
    case Cause::Defects:
        return QStringLiteral("Spots in the spaces or gaps in the bars: clean the print head "
                              "and print on smooth, clean labels");
    case Cause::Widths:
        return widthsAdvice(pixelsPerModule(symbol));
    }
    return {};
}

QString tillOf(QChar letter) {
    switch (letter.toLatin1()) {
    case 'A':
        return QStringLiteral("Every till reads it at the first pass.");
    case 'B':
        return QStringLiteral("Tills read it at the first pass.");
    case 'C':
        return QStringLiteral("Tills read it, now and then only at a second pass.");
    case 'D':
        return QStringLiteral("Tills often need several passes, and some will not read it.");
    default:
        return QStringLiteral("Most tills will not read it.");
    }
}

QString tillOf(const ScanGrade::Symbol& symbol) {
    const bool anyDecodes = std::any_of(symbol.lines.begin(), symbol.lines.end(),
                                        [](const ScanGrade::Line& l) { return !l.text.isEmpty(); });
    return anyDecodes ? tillOf(symbol.letter()) : QStringLiteral("No till will read it.");
}

QString matrixChange(Grade2D::Parameter p, double value) {
    using P = Grade2D::Parameter;
    switch (p) {
    case P::Decode:
        return QStringLiteral("It does not decode: draw it anew at whole pixels or dots a module");
    case P::SymbolContrast:
        return QStringLiteral("Too little contrast between dark and light modules (%1 %): print "
                              "black on white")
            .arg(value, 0, 'f', 0);
    case P::Modulation:
    case P::ReflectanceMargin:
        return QStringLiteral("Modules come out neither clearly dark nor clearly light: print "
                              "at whole dots a module with the Labels dialog or --scale");
    case P::FixedPatternDamage:
        return QStringLiteral("The finder and timing patterns are damaged: keep them clear of "
                              "marks, folds and the label's edge");
    case P::AxialNonuniformity:
    case P::GridNonuniformity:
        return QStringLiteral("The symbol is stretched or warped: print it flat, at the same "
                              "scale across and down");
    case P::UnusedErrorCorrection:
        return QStringLiteral("Damage uses up its error correction: print it cleaner");
    case P::QuietZone:
        return QStringLiteral("Quiet zone too narrow (%1 modules): leave more light space "
                              "around the symbol")
            .arg(value, 0, 'f', 0);
    default:
        return {};
    }
}

} // namespace

QString plainLine(const Grade2D::Symbol& symbol) {
    if (!symbol.graded()) return {};
    std::optional<Grade2D::Parameter> lowest;
    for (int p = 0; p < Grade2D::kParameterCount; ++p) {
        const auto parameter = Grade2D::Parameter(p);
        if (Grade2D::isGraded(parameter) &&
            (!lowest || symbol[parameter].grade < symbol[*lowest].grade))
            lowest = parameter;
    }
    const QString till = symbol[Grade2D::Parameter::Decode].grade == 0
                             ? QStringLiteral("No scanner will read it.")
                             : tillOf(symbol.letter());
    if (!lowest || symbol[*lowest].grade == 4) return till + QStringLiteral(" Nothing to change.");
    return till + u' ' + matrixChange(*lowest, symbol[*lowest].value) + u'.';
}

QString plainLine(const ScanGrade::Symbol& symbol) {
    if (symbol.lines.empty()) return {};
    if (!symbol.notGraded.isEmpty())
        return QStringLiteral("The picture is too coarse to tell what a till will do: draw it "
                              "at %1 or more whole pixels a module (draw --scale) or in the "
                              "Labels dialog.")
            .arg(GradingFloor::kLeastPixelsPerModule);
    const auto cause = mainCause(symbol);
    if (!cause) return tillOf(symbol) + QStringLiteral(" Nothing to change.");
    return tillOf(symbol) + u' ' + changeOf(*cause, symbol) + u'.';
}

} // namespace ScanAdvice
