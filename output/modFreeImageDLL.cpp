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

void ensureInitialised() { static Library library; }

FIBITMAP* dib(FIBITMAP_HANDLE handle) { return static_cast<FIBITMAP*>(handle); }

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

} // namespace modFreeImageDLL
