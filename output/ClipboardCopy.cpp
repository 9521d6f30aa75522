#include "output/ClipboardCopy.h"

#include <QClipboard>
#include <QGuiApplication>

#include <algorithm>
#include <cmath>

namespace {

// The source row a destination row shows when H twips are stretched over H + 140.
int sourceRow(int destinationRow, double H) {
    return static_cast<int>(std::floor(destinationRow * H / (H + kClipboardExtraHeightTwips)));
}

} // namespace

QImage clipboardImage(const QImage& outputImage, double W, double H) {
    QImage copy(Geometry::twipsToPixels(W), Geometry::twipsToPixels(H + kClipboardExtraHeightTwips),
                QImage::Format_RGB32);
    if (copy.isNull()) return copy;
    copy.setDotsPerMeterX(Geometry::kDotsPerMeter);
    copy.setDotsPerMeterY(Geometry::kDotsPerMeter);
    copy.fill(rgbOf(kWhite));
    if (!(H > 0) || outputImage.isNull()) return copy; // no source row to stretch

    const QImage source = outputImage.convertToFormat(QImage::Format_RGB32);
    const int columns = std::min(copy.width(), source.width());
    for (int y = 0; y < copy.height(); ++y) {
        const int row = sourceRow(y, H);
        if (row >= source.height()) break; // rows only grow from here on
        std::copy_n(reinterpret_cast<const QRgb*>(source.constScanLine(row)), columns,
                    reinterpret_cast<QRgb*>(copy.scanLine(y)));
    }
    return copy;
}

void CopyToClipboard(DrawingSurface& workPicture, const DrawingSurface& outputPicture, double W,
                     double H) {
    workPicture.setWidthTwips(W);
    workPicture.setHeightTwips(H + kClipboardExtraHeightTwips);
    workPicture.clear();
    workPicture.setBackgroundPicture(QImage());
    workPicture.drawPicture(clipboardImage(outputPicture.image(), W, H), 0, 0);
    workPicture.setFitsPicture(true);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setImage(workPicture.image());
}
