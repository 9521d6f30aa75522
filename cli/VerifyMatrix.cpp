#include "cli/VerifyMatrix.h"

#include "decode/ReadingEngine.h"

#include <QJsonArray>

#include <cmath>
#include <cstdio>

namespace VerifyMatrix {

namespace {

using Grade2D::Parameter;

double rounded(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

QChar letterOf(int grade) {
    return QChar(u"FDCBA"[std::clamp(grade, 0, 4)]);
}

QJsonArray boxOf(const QRect& box) {
    return {box.x(), box.y(), box.width(), box.height()};
}

} // namespace

bool passes(const Grade2D::Symbol& symbol) {
    return symbol.graded() && symbol.grade() >= 2;
}

QJsonObject symbolObject(const Grade2D::Symbol& symbol) {
    QJsonObject object{{QStringLiteral("type"), symbol.kind},
                       {QStringLiteral("text"), symbol.text},
                       {QStringLiteral("box"), boxOf(symbol.box)},
                       {QStringLiteral("modules"), QJsonArray{symbol.columns, symbol.rows}}};
    if (!symbol.graded()) {
        object.insert(QStringLiteral("reason"), symbol.reason);
        return object;
    }
    QJsonObject parameters;
    for (int p = 0; p < Grade2D::kParameterCount; ++p) {
        const auto parameter = Parameter(p);
        const Grade2D::Measurement& m = symbol[parameter];
        QJsonObject entry{{QStringLiteral("value"), rounded(m.value, 3)}};
        if (Grade2D::isGraded(parameter))
            entry.insert(QStringLiteral("grade"), QString(letterOf(m.grade)));
        if (parameter == Parameter::FixedPatternDamage) {
            QJsonArray segments;
            for (const Grade2D::SegmentGrade& s : symbol.segments)
                segments.append(QJsonObject{{QStringLiteral("name"), s.name},
                                            {QStringLiteral("grade"), QString(letterOf(s.grade))},
                                            {QStringLiteral("damagedModules"), s.damaged}});
            entry.insert(QStringLiteral("segments"), segments);
        }
        parameters.insert(Grade2D::parameterName(parameter), entry);
    }
    object.insert(QStringLiteral("grade"), QString(symbol.letter()));
    object.insert(QStringLiteral("score"), rounded(symbol.score(), 2));
    object.insert(QStringLiteral("iso"), symbol.isoGrade());
    object.insert(QStringLiteral("aperture"), rounded(symbol.apertureMm, 3));
    object.insert(QStringLiteral("moduleWidth"), rounded(symbol.grid.moduleSize(), 3));
    object.insert(QStringLiteral("parameters"), parameters);
    if (!symbol.read.decoded && !symbol.read.failure.isEmpty())
        object.insert(QStringLiteral("decodeFailure"), symbol.read.failure);
    return object;
}

void printText(const Grade2D::Symbol& symbol) {
    const QRect& box = symbol.box;
    std::printf("%s \"%s\" at %d,%d size %dx%d: %dx%d modules", qPrintable(symbol.kind),
                ReadingEngine::shownText(symbol.text).toUtf8().constData(), box.x(), box.y(),
                box.width(), box.height(), symbol.columns, symbol.rows);
    if (!symbol.graded()) {
        std::printf(", not graded: %s\n", qPrintable(symbol.reason));
        return;
    }
    std::printf(": grade %c (%.1f)\n", symbol.letter().toLatin1(), symbol.score());
    std::printf("  grade %s: aperture %.3f mm, %s\n", qPrintable(symbol.isoGrade()),
                symbol.apertureMm,
                symbol.light == ScanLines::Light::Red ? "red light 660 nm" : "white light");
    for (int p = 0; p < Grade2D::kParameterCount; ++p) {
        const auto parameter = Parameter(p);
        const Grade2D::Measurement& m = symbol[parameter];
        if (Grade2D::isGraded(parameter))
            std::printf("  %-22s %8.3f  %c\n", qPrintable(Grade2D::parameterName(parameter)),
                        m.value, letterOf(m.grade).toLatin1());
        else
            std::printf("  %-22s %8.3f\n", qPrintable(Grade2D::parameterName(parameter)), m.value);
    }
    for (const Grade2D::SegmentGrade& s : symbol.segments)
        if (s.grade < 4)
            std::printf("  fixed pattern \"%s\": grade %c, %d of %d modules wrong\n",
                        qPrintable(s.name), letterOf(s.grade).toLatin1(), s.damaged, s.modules);
    if (!symbol.read.decoded && !symbol.read.failure.isEmpty())
        std::printf("  reference decode fails: %s\n", qPrintable(symbol.read.failure));
}

} // namespace VerifyMatrix
