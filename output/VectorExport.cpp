#include "output/VectorExport.h"

#include "output/ImageExport.h"
#include "output/WholeFile.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <cmath>

namespace VectorExport {
namespace {

// Drawing units per inch: a thousandth of a millimetre, so X-dimensions given to the micrometre
// and the sizes made of them stay whole numbers.
constexpr int kUnitsPerInch = 25400;
constexpr double kUnitsPerMm = kUnitsPerInch / 25.4;

// False when the painter could not start or finish on the device.
bool paintOn(QPaintDevice& device, const Symbol& symbol, const SymbolLayout& layout, double unit) {
    QPainter painter;
    if (!painter.begin(&device)) return false;
    paintSymbol(painter, symbol, layout, unit);
    return painter.end();
}

bool writeSvg(const Symbol& symbol, const SymbolLayout& layout, double unit, QIODevice& out) {
    QSvgGenerator svg;
    svg.setOutputDevice(&out);
    svg.setResolution(kUnitsPerInch);
    const QSizeF size(layout.width * unit, layout.height * unit);
    svg.setSize(size.toSize());
    svg.setViewBox(QRectF(QPointF(0, 0), size));
    svg.setTitle(QStringLiteral("Barcode"));
    return paintOn(svg, symbol, layout, unit);
}

bool writePdf(const Symbol& symbol, const SymbolLayout& layout, double unit, QIODevice& out) {
    QPdfWriter pdf(&out);
    pdf.setResolution(kUnitsPerInch);
    pdf.setTitle(QStringLiteral("Barcode"));
    // A page is a whole number of points: rounded up, so that nothing of the symbol is cut and
    // at most a point of white is added on the right and at the bottom.
    const QSize points(
        static_cast<int>(std::ceil(layout.width * unit / kUnitsPerInch * 72 - 1e-6)),
        static_cast<int>(std::ceil(layout.height * unit / kUnitsPerInch * 72 - 1e-6)));
    pdf.setPageLayout(QPageLayout(QPageSize(points, QString(), QPageSize::ExactMatch),
                                  QPageLayout::Portrait, QMarginsF()));
    return paintOn(pdf, symbol, layout, unit);
}

} // namespace

std::optional<QByteArray> vectorSymbolBytes(const Symbol& symbol, const SymbolLayout& layout,
                                            double xDimensionMm, VectorFormat format) {
    const double unit = xDimensionMm * kUnitsPerMm;
    const auto write = format == VectorFormat::Svg ? writeSvg : writePdf;
    // Drawn in memory first, then written whole: a device or a full disk gets no half drawing.
    QBuffer drawing;
    drawing.open(QIODevice::WriteOnly);
    if (!write(symbol, layout, unit, drawing)) return std::nullopt;
    return drawing.data();
}

std::optional<QString> saveVectorSymbol(const Symbol& symbol, const SymbolLayout& layout,
                                        double xDimensionMm, const QString& path,
                                        VectorFormat format) {
    const auto bytes = vectorSymbolBytes(symbol, layout, xDimensionMm, format);
    if (!bytes) return ImageExport::saveFailureMessage(path);
    if (const auto reason = WholeFile::write(path, *bytes))
        return ImageExport::saveFailureMessage(path, *reason);
    return std::nullopt;
}

} // namespace VectorExport
