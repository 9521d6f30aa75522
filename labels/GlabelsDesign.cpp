// gLabels designs. Version 3.0 is what Debian's gLabels 3 writes: gzip-compressed XML in the
// http://glabels.org/xmlns/3.0/ namespace, text as <Span> with <Field name=…/> and <NL/>, font
// sizes in points. Version 4.0 is gLabels 4 (glabels-qt) as its model/XmlLabelCreator.cpp at commit
// 8e01f0e05c3d9b2dc3dba5956a52818dcc6c3f1e writes it, with the attribute values of
// model/XmlUtil.cpp at 60424a01adae11b1e9a7fa195fb7f4222b107b80: plain XML, no namespace,
// version="4.0", text as <p> lines with ${field}, <Variables>, pictures in <Data><File>.
#include "labels/Design.h"
#include "labels/DesignBarcodes.h"

#include <QBuffer>
#include <QDir>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <zlib.h>

#include <cmath>

namespace Labels {

namespace {

// Larger than any design gLabels writes, pictures included; a bigger one is refused before it
// is held in memory.
constexpr qint64 kMaxDesignBytes = 64 << 20;
// gLabels keeps text this far in from its box's left and right edges.
constexpr double kTextMarginPoints = 3;
constexpr int kMaxObjects = 10000;

// The document inflated, when it is gzip; nullopt when the gzip is broken or too large.
std::optional<QByteArray> gunzip(const QByteArray& packed) {
    z_stream stream = {};
    if (inflateInit2(&stream, MAX_WBITS + 16) != Z_OK) return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = static_cast<uInt>(packed.size());
    QByteArray plain;
    char chunk[16384];
    int status = Z_OK;
    while (status == Z_OK) {
        stream.next_out = reinterpret_cast<Bytef*>(chunk);
        stream.avail_out = sizeof chunk;
        status = inflate(&stream, Z_NO_FLUSH);
        plain.append(chunk, qsizetype(sizeof chunk - stream.avail_out));
        if (plain.size() > kMaxDesignBytes) status = Z_MEM_ERROR;
        if (status == Z_BUF_ERROR && stream.avail_in == 0) break; // cut short
    }
    inflateEnd(&stream);
    if (status != Z_STREAM_END) return std::nullopt;
    return plain;
}

bool truthOf(QStringView text, bool fallback) {
    if (text.isEmpty()) return fallback;
    return text.compare(u"true", Qt::CaseInsensitive) == 0 || text == u"1";
}

Qt::Alignment alignmentOf(QStringView text, Qt::Alignment fallback) {
    struct Word {
        const char16_t* word;
        Qt::Alignment alignment;
    };
    // 3.0's words first, then 4.0's.
    static constexpr Word kWords[] = {
        {u"Left", Qt::AlignLeft},       {u"Center", Qt::AlignHCenter}, {u"Right", Qt::AlignRight},
        {u"Top", Qt::AlignTop},         {u"Bottom", Qt::AlignBottom},  {u"left", Qt::AlignLeft},
        {u"hcenter", Qt::AlignHCenter}, {u"right", Qt::AlignRight},    {u"top", Qt::AlignTop},
        {u"vcenter", Qt::AlignVCenter}, {u"bottom", Qt::AlignBottom},
    };
    for (const Word& word : kWords)
        if (text == word.word) return word.alignment;
    return fallback;
}

class Reader {
  public:
    Reader(const QByteArray& document, const PaperSizes& papers, const QString& folder)
        : xml_(document), papers_(papers) {
        design_.folder = folder;
    }

    std::variant<Design, QString> read();

  private:
    bool fail(const QString& problem) {
        if (problem_.isEmpty()) problem_ = problem;
        return false;
    }
    QString where() const { return QStringLiteral("line %1").arg(xml_.lineNumber()); }
    QStringView attribute(QLatin1StringView name) const { return attributes_.value(name); }
    double length(QLatin1StringView name, double fallback = 0);
    double number(QLatin1StringView name, double fallback);
    DesignColor color(QLatin1StringView name, QLatin1StringView field, QColor fallback) const;

