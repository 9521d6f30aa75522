#include "labels/SheetPainter.h"

#include "symbology/DigitCode.h"
#include "symbology/EncodeSymbol.h"
#include "symbology/RuntimeError.h"
#include "symbology/ZintChoices.h"

#include <QDateTime>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cmath>

namespace Labels {

namespace {

constexpr XRange kRetailRange = {0.264, 0.66}; // EAN and UPC: 80 % to 200 % of 0.33 mm
constexpr XRange kTextRange = {0.19, 1.0};

} // namespace

XRange xRangeOf(Symbology symbology) {
    if (symbology == Symbology::Code39 || symbology == Symbology::Code128) return kTextRange;
    return kRetailRange;
}

namespace {

XRange xRangeOf(const ZintChoice& choice) {
    switch (choice.type) {
    case zintsym::ZintType::Ean13:
    case zintsym::ZintType::Ean8:
    case zintsym::ZintType::UpcA:
    case zintsym::ZintType::UpcE:
        return kRetailRange;
    case zintsym::ZintType::Itf14:
        return {0.495, 1.016};
    default:
        // 2D symbols are read by cameras, which want cells of a quarter millimetre or more.
        return choice.barHeight == 0 ? XRange{0.25, 1.0} : kTextRange;
    }
}

} // namespace

XRange xRangeOfType(const QString& typeName) {
    if (const auto classic = symbologyChoice(typeName)) return xRangeOf(classic->symbology);
    return xRangeOf(*zintChoice(typeName));
}

namespace {

// The code text the encoder takes: EAN and UPC-A without their check digit (checked when
// given), or the reason the row is refused. The window pads and cuts digits; a list of
// product codes is taken as it is written.
std::optional<QString> digitsFor(const SymbologyChoice& choice, QString& code) {
    code = code.trimmed();
    // UPC-A's encoder takes its check digit with the data; the list may leave it out.
    const int length =
        choice.symbology == Symbology::UpcA ? 11 : factsOf(choice.symbology).dataDigits;
    const QString name = standardNameOf(choice.symbology);
    if (!DigitCode::allDigits(code))
        return QStringLiteral("%1 takes digits only, not '%2'").arg(name, code);
    if (code.size() == length + 1) {
        const int expected = DigitCode::checkDigit(QStringView(code).first(length));
        if (code.back().unicode() - u'0' != expected)
            return QStringLiteral("the check digit of %1 should be %2").arg(code).arg(expected);
        code.chop(1);
    } else if (code.size() != length) {
        return QStringLiteral("%1 takes %2 digits, or %3 with the check digit; '%4' has %5")
            .arg(name)
            .arg(length)
            .arg(length + 1)
            .arg(code)
            .arg(code.size());
    }
    // UPC-A's encoder draws its twelve digits as given.
    if (choice.symbology == Symbology::UpcA) code += QChar(u'0' + DigitCode::checkDigit(code));
    return std::nullopt;
}

} // namespace

std::variant<LabelSymbol, QString> labelSymbol(const QString& typeName, QString code) {
    if (code.trimmed().isEmpty()) return QStringLiteral("the code is empty");
    if (const auto choice = symbologyChoice(typeName)) {
        if (choice->takesDigitsOnly())
            if (auto refusal = digitsFor(*choice, code)) return *refusal;
        LabelSymbol made;
        try {
            made.symbol = encodeSymbol(*choice, code);
        } catch (const RuntimeError& error) {
            return error.description();
        }
        made.expected =
            choice->symbology == Symbology::Ean13 || choice->symbology == Symbology::Ean8
                ? code + QChar(u'0' + DigitCode::checkDigit(code))
                : code;
        made.range = xRangeOf(choice->symbology);
        return made;
    }
    if (const auto choice = zintChoice(typeName)) {
        const auto encoded = encodeZintChoice(*choice, code.trimmed());
        if (const auto* refusal = std::get_if<QString>(&encoded)) return *refusal;
        return LabelSymbol{std::get<EncodedSymbol>(encoded).symbol, code.trimmed(),
                           xRangeOf(*choice)};
    }
    return QStringLiteral("no symbology is named '%1'").arg(typeName);
}

namespace {

// Whether a box (relative to the label's top left corner) lies inside the printable part. The
// shapes are convex, so a box whose corners lie inside lies inside.
bool inside(const Area& area, const QRectF& box) {
    const QRectF inner(area.margin, area.margin, area.label.width() - 2 * area.margin,
                       area.label.height() - 2 * area.margin);
    if (inner.isEmpty() || box.left() < inner.left() - 1e-6 || box.right() > inner.right() + 1e-6 ||
        box.top() < inner.top() - 1e-6 || box.bottom() > inner.bottom() + 1e-6)
        return false;
    if (area.shape == LabelTemplate::Shape::Rectangle) return true;
    const QPointF centre = inner.center();
    const double a = inner.width() / 2, b = inner.height() / 2;
    // A CD's ring; one cut to a card's width or height takes the smaller side, which keeps
    // inside its ring as well.
    const double radius = std::min(a, b);
    for (const QPointF& corner :
         {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()}) {
        const QPointF d = corner - centre;
        if (area.shape == LabelTemplate::Shape::Cd
                ? std::hypot(d.x(), d.y()) > radius + 1e-6
                : (d.x() / a) * (d.x() / a) + (d.y() / b) * (d.y() / b) > 1 + 1e-9)
            return false;
    }
    // A CD's box stands below the hole.
    return area.shape != LabelTemplate::Shape::Cd ||
           box.top() >= centre.y() + area.hole + area.margin - 1e-6;
}

// Where the box of a symbol (its quiet zones, the text under it and the text lines) goes: the
// bars centred on the label when the rest still fits below them, else, unless `centredOnly`,
// the whole box as low as it fits under that (a CD: under its hole). `box` is as wide as twice
// the wider side from the bars' centre, so that the bars stand centred across either way.
// Nullopt when it does not fit.
std::optional<QRectF> placeBox(const Area& area, QSizeF box, double barsTop, double barsHeight,
                               bool centredOnly) {
    const QPointF centre(area.label.width() / 2, area.label.height() / 2);
    const double left = centre.x() - box.width() / 2;
    if (area.shape == LabelTemplate::Shape::Cd) {
        const QRectF below(left, centre.y() + area.hole + area.margin, box.width(), box.height());
        return inside(area, below) ? std::optional(below) : std::nullopt;
    }
    const QRectF centred(left, centre.y() - barsTop - barsHeight / 2, box.width(), box.height());
    if (inside(area, centred)) return centred;
    if (centredOnly) return std::nullopt;
    const QRectF lifted(left,
                        std::min(centred.top(), area.label.height() - area.margin - box.height()),
                        box.width(), box.height());
    if (inside(area, lifted)) return lifted;
    const QRectF middle(left, centre.y() - box.height() / 2, box.width(), box.height());
    return inside(area, middle) ? std::optional(middle) : std::nullopt;
}

// The middle of the bars (or a 2D symbol's cells), in modules from the picture's left edge.
double middleOf(const Symbol& symbol, const SymbolLayout& layout) {
    const double modules = symbol.matrix ? symbol.matrix->columns : symbol.modules.size();
    return layout.left + modules / 2.0;
}

} // namespace

QSizeF boxOf(const Symbol& symbol, const SymbolLayout& layout, int dots, double linesHeight) {
    const double middle = middleOf(symbol, layout);
    const double halfWidth = std::max(middle, layout.width - middle) * dots;
    return {2 * halfWidth, layout.height * dots + linesHeight};
}

// The largest whole-dot X-dimension in the range that fits with the symbology's bar height;
// failing that, bars cut down to no less than half their height. A symbol alone on its label
// has its bars centred first, with bars cut if need be; text lines under it may push it up.
std::optional<Fit> fitSymbol(const Symbol& symbol, const Area& area, double linesHeight,
                             int lowDots, int highDots) {
    for (const bool centredOnly : {linesHeight == 0, false})
        for (const bool cut : {false, true}) {
            // A 2D symbol's height is its rows': nothing to cut.
            if (cut && symbol.matrix) continue;
            for (int dots = highDots; dots >= lowDots; --dots) {
                const int lowest = cut ? (symbol.barHeight + 1) / 2 : symbol.barHeight;
                const int highest = cut ? symbol.barHeight - 1 : symbol.barHeight;
                for (int bars = highest; bars >= lowest; --bars) {
                    const SymbolLayout layout(symbol, bars, std::nullopt);
                    const QSizeF box = boxOf(symbol, layout, dots, linesHeight);
                    if (const auto placed = placeBox(area, box, layout.top * dots,
                                                     layout.barHeight * dots, centredOnly))
                        return Fit{dots, bars, *placed};
                }
            }
        }
    return std::nullopt;
}

LabelPainter::LabelPainter(const LabelTemplate& label, int dotsPerInch, bool outline)
    : label_(label), dotsPerInch_(dotsPerInch), outline_(outline) {
    font_.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans")});
    font_.setStyleHint(QFont::SansSerif);
    font_.setPixelSize(static_cast<int>(std::lround(kTextLineMm / mmPerDot())));
    lineHeight_ = QFontMetricsF(font_).height();
}

Area LabelPainter::area(const Calibration& calibration) const {
    const QRectF first = calibration.applied(QRectF(QPointF(), label_.label));
    return {label_.shape, first.size() * dotsPerPoint(), label_.markMargin * dotsPerPoint(),
            label_.hole * dotsPerPoint()};
}

double LabelPainter::textWidth(const Area& area, const Symbol& symbol, const Fit& fit) const {
    if (label_.shape == LabelTemplate::Shape::Rectangle)
        return area.label.width() - 2 * area.margin;
    return boxOf(symbol, SymbolLayout(symbol, fit.barHeight, std::nullopt), fit.dots, 0).width();
}

void LabelPainter::paint(QPainter& painter, const QRectF& labelPoints, const Symbol& symbol,
                         const Fit& fit, const QStringList& lines, double textWidth) const {
    const QRectF labelDots(labelPoints.topLeft() * dotsPerPoint(),
                           labelPoints.size() * dotsPerPoint());
    if (outline_) paintOutline(painter, labelDots);
    const SymbolLayout layout(symbol, fit.barHeight, std::nullopt);
    const QRectF box = fit.box.translated(labelDots.topLeft());
    const QPointF centre = box.center();
    // Whole dots from the page's corner keep every bar edge on a printer dot's edge.
    const QPointF origin(std::round(centre.x() - middleOf(symbol, layout) * fit.dots),
                         std::round(box.top()));
    painter.save();
    painter.translate(origin);
    paintSymbol(painter, symbol, layout, fit.dots);
    painter.restore();
    if (lines.isEmpty()) return;
    painter.setFont(font_);
    painter.setPen(Qt::black);
    const QFontMetricsF metrics(font_);
    double top = origin.y() + layout.height * fit.dots;
    for (const QString& line : lines) {
        const QRectF band(centre.x() - textWidth / 2, top, textWidth, lineHeight_);
        painter.drawText(band, Qt::AlignHCenter | Qt::AlignTop,
                         metrics.elidedText(line, Qt::ElideRight, textWidth));
        top += lineHeight_;
    }
}

void LabelPainter::paintCalibration(QPainter& painter, const Sheet& sheet,
                                    const Calibration& calibration) const {
    const double dot = mmPerDot();
    painter.setPen(QPen(Qt::black, 0.1 / dot));
    painter.setFont(font_);
    const double arm = 3 / dot;
    for (qsizetype i = 0; i < sheet.positions().size(); ++i) {
        const QRectF rect = calibration.applied(sheet.positions()[i]);
        const QRectF dots(rect.topLeft() * dotsPerPoint(), rect.size() * dotsPerPoint());
        for (const QPointF& corner :
             {dots.topLeft(), dots.topRight(), dots.bottomLeft(), dots.bottomRight()}) {
            painter.drawLine(corner - QPointF(arm, 0), corner + QPointF(arm, 0));
            painter.drawLine(corner - QPointF(0, arm), corner + QPointF(0, arm));
        }
        painter.drawText(dots, Qt::AlignCenter, QString::number(i + 1));
    }
    const QSizeF paperMm = label_.paper / kPointsPerMm;
    const auto at = [&](double xMm, double yMm) {
        const QRectF point =
            calibration.applied(QRectF(xMm * kPointsPerMm, yMm * kPointsPerMm, 0, 0));
        return point.topLeft() * dotsPerPoint();
    };
    // Rulers 6 mm in from the top and the left edge: inside what most printers can print,
    // and mostly outside the labels.
    constexpr double kRulerMm = 6;
    for (int mm = 0; mm <= paperMm.width(); ++mm) {
        const double length = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.5;
        painter.drawLine(at(mm, kRulerMm), at(mm, kRulerMm + length));
        if (mm % 10 == 0 && mm > 0)
            painter.drawText(at(mm, kRulerMm + 4.5) + QPointF(-lineHeight_, lineHeight_),
                             QString::number(mm));
    }
    for (int mm = 0; mm <= paperMm.height(); ++mm) {
        const double length = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.5;
        painter.drawLine(at(kRulerMm, mm), at(kRulerMm + length, mm));
        if (mm % 10 == 0 && mm > 0)
            painter.drawText(at(kRulerMm + 5, mm) + QPointF(0, lineHeight_ / 3),
                             QString::number(mm));
    }
    const QRectF caption(0, at(0, paperMm.height() - 12).y(), label_.paper.width() * dotsPerPoint(),
                         3 * lineHeight_);
    painter.drawText(
        caption, Qt::AlignHCenter | Qt::AlignTop,
        QStringLiteral("%1: offset %2,%3 mm, scale %4,%5\nLay this page on a sheet of labels "
                       "against the light: the crosshairs belong on the labels' corners.")
            .arg(label_.name())
            .arg(calibration.offsetXMm)
            .arg(calibration.offsetYMm)
            .arg(calibration.scaleX)
            .arg(calibration.scaleY));
}

void LabelPainter::paintFrame(QPainter& painter, const QRectF& labelDots) const {
    if (outline_) paintOutline(painter, labelDots);
}

void LabelPainter::paintOutline(QPainter& painter, const QRectF& label) const {
    painter.save();
    painter.setPen(QPen(Qt::gray, 0.1 / mmPerDot()));
    painter.setBrush(Qt::NoBrush);
    const double corner = label_.corner * dotsPerPoint();
    if (label_.shape == LabelTemplate::Shape::Rectangle) {
        painter.drawRoundedRect(label, corner, corner);
    } else {
        painter.drawEllipse(label);
        if (label_.shape == LabelTemplate::Shape::Cd) {
            const double hole = label_.hole * dotsPerPoint();
            painter.drawEllipse(label.center(), hole, hole);
        }
    }
    painter.restore();
}

SheetWriter::SheetWriter(const QString& path, const QString& printerName,
                         const LabelTemplate& label, bool outline, const QString& creator)
    : file_(path), device_(path), label_(label), printerName_(printerName), creator_(creator) {
    // A device or a pipe (/dev/null, /dev/stdout) is written into, never replaced.
    const QFileInfo target(path);
    toDevice_ = target.exists() && !target.isFile() && !target.isDir();
    if (!printerName.isEmpty()) {
        const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
        if (!info.isNull()) {
            printer_ = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
            // The queue and print-to-file output tell jobs apart by their names.
            printer_->setDocName(
                QStringLiteral("Labels %1 %2")
                    .arg(label_.name(), QDateTime::currentDateTime().toString(
                                            QStringLiteral("yyyy-MM-dd hh.mm.ss.zzz"))));
            printer_->setFullPage(true); // positions are from the paper's corner
            printer_->setPageLayout(pageLayout());
            dotsPerInch_ = printer_->resolution();
        }
    }
    labelPainter_ = std::make_unique<LabelPainter>(label, dotsPerInch_, outline);
}

SheetWriter::~SheetWriter() {
    // A job not committed is not printed.
    if (printer_ && painter_ && painter_->isActive()) printer_->abort();
}

QString SheetWriter::errorString() const {
    if (printer_) return QStringLiteral("the printer refused the job");
    return out().errorString();
}

bool SheetWriter::paint(const Sheet::Place& place, const LabelSymbol& made, const Fit& fit,
                        const QStringList& lines, double textWidth) {
    if (!onPage(place.page)) return false;
    labelPainter_->paint(*painter_, place.label, made.symbol, fit, lines, textWidth);
    return true;
}

bool SheetWriter::paint(const Sheet::Place& place,
                        const std::function<void(QPainter&, const QRectF&)>& paintLabel) {
    if (!onPage(place.page)) return false;
    const QRectF labelDots(place.label.topLeft() * dotsPerPoint(),
                           place.label.size() * dotsPerPoint());
    labelPainter_->paintFrame(*painter_, labelDots);
    paintLabel(*painter_, labelDots);
    return true;
}

bool SheetWriter::paintCalibration(const Sheet& sheet, const Calibration& calibration) {
    if (!onPage(0)) return false;
    labelPainter_->paintCalibration(*painter_, sheet, calibration);
    return true;
}

std::optional<QString> SheetWriter::commit() {
    const bool ended = !painter_ || painter_->end();
    painter_.reset();
    if (printer_) {
        if (!ended || printer_->printerState() == QPrinter::Error)
            return QStringLiteral("Printing on %1 failed.").arg(printer_->printerName());
        return std::nullopt;
    }
    pdf_.reset();
    const bool written = toDevice_ ? ended && device_.flush() : ended && file_.commit();
    if (toDevice_) device_.close();
    if (!written)
        return QStringLiteral("Cannot write %1: %2").arg(out().fileName(), out().errorString());
    return std::nullopt;
}

QPageLayout SheetWriter::pageLayout() const {
    const QPageSize paper(label_.paper / kPointsPerMm, QPageSize::Millimeter, label_.paperName,
                          QPageSize::ExactMatch);
    return QPageLayout(paper, QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
}

// The painter on the page, pages added up to it.
bool SheetWriter::onPage(qint64 page) {
    if (!painter_ && !begin()) return false;
    QPagedPaintDevice* device = printer_ ? static_cast<QPagedPaintDevice*>(printer_.get())
                                         : static_cast<QPagedPaintDevice*>(pdf_.get());
    while (page_ < page) {
        if (!device->newPage()) return false;
        ++page_;
    }
    return true;
}

bool SheetWriter::begin() {
    painter_ = std::make_unique<QPainter>();
    if (printer_) {
        if (!painter_->begin(printer_.get())) return false;
        page_ = 0;
        return true;
    }
    if (!out().open(QIODevice::WriteOnly)) return false;
    pdf_ = std::make_unique<QPdfWriter>(&out());
    pdf_->setResolution(dotsPerInch_);
    pdf_->setTitle(QStringLiteral("Labels %1").arg(label_.name()));
    pdf_->setCreator(creator_);
    pdf_->setPageLayout(pageLayout());
    if (!painter_->begin(pdf_.get())) return false;
    page_ = 0;
    return true;
}

} // namespace Labels
