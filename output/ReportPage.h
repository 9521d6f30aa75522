#pragma once

#include <QByteArray>
#include <QFont>
#include <QPainter>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What the linear and the 2D report pages share: an A4 page measured in tenths of a
// millimetre, its fonts, a title that keeps the grade in view, and the page as SVG or PDF.
namespace ReportPage {

enum class Format { Svg, Pdf };

// By the file name's ending, .svg or .pdf in any case; nullopt for anything else.
std::optional<Format> formatOf(const QString& path);

inline constexpr int kUnitsPerInch = 254;
inline constexpr QSizeF kPage(2100, 2970);
inline constexpr double kMargin = 100;
inline constexpr double kWidth = kPage.width() - 2 * kMargin;
// The plain-language line under the title.
inline constexpr int kAdvicePixels = 34;

QFont fontOf(int pixels, bool bold = false);

// A title of the symbol's name and code, then its grade: one line, in a smaller font when it
// has to; or, for a code too long for that, the code on the first line (cut in the middle if
// need be) and the grade alone on the second.
struct Title {
    QStringList lines;
    int pixels = 0;
    double height() const;
};
Title fitTitle(const QString& kind, const QString& code, const QString& grade, double width);
// Paints it from `top`; returns where the next thing may go.
double paintTitle(QPainter& painter, const Title& title, double top);

// A plain-language line over several lines if need be, from `top`; returns where the next
// thing may go.
double paintWrapped(QPainter& painter, const QString& text, double top, int pixels,
                    const QColor& colour);

// The page painted by `paint` as a file of that format; empty when it cannot be drawn.
QByteArray pageBytes(Format format, const QString& title,
                     const std::function<void(QPainter&)>& paint);

} // namespace ReportPage
