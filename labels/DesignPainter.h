#pragma once

#include "labels/Design.h"
#include "labels/DesignBarcodes.h"

#include <QByteArray>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QRectF>

#include <optional>
#include <variant>

class QPainter;

namespace Labels {

// What a row holds, by the field names the design uses; variables' values beside them.
using FieldValues = QHash<QString, QString>;

// One object filled in from a row.
struct FilledObject {
    QList<TextRun> runs; // text, fields replaced
    QColor line, fill;   // shapes
    QImage image;        // a picture, or
    QByteArray svg;      // a drawing
    std::optional<LabelSymbol> symbol;
    BoxFit fit{};
};
using FilledLabel = QList<FilledObject>;

// Fills a design in from rows and paints it in the dots of one resolution: text stays text and
// shapes stay vectors on a PDF; barcodes stand at whole dots, centred in their boxes. A
// printer's correction stretches the label by `stretch`: places, boxes and text stretch with
// it, barcodes keep whole dots in their stretched boxes.
class DesignPainter {
  public:
    DesignPainter(const Design& design, const LabelTemplate& label, int dotsPerInch,
                  QSizeF stretch = {1, 1});

    // What is wrong with the design before any row: a picture that cannot be read.
    std::optional<QString> check() const;
    // The label for one row, or why the row is refused ("object 3 (barcode): ...").
    std::variant<FilledLabel, QString> fill(const FieldValues& values) const;
    void paint(QPainter& painter, const QRectF& labelDots, const FilledLabel& label) const;

    double dotsPerPoint() const { return dotsPerInch_ / 72.0; }
    // An object's box in dots, the label's text boxes reaching to the label's edges.
    QSizeF boxOf(const DesignObject& object) const;
    // Where an object's own frame (in dots) lies on the label, from the label's top left
    // corner in dots: its matrix, its place, the design's quarter turn and the stretch.
    QTransform placement(const DesignObject& object) const;
    // What the placement stretches the object's sides by; a barcode's box is that much larger
    // and the barcode unstretched in it.
    QSizeF stretchOf(const DesignObject& object) const;
    const Design& design() const { return design_; }
    // One object, the painter's origin at the label's top left corner in dots.
    void paintObject(QPainter& painter, const DesignObject& object,
                     const FilledObject& filled) const;

  private:
    std::variant<FilledObject, QString> fillObject(const DesignObject& object,
                                                   const FieldValues& values) const;
    std::optional<QString> loadPicture(const QString& source, FilledObject& filled) const;
    void paintText(QPainter& painter, const DesignObject& object, const TextObject& text,
                   const FilledObject& filled) const;
    void paintBarcode(QPainter& painter, const FilledObject& filled) const;

    const Design& design_;
    QSizeF canvas_; // points
    int dotsPerInch_;
    QSizeF stretch_;
    mutable QHash<QString, FilledObject> pictures_; // by source, read once
};

class ListReader;

// The list's column of each field the design uses, by name; the reason when one is missing,
// naming the object that uses it. No reader: the design has no list.
std::variant<QHash<QString, int>, QString> designColumns(const Design& design,
                                                         const ListReader* reader);

// The values of a design's variables for the n-th label of a run: per item counts rows, per
// copy every label, per page the sheets.
void addVariables(const Design& design, qint64 row, qint64 label, qint64 page, FieldValues& values);

} // namespace Labels
