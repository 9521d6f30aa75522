#include "output/MatrixReport.h"

#include "output/ReportPage.h"
#include "output/ScanAdvice.h"

#include <algorithm>
#include <map>

namespace MatrixReport {

namespace {

using Grade2D::Parameter;
using ReportPage::fontOf;
using ReportPage::kMargin;

// A grade's colour on the maps: F red through D, C, B to A green.
QColor colourOf(int grade) {
    static const QColor kColours[] = {
        {200, 30, 30}, {235, 120, 30}, {235, 200, 40}, {150, 200, 60}, {40, 160, 70}};
    return kColours[std::clamp(grade, 0, 4)];
}

QChar letterOf(int grade) {
    return QChar(u"FDCBA"[std::clamp(grade, 0, 4)]);
}

// The symbol with its quiet zone, cut from the picture, and the module grid over it.
void paintGrid(QPainter& painter, const QRectF& area, const QImage& picture,
               const Grade2D::Symbol& symbol) {
    const auto& grid = symbol.grid;
    const int quiet = 2;
    QRectF around;
    for (const QPointF corner :
         {QPointF(-quiet, -quiet), QPointF(grid.columns + quiet, -quiet),
          QPointF(grid.columns + quiet, grid.rows + quiet), QPointF(-quiet, grid.rows + quiet)})
        around |= QRectF(grid.toPicture.map(corner), QSizeF(1, 1));
    const QRect crop = around.toAlignedRect() & picture.rect();
    if (crop.isEmpty()) return;
    const QImage part = picture.copy(crop);
    const QSizeF fitted = QSizeF(part.size()).scaled(area.size(), Qt::KeepAspectRatio);
    const QRectF target(area.topLeft(), fitted);
    painter.drawImage(target, part);
    const double scale = fitted.width() / part.width();
    const auto toPage = [&](QPointF modules) {
        return target.topLeft() + (grid.toPicture.map(modules) - QPointF(crop.topLeft())) * scale;
    };
    painter.setPen(QPen(QColor(30, 90, 200, 160), 1.5));
    for (int c = 0; c <= grid.columns; ++c)
        painter.drawLine(toPage(QPointF(c, 0)), toPage(QPointF(c, grid.rows)));
    for (int r = 0; r <= grid.rows; ++r)
        painter.drawLine(toPage(QPointF(0, r)), toPage(QPointF(grid.columns, r)));
    // The reference points the grid was fitted to, red where they stray beyond grade A.
    for (const auto& m : grid.references) {
        const QPointF at = target.topLeft() + (m.at - QPointF(crop.topLeft())) * scale;
        painter.setPen(Qt::NoPen);
        painter.setBrush(std::abs(m.deviation) > 0.38 ? colourOf(0) : colourOf(4));
        painter.drawEllipse(at, 5, 5);
    }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawRect(target);
}

// Every module as a cell: a codeword's modules in its grade's colour, a fixed pattern's in its
// segment's, the rest white; dark modules as the reference decode wants them darker.
void paintCodewordMap(QPainter& painter, const QRectF& area, const Grade2D::Symbol& symbol) {
    const int rows = symbol.grid.rows, columns = symbol.grid.columns;
    if (rows <= 0 || columns <= 0) return;
    const double cell = std::min(area.width() / columns, area.height() / rows);
    std::map<std::pair<int, int>, QColor> colours;
    for (std::size_t i = 0; i < symbol.read.codewords.size() && i < symbol.codewordGrades.size();
         ++i)
        for (const auto& m : symbol.read.codewords[i].modules)
            colours[{m.y(), m.x()}] = colourOf(symbol.codewordGrades[i]);
    for (std::size_t s = 0; s < symbol.read.segments.size() && s < symbol.segments.size(); ++s)
        for (const auto& m : symbol.read.segments[s].modules)
            colours[{m.y(), m.x()}] = colourOf(symbol.segments[s].grade).darker(130);
    const auto& modules = symbol.read.ideal.rows > 0 ? symbol.read.ideal : symbol.grid.modules;
    painter.setPen(Qt::NoPen);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            const auto found = colours.find({r, c});
            QColor colour = found == colours.end() ? QColor(Qt::white) : found->second;
            if (modules.dark(r, c)) colour = colour.darker(170);
            painter.setBrush(colour);
            painter.drawRect(QRectF(area.left() + c * cell, area.top() + r * cell, cell, cell));
        }
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawRect(QRectF(area.topLeft(), QSizeF(columns * cell, rows * cell)));
}

QString valueText(Parameter p, double value) {
    switch (p) {
    case Parameter::Decode:
        return value > 0 ? QStringLiteral("yes") : QStringLiteral("no");
    case Parameter::SymbolContrast:
        return QStringLiteral("%1 %").arg(value, 0, 'f', 1);
    case Parameter::QuietZone:
        return QStringLiteral("%1 modules").arg(value, 0, 'f', 0);
    default:
        return QString::number(value, 'f', 3);
    }
}

void paintTable(QPainter& painter, const QRectF& area, const Grade2D::Symbol& symbol) {
    painter.setFont(fontOf(30));
    double y = area.top();
    const double rowHeight = 42;
    for (int p = 0; p < Grade2D::kParameterCount; ++p) {
        const auto parameter = Parameter(p);
        const auto& m = symbol[parameter];
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left(), y, 600, rowHeight), Qt::AlignLeft,
                         Grade2D::parameterName(parameter));
        painter.drawText(QRectF(area.left() + 600, y, 300, rowHeight), Qt::AlignRight,
                         valueText(parameter, m.value));
        if (Grade2D::isGraded(parameter)) {
            painter.setPen(colourOf(m.grade));
            painter.drawText(QRectF(area.left() + 960, y, 80, rowHeight), Qt::AlignLeft,
                             QString(letterOf(m.grade)));
        }
        y += rowHeight;
    }
    // The fixed patterns by segment, beside the table.
    double sy = area.top();
    for (const Grade2D::SegmentGrade& s : symbol.segments) {
        painter.setPen(colourOf(s.grade));
        painter.drawText(QRectF(area.left() + 1100, sy, 800, rowHeight), Qt::AlignLeft,
                         QStringLiteral("%1 %2: %3 of %4 modules wrong")
                             .arg(letterOf(s.grade))
                             .arg(s.name)
                             .arg(s.damaged)
                             .arg(s.modules));
        sy += rowHeight;
    }
}

} // namespace

