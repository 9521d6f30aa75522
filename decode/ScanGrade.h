#pragma once

#include "decode/LineDecode.h"
#include "decode/ReadingEngine.h"
#include "decode/ScanLines.h"
#include "symbology/Symbology.h"

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QString>

#include <array>
#include <span>
#include <utility>
#include <vector>

// Grades the linear symbols in a picture the way a barcode verifier grades a print: ten scan
// lines perpendicular to the bars over the middle of their height, each line's reflectance
// profile seen through a measuring aperture, measured and decoded on its own in either direction,
// every measurement graded 4 (A) to 0 (F), a line as its worst measurement and the symbol as the
// mean of its lines.
namespace ScanGrade {

enum class Parameter {
    Decode,
    SymbolContrast,
    MinimumReflectance,
    MinimumEdgeContrast,
    Modulation,
    Defects,
    Decodability,
};
inline constexpr int kParameterCount = 7;

// The name reports use: "decode", "symbolContrast", ...
QString parameterName(Parameter parameter);

using Values = std::array<double, kParameterCount>; // indexed by Parameter
using Grades = std::array<int, kParameterCount>;

// One scan line. Reflectances are in percent; decode is 1 or 0; the ratios are plain numbers.
struct Line {
    int y = 0;             // the pixel row through the middle of the bars
    QPointF from, to;      // the scan line's ends in the picture, as far as it was sampled
    bool reversed = false; // decoded from `to` towards `from`
    QString text;          // what the line decodes to, empty when it does not decode
    Values values{};
    Grades grades{};
    double moduleWidth = 0; // pixels per module, as the decoded elements give it
    // The samples of the first and last bar, when the line decodes (pixel columns, for a row of
    // an upright picture sampled once a pixel), and where exactly the bars start and end.
    int firstBar = -1;
    int lastBar = -1;
    std::pair<double, double> bars{};
    bool quietZoneTooNarrow = false;    // its characters decode, but the space beside them is short
    std::array<double, 2> quietZones{}; // before and after the bars, in modules, when found
    // The reflectance sampled evenly from `from` to `to`, over which samples the measurements
    // were taken, and the threshold between bars and spaces there.
    std::vector<double> reflectance;
    std::pair<double, double> measured{};
    double threshold = 50;

    int grade() const;
};

struct Symbol {
    LineDecode::Linear symbology;
    QString kind; // the symbology by the name reports give it: "EAN-13", "GS1-128", "ITF-14"
    QString text;
    QRect box; // the bars: from the first to the last, over the height the ten lines share
    std::vector<Line> lines;
    double aperture = 0;   // the measuring aperture's diameter, in pixels
    double apertureMm = 0; // and in millimetres, at the picture's resolution
    // The X-dimension the lines follow, in pixels: as the lines measure it, or where none
    // decodes, the symbol's width over its modules.
    double xDimension = 0;
    // The picture's own blur at the symbol's edges, a Gaussian's standard deviation in pixels;
    // the lines see through an aperture narrowed by it. When the picture alone is blurrier
    // than the aperture, the lines' profiles are restored (the blur undone) before the aperture
    // sees them. Where that is not possible, or noise stopped the restoration short,
    // modulation, edge contrast and defects are only low bounds: the print's own are at least
    // as high.
    double blur = 0;
    bool restored = false;
    bool lowBounds = false;
    QString notGraded = {}; // why the symbol is not graded, e.g. too few pixels a module
    ScanLines::Light light = ScanLines::Light::Red;

    double score() const; // the mean of the lines' grades
    QChar letter() const;
    const Line& worstLine() const;
    double moduleWidth() const; // of the lines that decode; 0 when none does
    // The grade as verifiers print it: grade/aperture in thousandths of an inch/light, e.g.
    // "2.8/06/660" (660 nm red light) or "2.8/06/W" (white light).
    QString isoGrade() const;
    int reversedLines() const; // how many lines decode only from their far end
};

struct Options {
    ScanLines::Light light = ScanLines::Light::Red;
    double apertureMm = 0; // 0: 0.8 times the X-dimension that the lines measure
    // The five symbologies the program draws itself, or every linear one it draws.
    ReadingEngine::Reach reach = ReadingEngine::Reach::Classic;
    // The picture's true resolution, when known (a scan): apertures then follow GS1's rules.
    double dpi = 0;
    // Whether linear symbols are also looked for with the grader's own reference decodes:
    // never (what a scanner at the till reads), when the engine finds no symbol of any kind,
    // or always.
    enum class Finding { Engine, WhenEngineMisses, Always };
    Finding finding = Finding::WhenEngineMisses;
};

// The linear symbols among those the reading engine found in the picture, and those its own
// reference decodes find as `options.finding` asks, graded; 2D ones are left out.
std::vector<Symbol> gradeFound(const QImage& picture,
                               const QList<ReadingEngine::Found>& symbolsFound,
                               const Options& options = {});
// Every linear symbol the reading engine or the reference decodes find, graded; an empty list
// when none is found.
std::vector<Symbol> gradePicture(const QImage& picture, const Options& options = {});

// The least score of each letter; below D is F.
inline constexpr std::array<std::pair<double, char>, 4> kLetterBands = {
    {{3.5, 'A'}, {2.5, 'B'}, {1.5, 'C'}, {0.5, 'D'}}};
// The lowest score that passes: grade C.
inline constexpr double kLowestPassingScore = kLetterBands[2].first;
static_assert(kLetterBands[2].second == 'C');
// Whether symbols were found and every one of them passes.
bool allPass(const std::vector<Symbol>& symbols);

// Grades one scan reflectance profile, one sample per pixel (percent, 0 black to 100 white), of
// a symbol expected to read `text`, its bars near columns `firstBarNear` to `lastBarNear`. An
// EAN or UPC text with an add-on after a space is read with the add-on.
Line gradeProfile(std::span<const double> reflectance, LineDecode::Linear symbology,
                  const QString& text, double firstBarNear, double lastBarNear);

// The letter of the band the score falls in.
QChar letterOf(double score);

} // namespace ScanGrade
