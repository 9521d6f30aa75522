#include "output/ReportPage.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace ReportPage {

namespace {

constexpr int kTitlePixels = 56;
constexpr int kSmallestTitlePixels = 40;
constexpr double kLineSpacing = 1.25;

} // namespace

std::optional<Format> formatOf(const QString& path) {
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) return Format::Svg;
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) return Format::Pdf;
    return std::nullopt;
}

QFont fontOf(int pixels, bool bold) {
    QFont font(QStringLiteral("Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

double Title::height() const {
    return double(lines.size()) * pixels * kLineSpacing;
}

Title fitTitle(const QString& kind, const QString& code, const QString& grade, double width) {
    const QString head = kind + QStringLiteral(" \"");
    const QString tail = QStringLiteral("\": ") + grade;
    for (int pixels = kTitlePixels; pixels >= kSmallestTitlePixels; pixels -= 4) {
        const QFontMetricsF metrics(fontOf(pixels, true));
        const QString line = head + code + tail;
        if (metrics.horizontalAdvance(line) <= width) return {{line}, pixels};
    }
    const QFontMetricsF metrics(fontOf(kSmallestTitlePixels, true));
    const QString closing = QStringLiteral("\"");
    const QString shown = metrics.elidedText(code, Qt::ElideMiddle,
                                             width - metrics.horizontalAdvance(head + closing) - 1);
    return {{head + shown + closing, grade}, kSmallestTitlePixels};
}

double paintTitle(QPainter& painter, const Title& title, double top) {
    painter.setFont(fontOf(title.pixels, true));
    painter.setPen(Qt::black);
    const double step = title.pixels * kLineSpacing;
    for (const QString& line : title.lines) {
        painter.drawText(QRectF(kMargin, top, kWidth, step), Qt::AlignLeft | Qt::AlignVCenter,
                         line);
        top += step;
    }
    return top;
}

double paintWrapped(QPainter& painter, const QString& text, double top, int pixels,
                    const QColor& colour) {
    painter.setFont(fontOf(pixels));
    painter.setPen(colour);
    const QRectF room(kMargin, top, kWidth, kPage.height());
    const QRectF used = painter.boundingRect(room, Qt::AlignLeft | Qt::TextWordWrap, text);
    painter.drawText(room, Qt::AlignLeft | Qt::TextWordWrap, text);
    return top + used.height();
}

QByteArray pageBytes(Format format, const QString& title,
                     const std::function<void(QPainter&)>& paint) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QPainter painter;
    if (format == Format::Svg) {
        QSvgGenerator svg;
        svg.setOutputDevice(&out);
        svg.setResolution(kUnitsPerInch);
        svg.setSize(kPage.toSize());
        svg.setViewBox(QRectF(QPointF(0, 0), kPage));
        svg.setTitle(title);
        if (!painter.begin(&svg)) return {};
        paint(painter);
        painter.end();
    } else {
        QPdfWriter pdf(&out);
        pdf.setResolution(kUnitsPerInch);
        pdf.setTitle(title);
        pdf.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        if (!painter.begin(&pdf)) return {};
        paint(painter);
        painter.end();
    }
    return out.data();
}

} // namespace ReportPage
