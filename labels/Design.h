#pragma once

#include "labels/TemplateCatalog.h"

#include <QByteArray>
#include <QChar>
#include <QColor>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QTransform>

#include <optional>
#include <variant>

class QIODevice;

// A label design: what stands where on one label, read from a gLabels file or from our own
// layout lines, and filled in from a list's rows. Lengths are in points from the label's top
// left corner, as the label templates have them; nothing here knows whether the label ends up
// on a PDF, a printer or a roll.
namespace Labels {

// Text with ${name} fields in it, filled in from a row: "EUR ${price}". A field may carry
// gLabels 4's modifiers after its name: ${price:%.2f} formats the value as C's printf does
// (flags -+ 0, a width, a precision, one of diufFeEgGxXos), ${name:=none} stands in for an
// empty value (\ escapes : and }), ${line2:n} puts a line break before a value that is not
// empty. "${" without its "}" is plain text.
struct FieldReference {
    QString name;
    QString format; // "%05d", empty for none
    QString fallback;
    bool newLine = false;
    qsizetype start = 0, end = 0; // where it stands in the text

    // Its value in the row: the field's, else the fallback, formatted.
    QString valueFrom(const QHash<QString, QString>& values) const;
};
// The fields of a text, or why one cannot be read.
std::variant<QList<FieldReference>, QString> fieldReferences(const QString& text);
// The names of the fields a text reads; none when one cannot be read.
QStringList fieldsIn(const QString& text);
// The text with its fields' values from the row.
QString filledIn(const QString& text, const QHash<QString, QString>& values);

// gLabels' 0xRRGGBBAA, #rrggbb or a colour's name; nullopt for anything else.
std::optional<QColor> colorNamed(const QString& text);

// A colour, or the field of the row that names it (#rrggbb, a colour name or gLabels'
// 0xRRGGBBAA).
struct DesignColor {
    QColor color = Qt::black;
    QString field;
};

// A run of text in one font; "\n" breaks the line.
struct TextRun {
    QString text;
    QString family = QStringLiteral("Sans");
    double points = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    DesignColor color;
};

struct TextObject {
    QList<TextRun> runs;
    Qt::Alignment align = Qt::AlignLeft;
    Qt::Alignment valign = Qt::AlignTop;
    bool wrap = true;
    double lineSpacing = 1;
    bool autoShrink = false; // the font shrinks until the text fits its box
    double margin = 0;       // points kept free inside the box's left and right edges
};

struct ShapeObject {
    enum class Kind { Box, Line, Ellipse };
    Kind kind = Kind::Box;
    double lineWidth = 1;
    DesignColor line;
    DesignColor fill{QColor(Qt::transparent), {}}; // a line has none
};

// A picture: a file (beside the design when relative), one embedded in the design, or one a
// field names.
struct ImageObject {
    QString source; // may hold ${fields}
};

struct BarcodeObject {
    QString type;  // ours, as --type takes it
    QString style; // as the design named it, for messages
    QString data;  // may hold ${fields}
    bool text = true;
    bool checksum = true;
};

struct DesignObject {
    QPointF at;
    QSizeF size;       // a line's dx and dy
    QTransform matrix; // gLabels' affine matrix, in the object's own frame
    std::variant<TextObject, ShapeObject, ImageObject, BarcodeObject> item;

    QString kindName() const;
    // Every field the object reads from the row.
    QStringList fields() const;
    // A field of its texts that cannot be read.
    std::optional<QString> fieldProblem() const;
};

// A gLabels 4 variable: a value of its own, counted up per label, per copy or per page.
struct DesignVariable {
    enum class Type { Text, Integer, Decimal };
    enum class Step { Never, PerItem, PerCopy, PerPage };
    Type type = Type::Text;
    QString name;
    QString initial;
    QString step = QStringLiteral("0");
    Step when = Step::Never;
};

// The design's own list.
struct DesignMerge {
    QString path; // absolute, or as given when the design came without a folder
    std::optional<QChar> delimiter;
    bool header = false;
};

struct Design {
    std::optional<LabelTemplate> label; // from the file, else named by `templateName`
    QString templateName;
    bool rotated = false; // designed on the label turned a quarter to the left
    QList<DesignObject> objects;
    std::optional<DesignMerge> merge;
    QList<DesignVariable> variables;
    QHash<QString, QByteArray> embedded; // pictures by the name objects use
    QString folder;                      // where relative names start

    // The size the objects are placed in: the label's, turned when `rotated`.
    QSizeF canvas(const LabelTemplate& label) const;
};

// gLabels 3 (gzip or plain, http://glabels.org/xmlns/3.0/) and gLabels 4 (version="4.0")
// files; `folder` is the design file's. The reason when it cannot be used.
std::variant<Design, QString> readGlabelsDesign(QIODevice& device, const PaperSizes& papers,
                                                const QString& folder);

// Our own layout lines (README, "Label designs").
std::variant<Design, QString> readLayoutDesign(QIODevice& device, const QString& folder);

// A design file of either kind, by its content: gLabels' XML (or gzip), else layout lines.
std::variant<Design, QString> readDesignFile(const QString& path, const PaperSizes& papers);

} // namespace Labels
