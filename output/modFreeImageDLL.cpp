#include "modFreeImageDLL.h"

#include <QFile>

#include <FreeImage.h>

namespace modFreeImageDLL {
namespace {

// The library wants its plugins registered once per process.
struct Library {
    Library() { ::FreeImage_Initialise(FALSE); }
    ~Library() { ::FreeImage_DeInitialise(); }
};

void ensureInitialised() {
    static Library library;
}

FIBITMAP* dib(FIBITMAP_HANDLE handle) {
    return static_cast<FIBITMAP*>(handle);
}

} // namespace

FIBITMAP_HANDLE FreeImage_Load(int format, const QString& fileName, int flags) {
    ensureInitialised();
    const QByteArray name = QFile::encodeName(fileName);
    return ::FreeImage_Load(static_cast<::FREE_IMAGE_FORMAT>(format), name.constData(), flags);
}

bool FreeImage_Save(int format, FIBITMAP_HANDLE bitmap, const QString& fileName, int flags) {
    ensureInitialised();
    if (!bitmap) return false;
    const QByteArray name = QFile::encodeName(fileName);
    return ::FreeImage_Save(static_cast<::FREE_IMAGE_FORMAT>(format), dib(bitmap), name.constData(),
                            flags) == 1;
}

void FreeImage_Unload(FIBITMAP_HANDLE bitmap) {
    if (bitmap) ::FreeImage_Unload(dib(bitmap));
}

FIBITMAP_HANDLE FreeImage_ColorQuantizeWu(FIBITMAP_HANDLE bitmap) {
    ensureInitialised();
    return bitmap ? ::FreeImage_ColorQuantize(dib(bitmap), FIQ_WUQUANT) : nullptr;
}

FIBITMAP_HANDLE FreeImage_FromOneBitRows(const QByteArray& rows, int width, int height, int pitch) {
    ensureInitialised();
    auto* bits = reinterpret_cast<BYTE*>(const_cast<char*>(rows.constData()));
    FIBITMAP* bitmap = ::FreeImage_ConvertFromRawBits(bits, width, height, pitch, 1, 0, 0, 0, TRUE);
    if (!bitmap) return nullptr;
    RGBQUAD* palette = ::FreeImage_GetPalette(bitmap);
    palette[0] = RGBQUAD{0, 0, 0, 0};
    palette[1] = RGBQUAD{255, 255, 255, 0};
    return bitmap;
}

} // namespace modFreeImageDLL
