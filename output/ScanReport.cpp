#include "output/ScanReport.h"

#include "output/ScanAdvice.h"
#include "symbology/Symbology.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace ScanReport {

namespace {

using ScanGrade::Parameter;

using ReportPage::fontOf;
using ReportPage::kAdvicePixels;
using ReportPage::kMargin;
using ReportPage::kPage;
using ReportPage::kWidth;

const QColor kWorst(200, 30, 30);
const QColor kLine(30, 90, 200);

// The page's parts from the top down, in tenths of a millimetre.
constexpr double kPictureBottom = 1080;
constexpr QRectF kProfileArea(kMargin, 1120, kWidth, 800);
constexpr QRectF kTableArea(kMargin, 1980, kWidth, 700);
constexpr int kNumberPixels = 24;
constexpr QSizeF kNumberBox(36, 28);

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

// The part of a scan line measured, the bars and their quiet zones, on the page: from the end
// it decoded from to the other.
std::pair<QPointF, QPointF> measuredOnPage(const ScanGrade::Line& line, const QRectF& target,
                                           double scale) {
    const auto toPage = [&](QPointF p) { return target.topLeft() + p * scale; };
    const double n = std::max<double>(1, double(line.reflectance.size()));
    const QPointF run = line.to - line.from;
    const QPointF from = toPage(line.from + run * (line.measured.first / n)),
                  to = toPage(line.from + run * (line.measured.second / n));
    return line.reversed ? std::pair{to, from} : std::pair{from, to};
}

// A number's box just beyond an end of its line, `outwards` pointing away from the line.
QRectF numberBoxAt(QPointF end, QPointF outwards) {
    const double length = std::hypot(outwards.x(), outwards.y());
    const QPointF unit = length > 0 ? outwards / length : QPointF(-1, 0);
    const double reach =
        std::abs(unit.x()) * kNumberBox.width() / 2 + std::abs(unit.y()) * kNumberBox.height() / 2;
    const QPointF centre = end + unit * (reach + 4);
    return QRectF(centre - QPointF(kNumberBox.width(), kNumberBox.height()) / 2, kNumberBox);
}

// The shown line's number first, then the others in order, each by the end it decoded from
// where that is clear of every number placed, else by its other end, else none.
std::vector<std::pair<std::size_t, QRectF>> placeNumbers(const ScanGrade::Symbol& symbol,
                                                         std::size_t shown, const QRectF& target,
                                                         double scale) {
    std::vector<std::size_t> order{shown};
    for (std::size_t i = 0; i < symbol.lines.size(); ++i)
        if (i != shown) order.push_back(i);
    std::vector<std::pair<std::size_t, QRectF>> placed;
    for (const std::size_t i : order) {
        const auto [start, end] = measuredOnPage(symbol.lines[i], target, scale);
        for (const QRectF& box : {numberBoxAt(start, start - end), numberBoxAt(end, end - start)}) {
            const bool clear = std::none_of(placed.begin(), placed.end(), [&](const auto& other) {
                return other.second.intersects(box);
            });
            if (clear || i == shown) {
                placed.emplace_back(i, box);
                break;
            }
        }
    }
    return placed;
}

void paintPicture(QPainter& painter, const Layout& layout, const QImage& picture,
                  const ScanGrade::Symbol& symbol, std::size_t shown) {
    const QRectF& target = layout.picture;
    // Embedded no finer than the page shows it.
    painter.drawImage(target, picture.width() > target.width()
                                  ? picture.scaled(target.size().toSize(), Qt::KeepAspectRatio,
                                                   Qt::SmoothTransformation)
                                  : picture);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawRect(target);
    const double scale = target.width() / picture.width();
    for (std::size_t i = 0; i < symbol.lines.size(); ++i) {
        painter.setPen(QPen(i == shown ? kWorst : kLine, i == shown ? 5 : 3));
        const auto [start, end] = measuredOnPage(symbol.lines[i], target, scale);
        painter.drawLine(start, end);
    }
    painter.setFont(fontOf(kNumberPixels));
    for (const auto& [i, box] : layout.numbers) {
        painter.setPen(i == shown ? kWorst : kLine);
        painter.drawText(box, Qt::AlignCenter, QString::number(i + 1));
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

void paintProfile(QPainter& painter, const Layout& layout, const ScanGrade::Symbol& symbol,
                  std::size_t shown) {
    const QRectF& area = layout.profile;
    const ScanGrade::Line& line = symbol.lines[shown];
    const Parameter failing = failingOf(line);
    painter.setFont(fontOf(30, true));
    painter.setPen(Qt::black);
    painter.drawText(
        QRectF(area.left(), area.top(), area.width(), 40), Qt::AlignLeft,
        QStringLiteral("Scan reflectance profile of line %1%2")
            .arg(shown + 1)
            .arg(shown == worstIndex(symbol) ? QStringLiteral(", the worst") : QString()));
    const QRectF& plot = layout.plot;
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
    painter.drawText(layout.threshold, Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("threshold\n%1 %").arg(line.threshold, 0, 'f', 1));
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
    // The note stands over the plot, clear of the curve; the span it speaks of is marked in it.
    const QRectF& note = layout.note;
    if (line.grade() == 4) {
        painter.drawText(note, Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("every measurement grades A"));
    } else if (const auto span = failingSpan(line, failing)) {
        const double left = x(span->first), right = std::max(left + 4, x(span->second));
        painter.drawLine(QPointF(left, note.bottom()), QPointF(right, note.bottom()));
        painter.drawLine(QPointF(left, note.bottom()), QPointF(left, plot.bottom()));
        painter.drawLine(QPointF(right, note.bottom()), QPointF(right, plot.bottom()));
        const double width = QFontMetricsF(painter.font()).horizontalAdvance(label) + 10;
        painter.drawText(QRectF(std::clamp(left, note.left(), note.right() - width), note.top(),
                                width, note.height() - 4),
                         Qt::AlignLeft | Qt::AlignVCenter, label);
    } else {
        painter.drawText(note, Qt::AlignLeft | Qt::AlignVCenter,
                         label + QStringLiteral(" over the whole line"));
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

Layout layoutOf(const QImage& picture, const ScanGrade::Symbol& symbol, std::size_t shown) {
    Layout layout;
    layout.title = ReportPage::fitTitle(
        symbol.kind, ReadingEngine::shownText(symbol.text),
        QStringLiteral("grade %1 (%2)").arg(symbol.letter()).arg(symbol.isoGrade()), kWidth);
    layout.advice = ScanAdvice::plainLine(symbol);
    const QRectF adviceRoom = QFontMetricsF(fontOf(kAdvicePixels))
                                  .boundingRect(QRectF(0, 0, kWidth, kPage.height()),
                                                Qt::AlignLeft | Qt::TextWordWrap, layout.advice);
    layout.infoTop = kMargin + layout.title.height() + 10 + adviceRoom.height() + 10;
    const QRectF pictureArea(kMargin, layout.infoTop + 70, kWidth,
                             kPictureBottom - (layout.infoTop + 70));
    if (!picture.isNull())
        layout.picture =
            QRectF(pictureArea.topLeft(),
                   QSizeF(picture.size()).scaled(pictureArea.size(), Qt::KeepAspectRatio));
    layout.profile = kProfileArea;
    // Room over the plot for the note on the failing measurement and beside it for the
    // threshold's label, so neither is written over the curve.
    layout.plot = kProfileArea.adjusted(90, 100, -190, -50);
    layout.note = QRectF(layout.plot.left(), layout.plot.top() - 50, layout.plot.width(), 44);
    if (shown < symbol.lines.size()) {
        const double threshold = std::clamp(symbol.lines[shown].threshold, 0.0, 100.0);
        const double at = layout.plot.bottom() - threshold / 100 * layout.plot.height();
        layout.threshold = QRectF(layout.plot.right() + 12, at - 30, 170, 60);
    }
    if (!layout.picture.isEmpty() && shown < symbol.lines.size())
        layout.numbers =
            placeNumbers(symbol, shown, layout.picture, layout.picture.width() / picture.width());
    return layout;
}

void paintReport(QPainter& painter, const QImage& picture, const ScanGrade::Symbol& symbol,
                 const QString& name, std::size_t shown) {
    if (symbol.lines.empty()) return;
    if (shown >= symbol.lines.size()) shown = worstIndex(symbol);
    const Layout layout = layoutOf(picture, symbol, shown);
    painter.setRenderHint(QPainter::Antialiasing);
    const double adviceTop = ReportPage::paintTitle(painter, layout.title, kMargin) + 10;
    ReportPage::paintWrapped(painter, layout.advice, adviceTop, kAdvicePixels,
                             symbol.letter() >= u'A' && symbol.letter() <= u'C' ? Qt::black
                                                                                : kWorst);
    painter.setFont(fontOf(30));
    painter.setPen(Qt::black);
    const QString light = symbol.light == ScanLines::Light::Red ? QStringLiteral("red light 660 nm")
                                                                : QStringLiteral("white light");
    painter.drawText(QRectF(kMargin, layout.infoTop, kWidth, 40), Qt::AlignLeft,
                     QStringLiteral("%1 · aperture %2 mm (%3 px) · %4 · X %5 px · %6 scan lines")
                         .arg(name)
                         .arg(symbol.apertureMm, 0, 'f', 3)
                         .arg(symbol.aperture, 0, 'f', 1)
                         .arg(light)
                         .arg(symbol.moduleWidth(), 0, 'f', 2)
                         .arg(symbol.lines.size()));
    if (!layout.picture.isEmpty()) paintPicture(painter, layout, picture, symbol, shown);
    paintProfile(painter, layout, symbol, shown);
    paintTable(painter, kTableArea, symbol, shown);
}

QByteArray reportBytes(const QImage& picture, const ScanGrade::Symbol& symbol, const QString& name,
                       Format format, std::optional<std::size_t> line) {
    return ReportPage::pageBytes(format, QStringLiteral("Scan check"), [&](QPainter& painter) {
        paintReport(painter, picture, symbol, name, line.value_or(symbol.lines.size()));
    });
}

} // namespace ScanReport
