// Loading any file as a picture, then reading a barcode across it as "read" does and grading
// what the reading engine finds in it as the scan check does.
#include "decode/ScanGrade.h"
#include "decode/basBCREAD.h"
#include "render/PixelSource.h"

#include <QBuffer>
#include <QImageReader>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(16); // megabytes: a small file must not claim a huge picture
    const QImage picture = reader.read();
    if (picture.isNull()) return 0;
    basBCREAD::ReadBarcode(ImagePixels(picture), 0, picture.height() / 2, 12, 3);
    // A verifier looks at labels, not posters: big pictures only make each run slow.
    if (static_cast<qint64>(picture.width()) * picture.height() <= 1'000'000)
        for (const ScanGrade::Symbol& symbol : ScanGrade::gradePicture(picture))
            if (symbol.lines.empty() || !(symbol.score() >= 0 && symbol.score() <= 4)) std::abort();
    return 0;
}
