// The label template reader on any XML: what it keeps is usable, a sheet of every template it
// keeps has its labels, and nothing else gets in.
#include "FuzzInput.h"
#include "labels/Sheet.h"
#include "labels/TemplateCatalog.h"

#include <QBuffer>

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const bool paperFile = input.byte() & 1;
    QBuffer buffer;
    buffer.setData(input.rest());
    buffer.open(QIODevice::ReadOnly);
    if (paperFile) {
        for (const QSizeF& paper : Labels::readPaperSizes(buffer))
            if (!(paper.width() > 0 && paper.height() > 0)) std::abort();
        return 0;
    }
    const Labels::PaperSizes papers{{QStringLiteral("A4"), QSizeF(595.28, 841.89)}};
    for (const Labels::LabelTemplate& label : Labels::readTemplates(buffer, papers).templates) {
        if (label.brand.isEmpty() || label.part.isEmpty()) std::abort();
        if (!label.equivalentOf.isEmpty()) continue; // geometry comes from its original
        if (label.layouts.isEmpty() || !(label.label.width() > 0) || !(label.paper.width() > 0) ||
            !std::isfinite(label.markMargin))
            std::abort();
        const Labels::Sheet sheet(label, {});
        if (sheet.labelsPerSheet() != label.labelsPerSheet()) std::abort();
        if (sheet.place(7, sheet.labelsPerSheet()).position < 1) std::abort();
    }
    return 0;
}
