#include "app/ScanCheck.h"

#include "app/DrawCommands.h"
#include "decode/Grade2D.h"
#include "decode/ReadingEngine.h"
#include "symbology/DigitCode.h"
#include "symbology/RuntimeError.h"
#include "symbology/Symbology.h"

namespace ScanCheck {

namespace {

// The window picture shows the module width stretched into twips; what a scanner sees are the
// picture's pixels.
QString moduleSize(double pixels) {
    return QStringLiteral("1 module = %1 px").arg(pixels, 0, 'f', 1);
}

// How a picture of the type is graded: the classic types as their symbologies alone, the newer
// ones as any linear symbology the program draws.
ScanGrade::Options gradingOf(const QString& type) {
    ScanGrade::Options options;
    if (!symbologyChoice(type)) options.reach = ReadingEngine::Reach::Every;
    // The window tells whether a scanner at the till reads the picture.
    options.finding = ScanGrade::Options::Finding::Engine;
    return options;
}

// The line for a 2D symbol among those found that no grader measures yet, e.g.
// `Reads as QR Code "Hi" · 21×21 modules · quiet zone kept · no grade for 2D symbols`; nothing
// when there is none.
std::optional<QString> ungradedLine(const QList<ReadingEngine::Found>& symbolsFound) {
    for (const ReadingEngine::Found& found : symbolsFound) {
        if (!found.isMatrix() || Grade2D::grades(found)) continue;
        const QString reads = QStringLiteral("Reads as %1 \"%2\"")
                                  .arg(found.kind, ReadingEngine::shownText(found.text));
        return reads +
               QStringLiteral(" · %1×%2 modules · quiet zone %3 · no grade for %4 symbols")
                   .arg(found.rows)
                   .arg(found.columns)
                   .arg(found.quietZoneKept ? QStringLiteral("kept") : QStringLiteral("too narrow"),
                        found.kind);
    }
    return std::nullopt;
}

// The line for a QR Code or Data Matrix symbol, graded as linear ones are, e.g.
// `Grade A (4.0/10/660) · reads as QR Code "Hi" · 21×21 modules · 1 module = 4.0 px`; where
// the picture is too coarse, how to draw one that is not.
std::optional<QString> matrixLine(const std::vector<Grade2D::Symbol>& graded) {
    if (graded.empty()) return std::nullopt;
    const Grade2D::Symbol& symbol = graded.front();
    const QString reads = QStringLiteral("reads as %1 \"%2\" · %3×%4 modules")
                              .arg(symbol.kind, ReadingEngine::shownText(symbol.text))
                              .arg(symbol.columns)
                              .arg(symbol.rows);
    if (!symbol.graded())
        return QStringLiteral("Not graded: %1 · %2 · draw it with --scale 3 or in the Labels "
                              "dialog to grade it")
            .arg(symbol.reason, reads);
    return QStringLiteral("Grade %1 (%2) · %3 · %4")
        .arg(symbol.letter())
        .arg(symbol.isoGrade(), reads, moduleSize(symbol.grid.moduleSize()));
}

} // namespace

QImage windowPicture(const DrawInputs& inputs) {
    const DrawCommands::Command command = DrawCommands::commandFor(inputs.type);
    if (!command) return {};
    DrawModel model; // no message boxes: a refused text just draws nothing
    model.codeText = inputs.text;
    model.widthValue = inputs.width;
    model.heightValue = std::min(inputs.height, DrawModel::kHeightClamp);
    try {
        command(model);
    } catch (const RuntimeError&) {
        return {};
    }
    return model.outputPicture.image();
}

bool gradesCOrBetter(const QImage& picture, const QString& type) {
    return ScanGrade::allPass(ScanGrade::gradePicture(picture, gradingOf(type)));
}

bool decodes(const QImage& picture) {
    return !ReadingEngine::findSymbols(picture).isEmpty();
}

bool decodesAny(const QImage& picture) {
    // A warning that a picture does not decode must mean that readers fail: the slowest look
    // before saying so.
    return !ReadingEngine::findSymbols(picture, ReadingEngine::Reach::Every).isEmpty() ||
           ReadingEngine::decodesAsDrawnAlone(picture);
}

QList<int> nearestWidths(const DrawInputs& inputs,
                         const std::function<bool(const QImage&)>& accepts,
                         const std::atomic<bool>* cancelled) {
    std::optional<int> below, above;
    for (int step = 1; step < DrawModel::kWidthMax; ++step) {
        if (cancelled && *cancelled) break;
        for (const int width : {inputs.width - step, inputs.width + step}) {
            std::optional<int>& side = width < inputs.width ? below : above;
            if (side || width < 1 || width > DrawModel::kWidthMax) continue;
            DrawInputs at = inputs;
            at.width = width;
            const QImage picture = windowPicture(at);
            if (!picture.isNull() && accepts(picture)) side = width;
        }
        if ((below || inputs.width - step <= 1) &&
            (above || inputs.width + step >= DrawModel::kWidthMax))
            break;
    }
    QList<int> widths;
    if (below) widths << *below;
    if (above) widths << *above;
    return widths;
}

std::optional<QString> correctedCheckDigit(const QString& type, const QString& text) {
    const auto choice = symbologyChoice(type);
    if (!choice || !choice->takesDigitsOnly() || !DigitCode::allDigits(text)) return std::nullopt;
    // The length of the whole number, check digit included.
    const int length = choice->symbology == Symbology::Ean13  ? 13
                       : choice->symbology == Symbology::Ean8 ? 8
                                                              : 12;
    if (text.size() != length) return std::nullopt;
    const QString data = text.chopped(1);
    const int check = DigitCode::checkDigit(data);
    if (check == text.back().digitValue()) return std::nullopt;
    return data + QString::number(check);
}

QString positionList(const QList<int>& widths, QStringView conjunction) {
    QStringList words;
    for (const int width : widths)
        words << QString::number(width);
    if (words.size() < 2) return words.join(QString());
    const QString last = words.takeLast();
    return words.join(QStringLiteral(", ")) + u' ' + conjunction.toString() + u' ' + last;
}

QString statusLine(const QImage& picture, const DrawInputs& inputs,
                   const std::atomic<bool>* cancelled) {
    return check(picture, inputs, cancelled).line;
}

Checked check(const QImage& picture, const DrawInputs& inputs, const std::atomic<bool>* cancelled) {
    const ScanGrade::Options grading = gradingOf(inputs.type);
    const QList<ReadingEngine::Found> found = ReadingEngine::findSymbols(picture, grading.reach);
    std::vector<ScanGrade::Symbol> symbols = ScanGrade::gradeFound(picture, found, grading);
    const auto checked = [&](const QString& line) { return Checked{line, std::move(symbols), {}}; };
    // Linear symbols are graded or do not decode; QR Code, Data Matrix and Aztec Code are graded
    // as 2D symbols; only the other 2D ones are not.
    if (symbols.empty() && !symbologyChoice(inputs.type)) {
        std::vector<Grade2D::Symbol> matrix = Grade2D::gradeFound(picture, found);
        if (const auto line = matrixLine(matrix)) {
            // Only a graded symbol has a report to show.
            std::erase_if(matrix, [](const Grade2D::Symbol& s) { return !s.graded(); });
            return Checked{*line, {}, std::move(matrix)};
        }
        if (const auto ungraded = ungradedLine(found)) return checked(*ungraded);
    }
    QString line;
    if (!symbols.empty()) {
        const ScanGrade::Symbol& symbol = symbols.front();
        line = QStringLiteral("Grade %1 (%2) · reads as %3 \"%4\"")
                   .arg(symbol.letter())
                   .arg(symbol.isoGrade(), symbol.kind, ReadingEngine::shownText(symbol.text));
        if (symbol.worstLine().quietZoneTooNarrow)
            line += QStringLiteral(" · quiet zone too narrow");
        if (const double module = symbol.moduleWidth(); module > 0)
            line += QStringLiteral(" · ") + moduleSize(module);
    } else {
        line = QStringLiteral("Does not decode");
    }
    // Said whatever the grade: a code typed in full with a wrong last digit is drawn as some
    // other number, or as a symbol no scanner accepts.
    if (const auto corrected = correctedCheckDigit(inputs.type, inputs.text))
        return checked(line + QStringLiteral(" · the check digit is wrong: %1").arg(*corrected));
    if (!symbols.empty() && symbols.front().score() >= ScanGrade::kLowestPassingScore)
        return checked(line);
    const QList<int> better = nearestWidths(
        inputs, [&](const QImage& at) { return gradesCOrBetter(at, inputs.type); }, cancelled);
    if (better.isEmpty())
        return checked(line + QStringLiteral(" · no width position grades C or better; whole "
                                             "pixels per module do: the Labels dialog, or "
                                             "barcode-desk-cli draw --scale"));
    return checked(line + QStringLiteral(" · width %1 grade%2 C or better")
                              .arg(positionList(better),
                                   better.size() == 1 ? QStringLiteral("s") : QString()));
}

} // namespace ScanCheck
