#include "output/ScanReport.h"

#include "symbology/Symbology.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace ScanReport {

namespace {

using ScanGrade::Parameter;

// The page in tenths of a millimetre: A4.
constexpr int kUnitsPerInch = 254;
constexpr QSizeF kPage(2100, 2970);
constexpr double kMargin = 100;

const QColor kWorst(200, 30, 30);
const QColor kLine(30, 90, 200);

QFont fontOf(int pixels, bool bold = false) {
    QFont font(QStringLiteral("Sans"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

std::size_t worstIndex(const ScanGrade::Symbol& symbol) {
    return std::size_t(&symbol.worstLine() - symbol.lines.data());
}

// The measurement that sets a line's grade: the first of its lowest.
Parameter failingOf(const ScanGrade::Line& line) {
    const auto lowest = std::min_element(line.grades.begin(), line.grades.end());
    return Parameter(lowest - line.grades.begin());
}

QString valueText(Parameter p, double value) {
    switch (p) {
    case Parameter::Decode:
        return value > 0 ? QStringLiteral("yes") : QStringLiteral("no");
    case Parameter::SymbolContrast:
    case Parameter::MinimumReflectance:
    case Parameter::MinimumEdgeContrast:
        return QStringLiteral("%1 %").arg(value, 0, 'f', 1);
    default:
        return QString::number(value, 'f', 2);
    }
}

void paintPicture(QPainter& painter, const QRectF& area, const QImage& picture,
                  const ScanGrade::Symbol& symbol, std::size_t shown) {
    const QSizeF fitted = QSizeF(picture.size()).scaled(area.size(), Qt::KeepAspectRatio);
    const QRectF target(area.topLeft(), fitted);
    // Embedded no finer than the page shows it.
    painter.drawImage(
        target, picture.width() > fitted.width()
                    ? picture.scaled(fitted.toSize(), Qt::KeepAspectRatio, Qt::SmoothTransformation)
                    : picture);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawRect(target);
    const double scale = fitted.width() / picture.width();
    const auto toPage = [&](QPointF p) { return target.topLeft() + p * scale; };
    painter.setFont(fontOf(24));
    for (std::size_t i = 0; i < symbol.lines.size(); ++i) {
        const ScanGrade::Line& line = symbol.lines[i];
        const QColor colour = i == shown ? kWorst : kLine;
        painter.setPen(QPen(colour, i == shown ? 5 : 3));
        // The part of the line measured: the bars and their quiet zones.
        const double n = std::max<double>(1, double(line.reflectance.size()));
        const QPointF run = line.to - line.from;
        const QPointF from = toPage(line.from + run * (line.measured.first / n)),
                      to = toPage(line.from + run * (line.measured.second / n));
        painter.drawLine(from, to);
        const QPointF start = line.reversed ? to : from; // where the line decoded from
        painter.drawText(QRectF(start - QPointF(40, 14), QSizeF(36, 28)),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(i + 1));
    }
}

// Where along the line the failing measurement was taken, in samples; nullopt where it is the
// line as a whole (decode, decodability).
std::optional<std::pair<double, double>> failingSpan(const ScanGrade::Line& line, Parameter p) {
    const auto& r = line.reflectance;
    const auto first = std::size_t(std::clamp(line.measured.first, 0.0, double(r.size())));
    const auto last = std::size_t(std::clamp(line.measured.second, 0.0, double(r.size())));
    if (first >= last) return std::nullopt;
    if (p == Parameter::SymbolContrast || p == Parameter::MinimumReflectance) {
        const auto darkest = std::min_element(r.begin() + long(first), r.begin() + long(last));
        const double at = double(darkest - r.begin());
        return std::pair{at, at + 1};
    }
    if (p != Parameter::MinimumEdgeContrast && p != Parameter::Modulation &&
        p != Parameter::Defects)
        return std::nullopt;
    // The elements as runs of samples on either side of the threshold.
    struct Run {
        std::size_t from, to;
        double low, high;
    };
    std::vector<Run> runs;
    for (std::size_t k = first; k < last; ++k) {
        const bool dark = r[k] < line.threshold;
        if (runs.empty() || (r[runs.back().from] < line.threshold) != dark)
            runs.push_back({k, k + 1, r[k], r[k]});
        Run& run = runs.back();
        run.to = k + 1;
        run.low = std::min(run.low, r[k]);
        run.high = std::max(run.high, r[k]);
    }
    std::optional<std::pair<double, double>> span;
    double worst = 1e9;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        double measure = 0;
        std::pair<double, double> at{double(runs[i].from), double(runs[i].to)};
        if (p == Parameter::Defects) {
            measure = -(runs[i].high - runs[i].low); // the most uneven element
        } else {
            if (i == 0) continue;
            const bool dark = r[runs[i].from] < line.threshold;
            measure = dark ? runs[i - 1].high - runs[i].low : runs[i].high - runs[i - 1].low;
            at.first = double(runs[i - 1].from);
        }
        if (measure < worst) {
            worst = measure;
            span = at;
        }
    }
    return span;
}

void paintProfile(QPainter& painter, const QRectF& area, const ScanGrade::Symbol& symbol,
                  std::size_t shown) {
    const ScanGrade::Line& line = symbol.lines[shown];
    const Parameter failing = failingOf(line);
    painter.setFont(fontOf(30, true));
    painter.setPen(Qt::black);
    painter.drawText(
        QRectF(area.left(), area.top(), area.width(), 40), Qt::AlignLeft,
        QStringLiteral("Scan reflectance profile of line %1%2")
            .arg(shown + 1)
            .arg(shown == worstIndex(symbol) ? QStringLiteral(", the worst") : QString()));
    const QRectF plot = area.adjusted(90, 60, -10, -50);
    const auto& r = line.reflectance;
    const QPointF run = line.to - line.from;
    const double spacing = r.empty() ? 1 : std::hypot(run.x(), run.y()) / double(r.size());
    const double from = std::clamp(line.measured.first, 0.0, double(r.size()));
    const double to = std::max(from + 1, std::clamp(line.measured.second, 0.0, double(r.size())));
    const auto x = [&](double sample) {
        return plot.left() + (sample - from) / (to - from) * plot.width();
    };
    const auto y = [&](double percent) { return plot.bottom() - percent / 100 * plot.height(); };

    // The bars (below the threshold) shaded.
    for (auto k = std::size_t(from); k < std::size_t(to) && k < r.size(); ++k)
        if (r[k] < line.threshold)
            painter.fillRect(
                QRectF(x(double(k)), plot.top(), x(double(k) + 1) - x(double(k)), plot.height()),
                QColor(225, 225, 225));
    painter.setFont(fontOf(22));
    for (int percent = 0; percent <= 100; percent += 20) {
        painter.setPen(QPen(QColor(190, 190, 190), 1));
        painter.drawLine(QPointF(plot.left(), y(percent)), QPointF(plot.right(), y(percent)));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left(), y(percent) - 15, 80, 30),
                         Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("%1 %").arg(percent));
    }
    painter.drawText(
        QRectF(plot.left(), plot.bottom() + 8, plot.width(), 30), Qt::AlignCenter,
        QStringLiteral("position along the line: %1 px").arg(std::lround((to - from) * spacing)));
    painter.setPen(QPen(Qt::black, 2, Qt::DashLine));
    painter.drawLine(QPointF(plot.left(), y(line.threshold)),
                     QPointF(plot.right(), y(line.threshold)));
    painter.drawText(QRectF(plot.right() - 400, y(line.threshold) - 32, 400, 30), Qt::AlignRight,
                     QStringLiteral("global threshold %1 %").arg(line.threshold, 0, 'f', 1));
    QPainterPath profile;
    for (auto k = std::size_t(from); k < std::size_t(to) && k < r.size(); ++k) {
        const QPointF point(x(double(k) + 0.5), y(r[k]));
        if (profile.elementCount() == 0)
            profile.moveTo(point);
        else
            profile.lineTo(point);
    }
    painter.setPen(QPen(Qt::black, 3));
    painter.drawPath(profile);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawRect(plot);

    // The failing measurement: where it was taken, with its value and grade.
    const auto p = std::size_t(failing);
    const QString label =
        QStringLiteral("%1 %2 (%3)")
            .arg(ScanGrade::parameterName(failing), valueText(failing, line.values[p]),
                 QString(ScanGrade::letterOf(line.grades[p])));
    painter.setPen(QPen(kWorst, 5));
    if (line.grade() == 4) {
        painter.drawText(QRectF(plot.left() + 10, plot.top() + 14, plot.width() - 20, 30),
                         Qt::AlignLeft, QStringLiteral("every measurement grades A"));
    } else if (const auto span = failingSpan(line, failing)) {
        const double left = x(span->first), right = std::max(left + 4, x(span->second));
        painter.drawLine(QPointF(left, plot.top() + 10), QPointF(right, plot.top() + 10));
        painter.drawLine(QPointF(left, plot.top()), QPointF(left, plot.bottom()));
        painter.drawLine(QPointF(right, plot.top()), QPointF(right, plot.bottom()));
        painter.drawText(QRectF(std::min(left, plot.right() - 600), plot.top() + 14, 600, 30),
                         Qt::AlignLeft, label);
    } else {
        painter.drawText(QRectF(plot.left() + 10, plot.top() + 14, plot.width() - 20, 30),
                         Qt::AlignLeft, label + QStringLiteral(" over the whole line"));
    }
}

void paintTable(QPainter& painter, const QRectF& area, const ScanGrade::Symbol& symbol,
                std::size_t shown) {
    const QStringList parameters = {QStringLiteral("decode"),      QStringLiteral("SC"),
                                    QStringLiteral("Rmin"),        QStringLiteral("EC min"),
                                    QStringLiteral("MOD"),         QStringLiteral("defects"),
                                    QStringLiteral("decodability")};
    const QStringList head = QStringList{QStringLiteral("line"), QStringLiteral("reads")} +
                             parameters + QStringList{QStringLiteral("grade")};
    const double rowHeight = 56;
    const std::vector<double> widths = {100, 290, 150, 170, 150, 170, 150, 170, 200, 150};
    double scale = 0;
    for (const double w : widths)
        scale += w;
    scale = area.width() / scale;
    const auto cell = [&](int row, std::size_t column) {
        double left = area.left();
        for (std::size_t c = 0; c < column; ++c)
            left += widths[c] * scale;
        return QRectF(left, area.top() + row * rowHeight, widths[column] * scale, rowHeight);
    };
    painter.setFont(fontOf(26, true));
    painter.setPen(Qt::black);
    for (std::size_t c = 0; c < std::size_t(head.size()); ++c)
        painter.drawText(cell(0, c), Qt::AlignCenter, head[qsizetype(c)]);
    painter.setFont(fontOf(26));
    for (std::size_t i = 0; i < symbol.lines.size(); ++i) {
        const ScanGrade::Line& line = symbol.lines[i];
        const int row = int(i) + 1;
        if (i == shown) painter.fillRect(cell(row, 0).united(cell(row, 9)), QColor(250, 225, 225));
        painter.drawText(cell(row, 0), Qt::AlignCenter, QString::number(i + 1));
        painter.drawText(cell(row, 1), Qt::AlignCenter,
                         line.text.isEmpty() ? QStringLiteral("—")
                         : line.reversed     ? QStringLiteral("backwards")
                                             : QStringLiteral("forwards"));
        for (int p = 0; p < ScanGrade::kParameterCount; ++p)
            painter.drawText(cell(row, std::size_t(p) + 2), Qt::AlignCenter,
                             QStringLiteral("%1 %2").arg(
                                 valueText(Parameter(p), line.values[std::size_t(p)]),
                                 QString(ScanGrade::letterOf(line.grades[std::size_t(p)]))));
        painter.drawText(cell(row, 9), Qt::AlignCenter, QString(ScanGrade::letterOf(line.grade())));
    }
    const int last = int(symbol.lines.size()) + 1;
    painter.setFont(fontOf(26, true));
    painter.drawText(cell(last, 0).united(cell(last, 8)), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("symbol: mean of the lines' grades "));
    painter.drawText(cell(last, 9), Qt::AlignCenter,
                     QStringLiteral("%1 (%2)").arg(symbol.letter()).arg(symbol.score(), 0, 'f', 1));
    painter.setPen(QPen(Qt::black, 2));
    for (int row = 0; row <= last + 1; ++row)
        painter.drawLine(QPointF(area.left(), area.top() + row * rowHeight),
                         QPointF(area.right(), area.top() + row * rowHeight));
}

} // namespace

