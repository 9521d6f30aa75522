#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>

// The largest picture the program draws or reads: 2^28 pixels, 1 GiB at four bytes a pixel.
// A 600-dpi A4 page (4,961 x 7,016, 35 million pixels) fits many times over; what lies beyond
// is refused before anything is allocated for it.
inline constexpr qint64 kMaxPicturePixels = qint64(1) << 28;

inline bool exceedsPictureBound(qint64 width, qint64 height) {
    return width <= 0 || height <= 0 || width > kMaxPicturePixels / height;
}

// "W x H pixels (N), more than the N the program draws or reads": the tail of a refusal.
inline QString pictureBoundText(qint64 width, qint64 height) {
    const QLocale english(QLocale::English);
    return QStringLiteral("%1 x %2 pixels (%3), more than the %4 the program draws or reads")
        .arg(width)
        .arg(height)
        .arg(english.toString(width * height), english.toString(kMaxPicturePixels));
}