void paintReport(QPainter& painter, const QImage& picture, const Grade2D::Symbol& symbol,
                 const QString& name) {
    const double width = ReportPage::kWidth;
    painter.setRenderHint(QPainter::Antialiasing);
    const ReportPage::Title title = ReportPage::fitTitle(
        symbol.kind, ReadingEngine::shownText(symbol.text),
        QStringLiteral("grade %1 (%2)").arg(symbol.letter()).arg(symbol.isoGrade()), width);
    const double adviceTop = ReportPage::paintTitle(painter, title, kMargin) + 10;
    const double infoTop =
        ReportPage::paintWrapped(painter, ScanAdvice::plainLine(symbol), adviceTop,
                                 ReportPage::kAdvicePixels,
                                 symbol.grade() >= 2 ? QColor(Qt::black) : colourOf(0)) +
        10;
    painter.setFont(fontOf(30));
    painter.setPen(Qt::black);
    const QString light = symbol.light == ScanLines::Light::Red ? QStringLiteral("red light 660 nm")
                                                                : QStringLiteral("white light");
    painter.drawText(QRectF(kMargin, infoTop, width, 40), Qt::AlignLeft,
                     QStringLiteral("%1 · aperture %2 mm (%3 px) · %4 · X %5 px · %6×%7 modules")
                         .arg(name)
                         .arg(symbol.apertureMm, 0, 'f', 3)
                         .arg(symbol.grid.aperture, 0, 'f', 1)
                         .arg(light)
                         .arg(symbol.grid.moduleSize(), 0, 'f', 2)
                         .arg(symbol.columns)
                         .arg(symbol.rows));
    const double half = (width - 60) / 2;
    const double top = infoTop + 70;
    painter.drawText(QRectF(kMargin, top, half, 40), Qt::AlignLeft,
                     QStringLiteral("The module grid found, its reference points"));
    painter.drawText(QRectF(kMargin + half + 60, top, half, 40), Qt::AlignLeft,
                     QStringLiteral("Codewords and fixed patterns by grade"));
    paintGrid(painter, QRectF(kMargin, top + 50, half, half), picture, symbol);
    paintCodewordMap(painter, QRectF(kMargin + half + 60, top + 50, half, half), symbol);
    paintTable(painter, QRectF(kMargin, top + 50 + half + 80, width, 700), symbol);
}

QByteArray reportBytes(const QImage& picture, const Grade2D::Symbol& symbol, const QString& name,
                       ScanReport::Format format) {
    return ReportPage::pageBytes(format, QStringLiteral("2D scan check"), [&](QPainter& painter) {
        paintReport(painter, picture, symbol, name);
    });
}

} // namespace MatrixReport