    void readTemplate();
    void readObjects();
    bool readObject();
    void readText(TextObject& text);
    void readSpans(TextObject& text, const TextRun& outer);
    void readParagraphs(TextObject& text);
    void readBarcode(BarcodeObject& barcode, qsizetype number);
    void readMerge();
    void readVariables();
    void readData();

    QXmlStreamReader xml_;
    const PaperSizes& papers_;
    QXmlStreamAttributes attributes_;
    bool version4_ = false;
    Design design_;
    QString problem_;
};

double Reader::length(QLatin1StringView name, double fallback) {
    if (!attributes_.hasAttribute(name)) return fallback;
    // gLabels writes negative positions for objects that reach over the label's edge.
    QStringView text = attribute(name).trimmed();
    const bool negative = text.startsWith(u'-');
    const auto points = pointsOf(negative ? text.sliced(1) : text);
    if (!points || *points > 1e5) {
        fail(QStringLiteral("%1: %2=\"%3\" is not a length").arg(where(), name, text));
        return fallback;
    }
    return negative ? -*points : *points;
}

double Reader::number(QLatin1StringView name, double fallback) {
    if (!attributes_.hasAttribute(name)) return fallback;
    bool ok = false;
    const double value = attribute(name).toDouble(&ok);
    if (!ok || !std::isfinite(value) || std::abs(value) > 1e5) {
        fail(QStringLiteral("%1: %2=\"%3\" is not a number").arg(where(), name, attribute(name)));
        return fallback;
    }
    return value;
}

DesignColor Reader::color(QLatin1StringView name, QLatin1StringView field, QColor fallback) const {
    const QString text = attribute(name).toString();
    // gLabels writes its own colours as 0xRRGGBBAA only.
    const auto color = text.startsWith(QStringLiteral("0x")) ? colorNamed(text) : std::nullopt;
    return {color.value_or(fallback), attribute(field).toString()};
}

std::variant<Design, QString> Reader::read() {
    if (!xml_.readNextStartElement() || xml_.name() != u"Glabels-document") {
        if (xml_.hasError())
            return QStringLiteral("not a gLabels design: line %1: %2")
                .arg(xml_.lineNumber())
                .arg(xml_.errorString());
        return QStringLiteral("not a gLabels design: its root is <%1>, not <Glabels-document>")
            .arg(xml_.name());
    }
    version4_ = xml_.attributes().value(QLatin1StringView("version")) == u"4.0";
    if (!version4_ && xml_.namespaceUri() != u"http://glabels.org/xmlns/3.0/")
        return QStringLiteral("not a gLabels 3 or 4 design: no 3.0 namespace and no "
                              "version=\"4.0\"");
    while (problem_.isEmpty() && xml_.readNextStartElement()) {
        attributes_ = xml_.attributes();
        if (xml_.name() == u"Template")
            readTemplate();
        else if (xml_.name() == u"Objects")
            readObjects();
        else if (xml_.name() == u"Merge")
            readMerge();
        else if (xml_.name() == u"Variables")
            readVariables();
        else if (xml_.name() == u"Data")
            readData();
        else
            xml_.skipCurrentElement();
    }
    if (problem_.isEmpty() && xml_.hasError())
        fail(QStringLiteral("line %1: %2").arg(xml_.lineNumber()).arg(xml_.errorString()));
    if (!problem_.isEmpty()) return problem_;
    if (!design_.label) return QStringLiteral("the design has no <Template>");
    return std::move(design_);
}

// The template element as glabels-data writes it, read by the template reader.
void Reader::readTemplate() {
    QByteArray copy;
    QXmlStreamWriter writer(&copy);
    writer.writeStartDocument();
    int depth = 0;
    do {
        writer.writeCurrentToken(xml_);
        if (xml_.isStartElement()) ++depth;
        if (xml_.isEndElement()) --depth;
    } while (depth > 0 && !xml_.atEnd() && (xml_.readNext(), true));
    writer.writeEndDocument();
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    const TemplateFile file = readTemplates(buffer, papers_);
    if (file.templates.isEmpty()) {
        fail(QStringLiteral("its template cannot be used: %1")
                 .arg(file.problems.value(0, QStringLiteral("no template"))));
        return;
    }
    design_.label = file.templates.front();
}

void Reader::readObjects() {
    design_.rotated = truthOf(attribute(QLatin1StringView("rotate")), false);
    while (problem_.isEmpty() && xml_.readNextStartElement())
        if (!readObject()) return;
}

bool Reader::readObject() {
    attributes_ = xml_.attributes();
    if (design_.objects.size() >= kMaxObjects)
        return fail(QStringLiteral("more than %1 objects").arg(kMaxObjects));
    const auto kind = xml_.name();
    DesignObject object;
    object.at = {length(QLatin1StringView("x")), length(QLatin1StringView("y"))};
    const bool line = kind == u"Object-line";
    object.size = line ? QSizeF(length(QLatin1StringView("dx")), length(QLatin1StringView("dy")))
                       : QSizeF(length(QLatin1StringView("w")), length(QLatin1StringView("h")));
    object.matrix =
        QTransform(number(QLatin1StringView("a0"), 1), number(QLatin1StringView("a1"), 0),
                   number(QLatin1StringView("a2"), 0), number(QLatin1StringView("a3"), 1),
                   number(QLatin1StringView("a4"), 0), number(QLatin1StringView("a5"), 0));
    const qsizetype objectNumber = design_.objects.size() + 1;
    if (kind == u"Object-text") {
        TextObject text;
        readText(text);
        object.item = text;
    } else if (kind == u"Object-box" || kind == u"Object-ellipse" || line) {
        ShapeObject shape;
        shape.kind = line                    ? ShapeObject::Kind::Line
                     : kind == u"Object-box" ? ShapeObject::Kind::Box
                                             : ShapeObject::Kind::Ellipse;
        shape.lineWidth = length(QLatin1StringView("line_width"), 1);
        shape.line = color(QLatin1StringView("line_color"), QLatin1StringView("line_color_field"),
                           Qt::black);
        if (!line)
            shape.fill = color(QLatin1StringView("fill_color"),
                               QLatin1StringView("fill_color_field"), Qt::transparent);
        object.item = shape;
        xml_.skipCurrentElement();
    } else if (kind == u"Object-image") {
        // 3.0 names a field by "field", 4.0 by "src_field".
        const QString field =
            attribute(QLatin1StringView(version4_ ? "src_field" : "field")).toString();
        object.item = ImageObject{field.isEmpty() ? attribute(QLatin1StringView("src")).toString()
                                                  : QStringLiteral("${%1}").arg(field)};
        xml_.skipCurrentElement();
    } else if (kind == u"Object-barcode") {
        BarcodeObject barcode;
        readBarcode(barcode, objectNumber);
        object.item = barcode;
        xml_.skipCurrentElement();
    } else {
        xml_.skipCurrentElement();
        return true;
    }
    design_.objects << object;
    return problem_.isEmpty();
}

void Reader::readText(TextObject& text) {
    text.align =
        alignmentOf(attribute(QLatin1StringView(version4_ ? "align" : "justify")), Qt::AlignLeft);
    text.valign = alignmentOf(attribute(QLatin1StringView("valign")), Qt::AlignTop);
    text.autoShrink = truthOf(attribute(QLatin1StringView("auto_shrink")), false);
    text.margin = kTextMarginPoints;
    if (!version4_) {
        readSpans(text, TextRun());
        return;
    }
    text.wrap = attribute(QLatin1StringView("wrap")) != u"none";
    text.lineSpacing = number(QLatin1StringView("line_spacing"), 1);
    readParagraphs(text);
}

// 3.0: spans, each taking what it does not say from the one around it.
void Reader::readSpans(TextObject& text, const TextRun& outer) {
    while (problem_.isEmpty() && !xml_.atEnd()) {
        xml_.readNext();
        if (xml_.isEndElement()) return;
        if (xml_.isCharacters()) {
            // Line breaks are <NL/>; the file's own are indentation.
            if (xml_.isWhitespace() && xml_.text().contains(u'\n')) continue;
            TextRun run = outer;
            run.text = xml_.text().toString();
            text.runs << run;
            continue;
        }
        if (!xml_.isStartElement()) continue;
        attributes_ = xml_.attributes();
        if (xml_.name() == u"Span") {
            TextRun inner = outer;
            inner.family = attribute(QLatin1StringView("font_family")).isEmpty()
                               ? outer.family
                               : attribute(QLatin1StringView("font_family")).toString();
            if (attributes_.hasAttribute(QLatin1StringView("font_size")))
                inner.points = number(QLatin1StringView("font_size"), 10);
            if (attributes_.hasAttribute(QLatin1StringView("font_weight")))
                inner.bold = attribute(QLatin1StringView("font_weight")) == u"Bold";
            inner.italic = truthOf(attribute(QLatin1StringView("font_italic")), outer.italic);
            inner.underline =
                truthOf(attribute(QLatin1StringView("font_underline")), outer.underline);
            inner.color = color(QLatin1StringView("color"), QLatin1StringView("color_field"),
                                outer.color.color);
            if (inner.color.field.isEmpty() &&
                !attributes_.hasAttribute(QLatin1StringView("color")))
                inner.color.field = outer.color.field;
            if (attributes_.hasAttribute(QLatin1StringView("line_spacing")))
                text.lineSpacing = number(QLatin1StringView("line_spacing"), 1);
            readSpans(text, inner);
        } else {
            TextRun run = outer;
            if (xml_.name() == u"NL")
                run.text = QStringLiteral("\n");
            else if (xml_.name() == u"Field")
                run.text =
                    QStringLiteral("${%1}").arg(attribute(QLatin1StringView("name")).toString());
            if (!run.text.isEmpty()) text.runs << run;
            xml_.skipCurrentElement();
        }
    }
}

// 4.0: one font for the object, a <p> per line.
void Reader::readParagraphs(TextObject& text) {
    TextRun run;
    run.family = attribute(QLatin1StringView("font_family")).toString();
    if (run.family.isEmpty()) run.family = QStringLiteral("Sans");
    run.points = number(QLatin1StringView("font_size"), 10);
    run.bold = attribute(QLatin1StringView("font_weight")) == u"bold";
    run.italic = truthOf(attribute(QLatin1StringView("font_italic")), false);
    run.underline = truthOf(attribute(QLatin1StringView("font_underline")), false);
    run.color = color(QLatin1StringView("color"), QLatin1StringView("color_field"), Qt::black);
    QStringList lines;
    while (problem_.isEmpty() && xml_.readNextStartElement()) {
        if (xml_.name() == u"p")
            lines << xml_.readElementText(QXmlStreamReader::IncludeChildElements);
        else
            xml_.skipCurrentElement();
    }
    run.text = lines.join(u'\n');
    text.runs << run;
}

void Reader::readBarcode(BarcodeObject& barcode, qsizetype number) {
    const QString backend = attribute(QLatin1StringView("backend")).toString();
    const QString style = attribute(QLatin1StringView("style")).toString();
    barcode.style = backend.isEmpty() ? style : backend + u'/' + style;
    const auto type = barcodeTypeOf(backend, style);
    if (!type) {
        fail(QStringLiteral("object %1: the barcode style %2 is not one Barcode Desk draws")
                 .arg(number)
                 .arg(barcode.style));
        return;
    }
    barcode.type = *type;
    barcode.text = truthOf(attribute(QLatin1StringView("text")), true);
    barcode.checksum = truthOf(attribute(QLatin1StringView("checksum")), true);
    const QString field = attribute(QLatin1StringView("field")).toString();
    barcode.data = field.isEmpty() ? attribute(QLatin1StringView("data")).toString()
                                   : QStringLiteral("${%1}").arg(field);
}

void Reader::readMerge() {
    const QString type = attribute(QLatin1StringView("type")).toString();
    const QString source = attribute(QLatin1StringView("src")).toString();
    xml_.skipCurrentElement();
    if (type.isEmpty() || type == u"None") return;
    const QStringList parts = type.split(u'/');
    struct Kind {
        const char16_t* word;
        QChar delimiter;
    };
    static constexpr Kind kKinds[] = {
        {u"Comma", u','}, {u"Tab", u'\t'}, {u"Colon", u':'}, {u"Semicolon", u';'}};
    if (parts.size() >= 2 && parts[0] == u"Text")
        for (const Kind& kind : kKinds)
            if (parts[1] == kind.word) {
                DesignMerge merge;
                merge.delimiter = kind.delimiter;
                merge.header = parts.size() == 3 && parts[2] == u"Line1Keys";
                merge.path =
                    source.isEmpty() || design_.folder.isEmpty() || QDir::isAbsolutePath(source)
                        ? source
                        : QDir(design_.folder).filePath(source);
                design_.merge = merge;
                return;
            }
    fail(QStringLiteral("the design's list is of a kind Barcode Desk does not read (%1); give "
                        "one with --list")
             .arg(type));
}

void Reader::readVariables() {
    while (problem_.isEmpty() && xml_.readNextStartElement()) {
        attributes_ = xml_.attributes();
        if (xml_.name() == u"Variable") {
            DesignVariable variable;
            const auto type = attribute(QLatin1StringView("type"));
            variable.type = type == u"integer" ? DesignVariable::Type::Integer
                            : type == u"float" ? DesignVariable::Type::Decimal
                                               : DesignVariable::Type::Text;
            variable.name = attribute(QLatin1StringView("name")).toString();
            variable.initial = attribute(QLatin1StringView("initialValue")).toString();
            if (attributes_.hasAttribute(QLatin1StringView("stepSize")))
                variable.step = attribute(QLatin1StringView("stepSize")).toString();
            const auto when = attribute(QLatin1StringView("increment"));
            variable.when = when == u"per_item"   ? DesignVariable::Step::PerItem
                            : when == u"per_copy" ? DesignVariable::Step::PerCopy
                            : when == u"per_page" ? DesignVariable::Step::PerPage
                                                  : DesignVariable::Step::Never;
            design_.variables << variable;
        }
        xml_.skipCurrentElement();
    }
}

// Embedded pictures: 4.0's base64 PNG and SVG text, 3.0's SVG <File> and GdkPixdata.
void Reader::readData() {
    while (problem_.isEmpty() && xml_.readNextStartElement()) {
        attributes_ = xml_.attributes();
        const QString name = attribute(QLatin1StringView("name")).toString();
        const bool base64 =
            attribute(QLatin1StringView("encoding")).compare(u"base64", Qt::CaseInsensitive) == 0 ||
            (xml_.name() == u"Pixdata" && !attributes_.hasAttribute(QLatin1StringView("encoding")));
        const bool pixdata = xml_.name() == u"Pixdata";
        const QString content = xml_.readElementText(QXmlStreamReader::SkipChildElements);
        QByteArray bytes = base64 ? QByteArray::fromBase64(content.toLatin1()) : content.toUtf8();
        if (pixdata) bytes.prepend("GdkP:"); // told apart from a file when drawn
        design_.embedded.insert(name, bytes);
    }
}

} // namespace

std::variant<Design, QString> readGlabelsDesign(QIODevice& device, const PaperSizes& papers,
                                                const QString& folder) {
    QByteArray bytes = device.read(kMaxDesignBytes + 1);
    if (bytes.size() > kMaxDesignBytes)
        return QStringLiteral("the design is larger than %1 MiB").arg(kMaxDesignBytes >> 20);
    if (bytes.startsWith("\x1f\x8b")) {
        const auto plain = gunzip(bytes);
        if (!plain) return QStringLiteral("the design's gzip is broken or cut short");
        bytes = *plain;
    }
    return Reader(bytes, papers, folder).read();
}

} // namespace Labels
