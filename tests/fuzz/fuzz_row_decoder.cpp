// The Code 39 row decoder on any small black-and-white picture, from any start point, with any
// number of tries and any way of showing a failure: a text, never a crash or a hang.
#include "FuzzInput.h"
#include "decode/Code39RowReader.h"
#include "render/PixelSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const int width = 1 + input.byte();
    const int height = 1 + input.byte() % 8;
    const std::int32_t x = input.int32(), y = input.int32();
    const std::int32_t tries = static_cast<std::int8_t>(input.byte());
    const auto shown =
        static_cast<Code39RowReader::FailureShown>(static_cast<std::int8_t>(input.byte()));
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(Qt::white);
    // One bit per pixel, row by row, 1 for black.
    for (int row = 0; row < height && input.left() > 0; ++row)
        for (int column = 0; column < width; column += 8) {
            const std::uint8_t bits = input.byte();
            for (int bit = 0; bit < 8 && column + bit < width; ++bit)
                if (bits & (0x80 >> bit)) picture.setPixel(column + bit, row, qRgb(0, 0, 0));
        }
    const Code39RowReader::Reading reading =
        Code39RowReader::readBarcode(ImagePixels(picture), x, y, tries);
    Code39RowReader::shownText(reading, shown);
    return 0;
}