QSizeF pageSize() {
    return kPage;
}

void paintReport(QPainter& painter, const QImage& picture, const ScanGrade::Symbol& symbol,
                 const QString& name, std::size_t shown) {
    if (symbol.lines.empty()) return;
    if (shown >= symbol.lines.size()) shown = worstIndex(symbol);
    const double width = kPage.width() - 2 * kMargin;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(fontOf(56, true));
    painter.drawText(QRectF(kMargin, kMargin, width, 70), Qt::AlignLeft,
                     QStringLiteral("%1 \"%2\": grade %3 (%4)")
                         .arg(symbol.kind, ReadingEngine::shownText(symbol.text),
                              QString(symbol.letter()), symbol.isoGrade()));
    painter.setFont(fontOf(30));
    const QString light = symbol.light == ScanLines::Light::Red ? QStringLiteral("red light 660 nm")
                                                                : QStringLiteral("white light");
    painter.drawText(QRectF(kMargin, kMargin + 80, width, 40), Qt::AlignLeft,
                     QStringLiteral("%1 · aperture %2 mm (%3 px) · %4 · X %5 px · %6 scan lines")
                         .arg(name)
                         .arg(symbol.apertureMm, 0, 'f', 3)
                         .arg(symbol.aperture, 0, 'f', 1)
                         .arg(light)
                         .arg(symbol.moduleWidth(), 0, 'f', 2)
                         .arg(symbol.lines.size()));
    paintPicture(painter, QRectF(kMargin, 260, width, 820), picture, symbol, shown);
    paintProfile(painter, QRectF(kMargin, 1120, width, 800), symbol, shown);
    paintTable(painter, QRectF(kMargin, 1980, width, 700), symbol, shown);
}

std::optional<Format> formatOf(const QString& path) {
    if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) return Format::Svg;
    if (path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) return Format::Pdf;
    return std::nullopt;
}

QByteArray reportBytes(const QImage& picture, const ScanGrade::Symbol& symbol, const QString& name,
                       Format format) {
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QPainter painter;
    if (format == Format::Svg) {
        QSvgGenerator svg;
        svg.setOutputDevice(&out);
        svg.setResolution(kUnitsPerInch);
        svg.setSize(kPage.toSize());
        svg.setViewBox(QRectF(QPointF(0, 0), kPage));
        svg.setTitle(QStringLiteral("Scan check"));
        if (!painter.begin(&svg)) return {};
        paintReport(painter, picture, symbol, name, symbol.lines.size());
        painter.end();
    } else {
        QPdfWriter pdf(&out);
        pdf.setResolution(kUnitsPerInch);
        pdf.setTitle(QStringLiteral("Scan check"));
        pdf.setPageLayout(
            QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        if (!painter.begin(&pdf)) return {};
        paintReport(painter, picture, symbol, name, symbol.lines.size());
        painter.end();
    }
    return out.data();
}

} // namespace ScanReport
