// The design readers on any bytes: a gLabels file (gzip or XML) or layout lines. What they keep
// fills in from a row without failing loudly: every object has a finite place, a barcode's
// symbol fits its box, and a refusal says which object.
#include "FuzzInput.h"
#include "labels/Design.h"
#include "labels/DesignPainter.h"

#include <QBuffer>

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const bool layout = input.byte() & 1;
    QBuffer buffer;
    buffer.setData(input.rest());
    buffer.open(QIODevice::ReadOnly);
    const Labels::PaperSizes papers{{QStringLiteral("A4"), QSizeF(595.28, 841.89)}};
    // No folder: pictures and lists named by the bytes are not looked for on disk.
    const auto read = layout ? Labels::readLayoutDesign(buffer, QString())
                             : Labels::readGlabelsDesign(buffer, papers, QString());
    const auto* design = std::get_if<Labels::Design>(&read);
    if (!design) {
        if (std::get<QString>(read).isEmpty()) std::abort();
        return 0;
    }
    Labels::LabelTemplate label;
    label.label = QSizeF(180, 108);
    const Labels::DesignPainter painter(*design, design->label.value_or(label), 600);
    Labels::FieldValues values;
    for (const Labels::DesignObject& object : design->objects) {
        if (!std::isfinite(object.at.x()) || !std::isfinite(object.size.width())) std::abort();
        for (const QString& field : object.fields())
            values.insert(field, QStringLiteral("4006381333931"));
    }
    Labels::addVariables(*design, 3, 5, 1, values);
    const auto filled = painter.fill(values);
    if (const auto* problem = std::get_if<QString>(&filled)) {
        if (!problem->startsWith(QStringLiteral("object "))) std::abort();
        return 0;
    }
    const auto& objects = std::get<Labels::FilledLabel>(filled);
    if (objects.size() != design->objects.size()) std::abort();
    for (qsizetype i = 0; i < objects.size(); ++i)
        if (objects[i].symbol && objects[i].fit.dots < 1) std::abort();
    return 0;
}
