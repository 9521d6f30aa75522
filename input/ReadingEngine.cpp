#include "ReadingEngine.h"

#define ZX_USE_UTF8 1
#include <ZXing/ReadBarcode.h>

#include <algorithm>
#include <optional>

namespace {

constexpr std::pair<ZXing::BarcodeFormat, Symbology> kFormats[] = {
    {ZXing::BarcodeFormat::Code39, Symbology::Code39},
    {ZXing::BarcodeFormat::Code128, Symbology::Code128},
    {ZXing::BarcodeFormat::EAN13, Symbology::Ean13},
    {ZXing::BarcodeFormat::EAN8, Symbology::Ean8},
    {ZXing::BarcodeFormat::UPCA, Symbology::UpcA},
};

std::optional<Symbology> symbologyOf(ZXing::BarcodeFormat format) {
    for (const auto& [engineFormat, symbology] : kFormats)
        if (engineFormat == format) return symbology;
    return std::nullopt;
}

ZXing::DecodeHints hints(bool tryHarder) {
    ZXing::BarcodeFormats formats;
    for (const auto& entry : kFormats)
        formats |= entry.first;
    ZXing::DecodeHints hints;
    hints.setFormats(formats);
    hints.setTryHarder(tryHarder);
    hints.setTryRotate(false);
    hints.setTryDownscale(false);
    // Code 39 text exactly as drawn: no full-ASCII decoding, an optional check character kept.
    hints.setTryCode39ExtendedMode(false);
    hints.setValidateCode39CheckSum(false);
    hints.setEanAddOnSymbol(ZXing::EanAddOnSymbol::Ignore);
    return hints;
}

ZXing::ImageView viewOf(const QImage& grey) {
    return {grey.constBits(), grey.width(), grey.height(), ZXing::ImageFormat::Lum,
            static_cast<int>(grey.bytesPerLine())};
}

QRect boxOf(const ZXing::Position& position) {
    int left = position[0].x, right = left, top = position[0].y, bottom = top;
    for (const ZXing::PointI& corner : position) {
        left = std::min(left, corner.x);
        right = std::max(right, corner.x);
        top = std::min(top, corner.y);
        bottom = std::max(bottom, corner.y);
    }
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace

namespace ReadingEngine {

QList<Found> findSymbols(const QImage& picture) {
    if (picture.isNull()) return {};
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    QList<Found> found;
    for (const ZXing::Result& result : ZXing::ReadBarcodes(viewOf(grey), hints(true)))
        if (const auto symbology = symbologyOf(result.format()); symbology && result.isValid())
            found.append(
                {*symbology, QString::fromStdString(result.text()), boxOf(result.position())});
    return found;
}

bool decodesAlongRows(const QImage& picture, const QList<int>& rows) {
    if (picture.isNull()) return false;
    const QImage grey = picture.convertToFormat(QImage::Format_Grayscale8);
    const ZXing::DecodeHints quick = hints(false);
    for (const int row : rows) {
        if (row < 0 || row >= grey.height()) continue;
        if (ZXing::ReadBarcode(viewOf(grey).cropped(0, row, grey.width(), 1), quick).isValid())
            return true;
    }
    return false;
}

QString symbologyName(Symbology symbology) {
    for (const SymbologyChoice& choice : kSymbologyChoices)
        if (choice.symbology == symbology)
            return QString::fromLatin1(choice.standardName.data(),
                                       qsizetype(choice.standardName.size()));
    return {};
}

} // namespace ReadingEngine
