// Loading any file as a picture, then reading a barcode across it as "read" does and grading
// what the reading engine finds in it, whichever way it lies, as the scan check does.
#include "decode/Code39RowReader.h"
#include "decode/ScanGrade.h"
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
    Code39RowReader::readBarcode(ImagePixels(picture), 0, picture.height() / 2, 12);
    // A verifier looks at labels, not posters: big pictures only make each run slow.
    if (static_cast<qint64>(picture.width()) * picture.height() > 1'000'000) return 0;
    // Red and white light, the aperture the lines measure and one from the input's size (up to
    // 2.5 mm, wider than most symbols' bars): every way of sampling a scan line.
    const ScanGrade::Options options[] = {
        {},
        {ScanLines::Light::Grey, 0.01 + double(size % 250) / 100},
    };
    for (const ScanGrade::Options& option : options)
        for (const ScanGrade::Symbol& symbol : ScanGrade::gradePicture(picture, option))
            if (symbol.lines.size() != 10 || !(symbol.score() >= 0 && symbol.score() <= 4) ||
                symbol.isoGrade().isEmpty())
                std::abort();
    return 0;
}
