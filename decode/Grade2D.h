#pragma once

#include "decode/GridSampler2D.h"
#include "decode/MatrixSymbol.h"
#include "decode/ReadingEngine.h"
#include "decode/ScanLines.h"

#include <QImage>
#include <QRect>
#include <QString>

#include <array>
#include <optional>
#include <vector>

// Grades QR Codes and Data Matrix symbols the way a 2D verifier grades a print: the symbol's own
// module grid found and every module sampled through the measuring aperture, the codewords read
// and corrected by the program's own reference decode, and each parameter graded 4 (A) to 0
// (F); the symbol grades as its lowest parameter.
namespace Grade2D {

enum class Parameter {
    Decode,
    SymbolContrast,
    Modulation,
    ReflectanceMargin,
    FixedPatternDamage,
    AxialNonuniformity,
    GridNonuniformity,
    UnusedErrorCorrection,
    QuietZone,
    PrintGrowthHorizontal, // reported, not graded
    PrintGrowthVertical,
};
inline constexpr int kParameterCount = 11;

QString parameterName(Parameter parameter); // "decode", "symbolContrast", ...
bool isGraded(Parameter parameter);

struct Measurement {
    double value = 0;
    int grade = 0; // 4 (A) to 0 (F); meaningless for the ungraded ones
};

struct SegmentGrade {
    QString name;
    int grade = 0;
    int damaged = 0; // modules of the wrong colour
    int modules = 0;
};

struct Symbol {
    QString kind; // "QR Code", "Data Matrix", "GS1 Data Matrix"
    QString text; // as the reading engine read it
    QRect box;
    int rows = 0;
    int columns = 0;
    // Not graded when set: why ("too coarse to grade: ...").
    QString reason;
    std::array<Measurement, kParameterCount> parameters{};
    std::vector<SegmentGrade> segments;
    GridSampler2D::Grid grid;
    MatrixSymbol::MatrixRead read;
    std::vector<int> codewordGrades; // each codeword by its worst module (modulation and margin)
    double apertureMm = 0;
    ScanLines::Light light = ScanLines::Light::Red;

    bool graded() const { return reason.isEmpty(); }
    const Measurement& operator[](Parameter p) const { return parameters[std::size_t(p)]; }
    int grade() const; // the lowest graded parameter
    double score() const { return grade(); }
    QChar letter() const;
    // As verifiers print it: grade/aperture in thousandths of an inch/light, "4.0/10/660".
    QString isoGrade() const;
};

struct Options {
    ScanLines::Light light = ScanLines::Light::Red;
    double apertureMm = 0; // 0: 0.8 times the X-dimension found
};

// The QR Codes and Data Matrix symbols among those the reading engine found, graded in the
// order found; other symbols are left out.
std::vector<Symbol> gradeFound(const QImage& picture, const QList<ReadingEngine::Found>& found,
                               const Options& options = {});

// Whether the reading engine's symbol is one this grades.
bool grades(const ReadingEngine::Found& found);

// The standard's grade form for a score, an aperture and a light.
QString isoForm(double score, double apertureMm, ScanLines::Light light);

} // namespace Grade2D
