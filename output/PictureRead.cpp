#include "output/PictureRead.h"

#include "output/PhotoshopRead.h"

#include <FreeImage.h>

#include <QBuffer>
#include <QImageReader>

#include <cstring>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

namespace PictureRead {
namespace {

// libpng (under Qt's reader) and libtiff (under FreeImage's) print their complaints about a
// damaged file straight to standard error, where only the program's own messages belong: for
// the read, standard error is pointed at /dev/null. Pictures are read before any other thread
// of the program could have something to say.
class QuietStandardError {
  public:
    QuietStandardError() : saved_(::dup(STDERR_FILENO)) {
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~QuietStandardError() {
        if (saved_ < 0) return;
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

  private:
    int saved_;
};

bool tooMany(qint64 width, qint64 height, qint64 maxPixels) {
    return width <= 0 || height <= 0 || width > maxPixels / height;
}

// Qt's reader, told not to allocate more than the bound; nothing when it cannot read the bytes.
std::optional<Result> qtPicture(const QByteArray& bytes, qint64 maxPixels) {
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    if (!reader.canRead()) return std::nullopt;
    const QSize size = reader.size();
    if (size.isValid() && tooMany(size.width(), size.height(), maxPixels)) return TooLarge{size};
    // Megabytes, at four bytes a pixel; the reader counts the picture it decodes into.
    reader.setAllocationLimit(static_cast<int>(maxPixels * 4 / (1024 * 1024)) + 1);
    QImage picture = reader.read();
    if (picture.isNull()) return std::nullopt;
    return picture;
}

struct Library {
    Library() {
        ::FreeImage_Initialise(FALSE);
        // The library's complaints about a damaged file are ours to word.
        ::FreeImage_SetOutputMessage([](FREE_IMAGE_FORMAT, const char*) {});
    }
    ~Library() { ::FreeImage_DeInitialise(); }
};

using Memory = std::unique_ptr<FIMEMORY, decltype(&::FreeImage_CloseMemory)>;
using Bitmap = std::unique_ptr<FIBITMAP, decltype(&::FreeImage_Unload)>;

// The bitmap as a QImage of 32 bits, top row first, with the resolution the file records.
QImage imageOf(FIBITMAP* loaded) {
    const Bitmap rgba(::FreeImage_ConvertTo32Bits(loaded), &::FreeImage_Unload);
    if (!rgba) return {};
    const int width = static_cast<int>(::FreeImage_GetWidth(rgba.get()));
    const int height = static_cast<int>(::FreeImage_GetHeight(rgba.get()));
    QImage picture(width, height, QImage::Format_ARGB32);
    if (picture.isNull()) return {};
    // FreeImage keeps rows bottom-up, each pixel blue, green, red, alpha: ARGB32's bytes.
    for (int y = 0; y < height; ++y)
        std::memcpy(picture.scanLine(y), ::FreeImage_GetScanLine(rgba.get(), height - 1 - y),
                    size_t(width) * 4);
    picture.setDotsPerMeterX(static_cast<int>(::FreeImage_GetDotsPerMeterX(loaded)));
    picture.setDotsPerMeterY(static_cast<int>(::FreeImage_GetDotsPerMeterY(loaded)));
    return picture;
}

Result freeImagePicture(const QByteArray& bytes, qint64 maxPixels) {
    static Library library;
    auto* data = reinterpret_cast<BYTE*>(const_cast<char*>(bytes.constData()));
    const Memory memory(::FreeImage_OpenMemory(data, static_cast<DWORD>(bytes.size())),
                        &::FreeImage_CloseMemory);
    if (!memory) return Unreadable{};
    const FREE_IMAGE_FORMAT format = ::FreeImage_GetFileTypeFromMemory(memory.get(), 0);
    if (format == FIF_UNKNOWN || !::FreeImage_FIFSupportsReading(format)) return Unreadable{};
    // FreeImage 3.18's Photoshop loader writes past its buffers on damaged files (found by the
    // picture fuzz target): Photoshop files are read by our own reader alone.
    if (format == FIF_PSD) return Unreadable{};
    // The size first, from the header alone, where the format's plugin can tell it.
    if (::FreeImage_FIFSupportsNoPixels(format)) {
        const Bitmap header(::FreeImage_LoadFromMemory(format, memory.get(), FIF_LOAD_NOPIXELS),
                            &::FreeImage_Unload);
        if (!header) return Unreadable{};
        const QSize size(static_cast<int>(::FreeImage_GetWidth(header.get())),
                         static_cast<int>(::FreeImage_GetHeight(header.get())));
        if (tooMany(size.width(), size.height(), maxPixels)) return TooLarge{size};
        ::FreeImage_SeekMemory(memory.get(), 0, SEEK_SET);
    }
    const Bitmap loaded(::FreeImage_LoadFromMemory(format, memory.get(), 0), &::FreeImage_Unload);
    if (!loaded) return Unreadable{};
    const QSize size(static_cast<int>(::FreeImage_GetWidth(loaded.get())),
                     static_cast<int>(::FreeImage_GetHeight(loaded.get())));
    if (tooMany(size.width(), size.height(), maxPixels)) return TooLarge{size};
    QImage picture = imageOf(loaded.get());
    if (picture.isNull()) return Unreadable{};
    return picture;
}

Result photoshopPicture(const QByteArray& bytes, qint64 maxPixels) {
    if (const auto size = PhotoshopRead::sizeOf(bytes);
        size && tooMany(size->width(), size->height(), maxPixels))
        return TooLarge{*size};
    if (auto picture = PhotoshopRead::pictureOf(bytes, maxPixels)) return *std::move(picture);
    return Unreadable{};
}

} // namespace

Result pictureOf(const QByteArray& bytes, qint64 maxPixels) {
    if (bytes.isEmpty()) return Unreadable{};
    if (PhotoshopRead::isPhotoshop(bytes)) return photoshopPicture(bytes, maxPixels);
    const QuietStandardError quiet;
    if (auto read = qtPicture(bytes, maxPixels)) return *std::move(read);
    return freeImagePicture(bytes, maxPixels);
}

} // namespace PictureRead
