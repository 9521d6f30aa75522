// Loading any file as a picture, then reading a barcode across it, as "read" does.
#include "PixelSource.h"
#include "basBCREAD.h"

#include <QBuffer>
#include <QImageReader>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    reader.setAllocationLimit(16); // megabytes: a small file must not claim a huge picture
    const QImage picture = reader.read();
    if (picture.isNull()) return 0;
    basBCREAD::ReadBarcode(ImagePixels(picture), 0, picture.height() / 2, 12, 3);
    return 0;
}
