// Our own designs, a line per object; see the README's "Label designs":
//   template "Avery L7160"
//   list "products.csv" header
//   text "${name}" x=4 y=3 size=12 bold
//   barcode ean13 "${sku}" x=5 y=11 w=33 h=22
//   box x=2 y=2 w=60 h=34
// Lengths in millimetres from the label's top left corner, font sizes in points.
#include "labels/Design.h"
#include "labels/DesignBarcodes.h"

#include "symbology/ZintChoices.h"

#include <QDir>
#include <QHash>
#include <QIODevice>

#include <cmath>

namespace Labels {

namespace {

constexpr qint64 kMaxLineChars = 1 << 16;
constexpr int kMaxObjects = 10000;

// A line's words, quotes removed ("" is a quote inside them), each with whether it began with a
// quote: such a word is a value even when it holds '='.
struct Word {
    QString text;
    bool quoted;
};

std::optional<QString> split(const QString& line, QList<Word>& words) {
    qsizetype i = 0;
    while (i < line.size()) {
        if (line[i].isSpace()) {
            ++i;
            continue;
        }
        QString word;
        bool quoted = false;
        const bool startsQuoted = line[i] == u'"';
        while (i < line.size() && (quoted || !line[i].isSpace())) {
            if (line[i] == u'"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == u'"') {
                    word += u'"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            word += line[i++];
        }
        if (quoted) return QStringLiteral("a quote is never closed");
        words << Word{word, startsQuoted};
    }
    return std::nullopt;
}

class LineReader {
  public:
    LineReader(Design& design, int number) : design_(design), number_(number) {}

    std::optional<QString> read(const QString& line);

  private:
    std::optional<QString> fail(const QString& problem) {
        return QStringLiteral("line %1: %2").arg(number_).arg(problem);
    }
    std::optional<double> millimetres(const QString& key, std::optional<double> fallback);
    std::optional<QString> take(DesignObject& object, bool line);
    std::optional<DesignColor> colorOf(const QString& key, QColor fallback);

    Design& design_;
    int number_;
    QHash<QString, QString> pairs_;
    QStringList flags_;
    QString problem_;
};

std::optional<double> LineReader::millimetres(const QString& key, std::optional<double> fallback) {
    if (!pairs_.contains(key)) {
        if (!fallback) problem_ = QStringLiteral("%1= is missing").arg(key);
        return fallback;
    }
    bool ok = false;
    const double value = pairs_.value(key).toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > 10000) {
        problem_ =
            QStringLiteral("%1=%2 is not a length in millimetres").arg(key, pairs_.value(key));
        return std::nullopt;
    }
    return value * kPointsPerMm;
}

std::optional<DesignColor> LineReader::colorOf(const QString& key, QColor fallback) {
    const QString text = pairs_.value(key);
    if (text.isEmpty()) return DesignColor{fallback, {}};
    const QStringList fields = fieldsIn(text);
    if (fields.size() == 1 && text == QStringLiteral("${%1}").arg(fields[0]))
        return DesignColor{fallback, fields[0]};
    const auto color = colorNamed(text);
    if (!color) {
        problem_ = QStringLiteral("%1=%2 is not a colour").arg(key, text);
        return std::nullopt;
    }
    return DesignColor{*color, {}};
}

// Position, size and rotation, which every object has.
std::optional<QString> LineReader::take(DesignObject& object, bool line) {
    const auto x = millimetres(QStringLiteral("x"), std::nullopt);
    const auto y = millimetres(QStringLiteral("y"), std::nullopt);
    const bool text = std::holds_alternative<TextObject>(object.item);
    // A text without a size reaches to the label's edges.
    const std::optional<double> none = text ? std::optional(0.0) : std::nullopt;
    const auto w =
        millimetres(line ? QStringLiteral("dx") : QStringLiteral("w"), line ? 0.0 : none);
    const auto h =
        millimetres(line ? QStringLiteral("dy") : QStringLiteral("h"), line ? 0.0 : none);
    if (!problem_.isEmpty()) return fail(problem_);
    object.at = {*x, *y};
    object.size = {*w, *h};
    if (pairs_.contains(QStringLiteral("rotate"))) {
        bool ok = false;
        const double degrees = pairs_.value(QStringLiteral("rotate")).toDouble(&ok);
        if (!ok || !std::isfinite(degrees)) return fail(QStringLiteral("rotate= takes degrees"));
        // About the object's centre, as gLabels turns objects.
        const QPointF centre(*w / 2, *h / 2);
        object.matrix = QTransform::fromTranslate(-centre.x(), -centre.y()) *
                        QTransform().rotate(degrees) *
                        QTransform::fromTranslate(centre.x(), centre.y());
    }
    return std::nullopt;
}

std::optional<QString> LineReader::read(const QString& line) {
    QList<Word> words;
    if (const auto problem = split(line, words)) return fail(*problem);
    if (words.isEmpty()) return std::nullopt;
    const QString kind = words.takeFirst().text;
    // The values the object takes in order (text, type, data, file), then its options.
    const int valueCount = kind == u"barcode"                                        ? 2
                           : kind == u"box" || kind == u"line" || kind == u"ellipse" ? 0
                                                                                     : 1;
    QStringList values;
    for (const Word& word : words) {
        const qsizetype equals = word.quoted ? -1 : word.text.indexOf(u'=');
        if (equals > 0)
            pairs_.insert(word.text.left(equals), word.text.mid(equals + 1));
        else if (pairs_.isEmpty() && flags_.isEmpty() && values.size() < valueCount)
            values << word.text;
        else
            flags_ << word.text;
    }
    // What each kind takes, so that a misspelt option is refused rather than ignored.
    static const QHash<QString, QStringList> kOptions = {
        {QStringLiteral("template"), {}},
        {QStringLiteral("list"), {"header", "delimiter"}},
        {QStringLiteral("text"),
         {"x", "y", "w", "h", "rotate", "size", "font", "bold", "italic", "underline", "color",
          "align", "valign", "shrink", "nowrap"}},
        {QStringLiteral("barcode"), {"x", "y", "w", "h", "rotate", "notext", "check"}},
        {QStringLiteral("box"), {"x", "y", "w", "h", "rotate", "line", "color", "fill"}},
        {QStringLiteral("ellipse"), {"x", "y", "w", "h", "rotate", "line", "color", "fill"}},
        {QStringLiteral("line"), {"x", "y", "dx", "dy", "rotate", "line", "color"}},
        {QStringLiteral("image"), {"x", "y", "w", "h", "rotate"}},
    };
    const auto known = kOptions.find(kind);
    if (known == kOptions.end())
        return fail(QStringLiteral("'%1' is none of template, list, text, barcode, box, line, "
                                   "ellipse, image")
                        .arg(kind));
    for (const QString& option : flags_ + pairs_.keys())
        if (!known->contains(option))
            return fail(QStringLiteral("%1 takes no '%2'").arg(kind, option));
    const auto needs = [&](int count, const QString& what) -> std::optional<QString> {
        if (values.size() != count) return fail(QStringLiteral("%1 takes %2").arg(kind, what));
        return std::nullopt;
    };
    if (kind == u"template") {
        if (auto problem = needs(1, QStringLiteral("a brand and part, or a file, in quotes")))
            return problem;
        design_.templateName = values[0];
        return std::nullopt;
    }
    if (kind == u"list") {
        if (auto problem = needs(1, QStringLiteral("a file"))) return problem;
        DesignMerge merge;
        merge.path = design_.folder.isEmpty() || QDir::isAbsolutePath(values[0])
                         ? values[0]
                         : QDir(design_.folder).filePath(values[0]);
        merge.header = flags_.contains(QStringLiteral("header"));
        const QString delimiter = pairs_.value(QStringLiteral("delimiter"));
        if (delimiter == u"tab")
            merge.delimiter = u'\t';
        else if (delimiter.size() == 1)
            merge.delimiter = delimiter[0];
        else if (!delimiter.isEmpty())
            return fail(QStringLiteral("delimiter= takes one character or tab"));
        design_.merge = merge;
        return std::nullopt;
    }
    if (design_.objects.size() >= kMaxObjects)
        return fail(QStringLiteral("more than %1 objects").arg(kMaxObjects));
    DesignObject object;
    if (kind == u"text") {
        if (auto problem = needs(1, QStringLiteral("its text in quotes"))) return problem;
        TextObject text;
        TextRun run;
        run.text = values[0];
        run.family = pairs_.value(QStringLiteral("font"), QStringLiteral("DejaVu Sans"));
        bool ok = true;
        run.points = pairs_.value(QStringLiteral("size"), QStringLiteral("10")).toDouble(&ok);
        if (!ok || !(run.points > 0 && run.points <= 1000))
            return fail(QStringLiteral("size= takes points, more than 0"));
        run.bold = flags_.contains(QStringLiteral("bold"));
        run.italic = flags_.contains(QStringLiteral("italic"));
        run.underline = flags_.contains(QStringLiteral("underline"));
        const auto color = colorOf(QStringLiteral("color"), Qt::black);
        if (!color) return fail(problem_);
        run.color = *color;
        text.runs << run;
        const QString align = pairs_.value(QStringLiteral("align"), QStringLiteral("left"));
        const QString valign = pairs_.value(QStringLiteral("valign"), QStringLiteral("top"));
        text.align = align == u"center"  ? Qt::AlignHCenter
                     : align == u"right" ? Qt::AlignRight
                                         : Qt::AlignLeft;
        text.valign = valign == u"middle"   ? Qt::AlignVCenter
                      : valign == u"bottom" ? Qt::AlignBottom
                                            : Qt::AlignTop;
        text.autoShrink = flags_.contains(QStringLiteral("shrink"));
        text.wrap =
            pairs_.contains(QStringLiteral("w")) && !flags_.contains(QStringLiteral("nowrap"));
        object.item = text;
    } else if (kind == u"barcode") {
        if (auto problem = needs(2, QStringLiteral("a type and its data in quotes")))
            return problem;
        if (!symbologyChoice(values[0]) && !zintChoice(values[0]))
            return fail(QStringLiteral("no barcode type is named '%1' ('barcode-desk-cli types' "
                                       "lists them)")
                            .arg(values[0]));
        BarcodeObject barcode;
        barcode.type = barcode.style = values[0];
        barcode.data = values[1];
        barcode.text = !flags_.contains(QStringLiteral("notext"));
        barcode.checksum = flags_.contains(QStringLiteral("check"));
        object.item = barcode;
    } else if (kind == u"box" || kind == u"ellipse" || kind == u"line") {
        if (auto problem = needs(0, QStringLiteral("no text, only its options"))) return problem;
        ShapeObject shape;
        shape.kind = kind == u"box"    ? ShapeObject::Kind::Box
                     : kind == u"line" ? ShapeObject::Kind::Line
                                       : ShapeObject::Kind::Ellipse;
        const auto width = millimetres(QStringLiteral("line"), 0.3 * kPointsPerMm);
        const auto line = colorOf(QStringLiteral("color"), Qt::black);
        const auto fill = colorOf(QStringLiteral("fill"), Qt::transparent);
        if (!width || !line || !fill) return fail(problem_);
        shape.lineWidth = *width;
        shape.line = *line;
        shape.fill = *fill;
        object.item = shape;
    } else { // image
        if (auto problem = needs(1, QStringLiteral("a file in quotes"))) return problem;
        object.item = ImageObject{values[0]};
    }
    if (auto problem = take(object, kind == u"line")) return problem;
    design_.objects << object;
    return std::nullopt;
}

} // namespace

std::variant<Design, QString> readLayoutDesign(QIODevice& device, const QString& folder) {
    Design design;
    design.folder = folder;
    int number = 0;
    while (!device.atEnd()) {
        const QByteArray bytes = device.readLine(kMaxLineChars);
        ++number;
        if (bytes.size() >= kMaxLineChars - 1 && !bytes.endsWith('\n'))
            return QStringLiteral("line %1 is longer than %2 characters")
                .arg(number)
                .arg(kMaxLineChars);
        const QString line = QString::fromUtf8(bytes).trimmed();
        if (line.isEmpty() || line.startsWith(u'#')) continue;
        if (const auto problem = LineReader(design, number).read(line)) return *problem;
    }
    if (design.objects.isEmpty()) return QStringLiteral("the layout has no objects");
    return design;
}

} // namespace Labels
