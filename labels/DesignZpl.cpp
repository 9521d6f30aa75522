#include "labels/DesignZpl.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace Labels {

namespace {

// What a colour prints as on a thermal printer, which has black and nothing.
enum class Ink { None, Black, White };
Ink inkOf(const QColor& color) {
    if (color.alpha() < 128) return Ink::None;
    return qGray(color.rgb()) < 128 ? Ink::Black : Ink::White;
}

int dots(double value) {
    return static_cast<int>(std::lround(value));
}

QRect dotsRect(const QRectF& rect) {
    return {dots(rect.left()), dots(rect.top()), std::max(1, dots(rect.width())),
            std::max(1, dots(rect.height()))};
}

// A box, line or ellipse as ^GB, ^GD, ^GE; false for a white line, which only a bitmap draws.
bool shapeFields(ZplWriter& out, const ShapeObject& shape, const FilledObject& filled,
                 const QRectF& at, double dotsPerPoint) {
    const Ink line = shape.lineWidth > 0 ? inkOf(filled.line) : Ink::None;
    const Ink fill = shape.kind == ShapeObject::Kind::Line ? Ink::None : inkOf(filled.fill);
    const double width = shape.lineWidth * dotsPerPoint;
    const int thickness = std::max(1, dots(width));
    if (line == Ink::White) return false;
    if (shape.kind == ShapeObject::Kind::Line) {
        if (line == Ink::None) return true;
        const QRectF span = at.normalized();
        // A level or upright line is a thin box, centred on the line as a pen draws it.
        if (span.height() < 0.5)
            out.addBox(dotsRect(QRectF(span.left(), span.top() - width / 2, span.width(), width)),
                       thickness);
        else if (span.width() < 0.5)
            out.addBox(dotsRect(QRectF(span.left() - width / 2, span.top(), width, span.height())),
                       thickness);
        else
            out.addDiagonal(dotsRect(span), thickness, (at.width() > 0) != (at.height() > 0));
        return true;
    }
    const bool box = shape.kind == ShapeObject::Kind::Box;
    if (fill != Ink::None) {
        const QRect inside = dotsRect(at.normalized());
        const int side = std::min(inside.width(), inside.height());
        if (box)
            out.addBox(inside, side, fill == Ink::White);
        else
            out.addEllipse(inside, (side + 1) / 2, fill == Ink::White);
    }
    if (line == Ink::Black) {
        // A pen's stroke straddles the outline; ^GB and ^GE draw theirs inside the box.
        const QRect outline =
            dotsRect(at.normalized().adjusted(-width / 2, -width / 2, width / 2, width / 2));
        if (box)
            out.addBox(outline, thickness);
        else
            out.addEllipse(outline, thickness);
    }
    return true;
}

// Text the printer's font can set as we would: one size, black, from the top of its box,
// breaking lines where they are too wide (text that is not to wrap keeps to its own lines);
// nothing for the rest.
bool textFields(ZplWriter& out, const TextObject& text, const FilledObject& filled,
                const QRectF& at, double dotsPerPoint) {
    if (filled.runs.isEmpty() || text.autoShrink || !(text.valign & Qt::AlignTop)) return false;
    QString all;
    for (const TextRun& run : filled.runs) {
        if (run.points != filled.runs.front().points || run.underline ||
            inkOf(run.color.color) != Ink::Black)
            return false;
        all += run.text;
    }
    const int fontDots = std::max(1, dots(filled.runs.front().points * dotsPerPoint));
    const double lineDots = fontDots * text.lineSpacing;
    const double margin = text.margin * dotsPerPoint;
    const QStringList lines = all.split(u'\n');
    const int fitting = std::max(1, static_cast<int>(at.height() / lineDots));
    out.addTextBlock(QPoint(dots(at.left() + margin), dots(at.top())),
                     std::max(1, dots(at.width() - 2 * margin)), fontDots,
                     text.wrap ? fitting : std::min(fitting, int(lines.size())),
                     dots(lineDots - fontDots), text.align, lines);
    return true;
}

// The part of a picture that prints dark, or light, as ZplWriter::addPicture tells them apart.
QRect inkedPart(const QImage& picture, bool light) {
    QRect inked;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            if (qAlpha(line[x]) >= 128 && (qGray(qUnpremultiply(line[x])) < 128) != light)
                inked |= QRect(x, y, 1, 1);
    }
    return inked;
}

// The object painted as we paint it on a page, as a bitmap: all of the label for text,
// which may reach beyond its box, else the object's box with room for its line.
void pictureField(ZplWriter& out, const DesignPainter& painter, const DesignObject& object,
                  const FilledObject& filled, const QRectF& labelDots) {
    const QRectF label(QPointF(), labelDots.size());
    QRectF bounds = label;
    if (!std::holds_alternative<TextObject>(object.item)) {
        const auto* shape = std::get_if<ShapeObject>(&object.item);
        const double pad = 1 + (shape ? shape->lineWidth * painter.dotsPerPoint() : 0);
        const QSizeF box = painter.boxOf(object);
        bounds = painter.placement(object)
                     .mapRect(QRectF(QPointF(), box).normalized().adjusted(-pad, -pad, pad, pad))
                     .intersected(label);
    }
    const QRect pixels = bounds.toAlignedRect().intersected(label.toAlignedRect());
    if (pixels.isEmpty()) return;
    QImage picture(pixels.size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter on(&picture);
    on.translate(-pixels.topLeft());
    painter.paintObject(on, object, filled);
    on.end();
    // White text stands on something dark: it clears what is printed under it. A picture's
    // light parts are paper.
    const bool text = std::holds_alternative<TextObject>(object.item);
    for (const bool light : {false, true}) {
        if (light && !text) break;
        const QRect inked = inkedPart(picture, light);
        if (inked.isEmpty()) continue;
        out.addPicture(picture.copy(inked),
                       (labelDots.topLeft() + pixels.topLeft() + inked.topLeft()).toPoint(), light);
    }
}

} // namespace

bool writeDesignLabel(ZplWriter& out, const Sheet::Place& place, const DesignPainter& painter,
                      const FilledLabel& label) {
    if (!out.beginLabel(place)) return false;
    const double dotsPerPoint = painter.dotsPerPoint();
    const QRectF labelDots(place.label.topLeft() * dotsPerPoint, place.label.size() * dotsPerPoint);
    const QList<DesignObject>& objects = painter.design().objects;
    for (qsizetype i = 0; i < label.size() && i < objects.size(); ++i) {
        const DesignObject& object = objects[i];
        const FilledObject& filled = label[i];
        const QTransform placed = painter.placement(object);
        // Unturned, unstretched: the printer's own commands can say it.
        if (placed.type() <= QTransform::TxTranslate) {
            const QRectF at(labelDots.topLeft() + QPointF(placed.dx(), placed.dy()),
                            painter.boxOf(object));
            if (filled.symbol) {
                const auto& barcode = std::get<BarcodeObject>(object.item);
                out.addSymbol(*filled.symbol, barcode.type, filled.fit.barHeight, filled.fit.dots,
                              (at.topLeft() + filled.fit.origin).toPoint());
                continue;
            }
            if (const auto* shape = std::get_if<ShapeObject>(&object.item);
                shape && shapeFields(out, *shape, filled, at, dotsPerPoint))
                continue;
            if (const auto* text = std::get_if<TextObject>(&object.item);
                text && textFields(out, *text, filled, at, dotsPerPoint))
                continue;
        }
        pictureField(out, painter, object, filled, labelDots);
    }
    return true;
}

} // namespace Labels
