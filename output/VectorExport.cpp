#include "VectorExport.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace VectorExport {
namespace {

// Drawing units per inch: a thousandth of a millimetre, so X-dimensions given to the micrometre
// and the sizes made of them stay whole numbers.
constexpr int kUnitsPerInch = 25400;
constexpr double kUnitsPerMm = kUnitsPerInch / 25.4;

std::optional<QString> paintOn(QPaintDevice& device, const Symbol& symbol,
                               const SymbolLayout& layout, double unit, const QString& path) {
    QPainter painter;
    if (!painter.begin(&device)) return QStringLiteral("Cannot write ") + path;
    paintSymbol(painter, symbol, layout, unit);
    if (!painter.end()) return QStringLiteral("Cannot write ") + path;
    return std::nullopt;
}

std::optional<QString> saveSvg(const Symbol& symbol, const SymbolLayout& layout, double unit,
                               const QString& path) {
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setResolution(kUnitsPerInch);
    const QSizeF size(layout.width * unit, layout.height * unit);
    svg.setSize(size.toSize());
    svg.setViewBox(QRectF(QPointF(0, 0), size));
    svg.setTitle(QStringLiteral("Barcode"));
    return paintOn(svg, symbol, layout, unit, path);
}

std::optional<QString> savePdf(const Symbol& symbol, const SymbolLayout& layout, double unit,
                               const QString& path) {
    QPdfWriter pdf(path);
    pdf.setResolution(kUnitsPerInch);
    pdf.setTitle(QStringLiteral("Barcode"));
    const QSizeF sizeMm(layout.width * unit / kUnitsPerMm, layout.height * unit / kUnitsPerMm);
    pdf.setPageLayout(
        QPageLayout(QPageSize(sizeMm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch),
                    QPageLayout::Portrait, QMarginsF()));
    return paintOn(pdf, symbol, layout, unit, path);
}

} // namespace

std::optional<QString> saveVectorSymbol(const Symbol& symbol, const SymbolLayout& layout,
                                        double xDimensionMm, const QString& path,
                                        VectorFormat format) {
    const double unit = xDimensionMm * kUnitsPerMm;
    const auto failure = format == VectorFormat::Svg ? saveSvg(symbol, layout, unit, path)
                                                     : savePdf(symbol, layout, unit, path);
    if (failure) QFile::remove(path);
    return failure;
}

} // namespace VectorExport
