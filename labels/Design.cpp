#include "labels/Design.h"

#include <QFile>
#include <QFileInfo>

namespace Labels {

namespace {

constexpr int kMaxFormatWidth = 100;

// A printf-style number of at most kMaxFormatWidth: appended to the format; false for a
// larger one.
bool takeNumber(const QString& text, qsizetype& at, QString& format) {
    qsizetype end = at;
    while (end < text.size() && text[end].isDigit())
        ++end;
    if (end == at) return true;
    if (text.sliced(at, end - at).toInt() > kMaxFormatWidth) return false;
    format += text.sliced(at, end - at);
    at = end;
    return true;
}

// gLabels' :%format modifier from after its '%'; the reason when it cannot be used.
std::optional<QString> takeFormat(const QString& text, qsizetype& at, FieldReference& field) {
    field.format = QStringLiteral("%");
    while (at < text.size() && QStringLiteral("-+ 0").contains(text[at]))
        field.format += text[at++];
    bool fits = takeNumber(text, at, field.format);
    if (at < text.size() && text[at] == u'.') {
        field.format += text[at++];
        fits = fits && takeNumber(text, at, field.format);
    }
    if (!fits) return QStringLiteral("is wider than %1 characters").arg(kMaxFormatWidth);
    // Without a type gLabels leaves the value as it is.
    if (at < text.size() && QStringLiteral("diufFeEgGxXos").contains(text[at]))
        field.format += text[at++];
    else
        field.format.clear();
    return std::nullopt;
}

// gLabels' :=default modifier from after its '='.
void takeFallback(const QString& text, qsizetype& at, FieldReference& field) {
    while (at < text.size() && text[at] != u':' && text[at] != u'}') {
        if (text[at] == u'\\' && at + 1 < text.size()) ++at;
        field.fallback += text[at++];
    }
}

} // namespace

std::variant<QList<FieldReference>, QString> fieldReferences(const QString& text) {
    QList<FieldReference> found;
    for (qsizetype start = text.indexOf(u"${"); start >= 0; start = text.indexOf(u"${", start)) {
        FieldReference field;
        field.start = start;
        qsizetype at = start + 2;
        while (at < text.size() && text[at] != u':' && text[at] != u'}')
            field.name += text[at++];
        while (at < text.size() && text[at] == u':') {
            const QChar kind = at + 1 < text.size() ? text[at + 1] : QChar();
            at += 2;
            if (kind == u'%') {
                if (const auto problem = takeFormat(text, at, field))
                    return QStringLiteral("the field ${%1:%…} %2").arg(field.name, *problem);
            } else if (kind == u'=') {
                takeFallback(text, at, field);
            } else if (kind == u'n') {
                field.newLine = true;
            } else {
                return QStringLiteral("the field ${%1:…} has the modifier ':%2', which is none "
                                      "of :%format, :=default and :n")
                    .arg(field.name, kind);
            }
        }
        if (at >= text.size()) break; // no "}": plain text
        if (text[at] != u'}')
            return QStringLiteral("the field ${%1:…} has '%2' where its format ends")
                .arg(field.name, text[at]);
        if (field.name.isEmpty()) return QStringLiteral("${} names no field");
        field.end = at + 1;
        found << field;
        start = field.end;
    }
    return found;
}

QString FieldReference::valueFrom(const QHash<QString, QString>& values) const {
    const QString given = values.value(name);
    QString value = given.isEmpty() ? fallback : given;
    if (!format.isEmpty()) {
        // The number as C reads it: decimal, or hexadecimal after 0x.
        const auto whole = [&](auto convert) {
            const QString trimmed = value.trimmed();
            const bool hex = trimmed.startsWith(QStringLiteral("0x"), Qt::CaseInsensitive);
            return convert(hex ? trimmed.mid(2) : trimmed, hex ? 16 : 10);
        };
        const QChar type = format.back();
        // Integers are printed as long long, whatever size the format names.
        const QByteArray wide = format.chopped(1).toLatin1() + "ll" + char(type.unicode());
        if (QStringLiteral("di").contains(type))
            value = QString::asprintf(wide.constData(), whole([](const QString& t, int base) {
                                          return t.toLongLong(nullptr, base);
                                      }));
        else if (QStringLiteral("uxXo").contains(type))
            value = QString::asprintf(wide.constData(), whole([](const QString& t, int base) {
                                          return t.toULongLong(nullptr, base);
                                      }));
        else if (type == u's')
            value = QString::asprintf(format.toLatin1().constData(), value.toUtf8().constData());
        else
            value = QString::asprintf(format.toLatin1().constData(), value.toDouble());
    }
    if (newLine && !given.isEmpty()) value.prepend(u'\n');
    return value;
}

QStringList fieldsIn(const QString& text) {
    const auto found = fieldReferences(text);
    QStringList names;
    if (const auto* fields = std::get_if<QList<FieldReference>>(&found))
        for (const FieldReference& field : *fields)
            if (!names.contains(field.name)) names << field.name;
    return names;
}

QString filledIn(const QString& text, const QHash<QString, QString>& values) {
    const auto found = fieldReferences(text);
    const auto* fields = std::get_if<QList<FieldReference>>(&found);
    if (!fields) return text; // refused with the design, before any row
    QString out;
    qsizetype from = 0;
    for (const FieldReference& field : *fields) {
        out += QStringView(text).sliced(from, field.start - from);
        out += field.valueFrom(values);
        from = field.end;
    }
    out += QStringView(text).sliced(from);
    return out;
}

// gLabels writes colours as 0xRRGGBBAA; a list may hold #rrggbb or a colour's name.
std::optional<QColor> colorNamed(const QString& text) {
    bool ok = false;
    const uint rgba = text.trimmed().toUInt(&ok, 0);
    if (ok && text.trimmed().startsWith(QStringLiteral("0x"), Qt::CaseInsensitive))
        return QColor(int(rgba >> 24), int((rgba >> 16) & 0xff), int((rgba >> 8) & 0xff),
                      int(rgba & 0xff));
    const QColor color = QColor::fromString(text.trimmed());
    if (!color.isValid()) return std::nullopt;
    return color;
}

QString DesignObject::kindName() const {
    if (const auto* shape = std::get_if<ShapeObject>(&item))
        return shape->kind == ShapeObject::Kind::Box    ? QStringLiteral("box")
               : shape->kind == ShapeObject::Kind::Line ? QStringLiteral("line")
                                                        : QStringLiteral("ellipse");
    if (std::holds_alternative<TextObject>(item)) return QStringLiteral("text");
    if (std::holds_alternative<ImageObject>(item)) return QStringLiteral("image");
    return QStringLiteral("barcode");
}

std::optional<QString> DesignObject::fieldProblem() const {
    QStringList texts;
    if (const auto* text = std::get_if<TextObject>(&item))
        for (const TextRun& run : text->runs)
            texts << run.text;
    else if (const auto* image = std::get_if<ImageObject>(&item))
        texts << image->source;
    else if (const auto* barcode = std::get_if<BarcodeObject>(&item))
        texts << barcode->data;
    for (const QString& text : texts) {
        const auto found = fieldReferences(text);
        if (const auto* problem = std::get_if<QString>(&found)) return *problem;
    }
    return std::nullopt;
}

QStringList DesignObject::fields() const {
    QStringList names;
    const auto addColor = [&](const DesignColor& color) {
        if (!color.field.isEmpty() && !names.contains(color.field)) names << color.field;
    };
    const auto addText = [&](const QString& text) {
        for (const QString& name : fieldsIn(text))
            if (!names.contains(name)) names << name;
    };
    if (const auto* text = std::get_if<TextObject>(&item)) {
        for (const TextRun& run : text->runs) {
            addText(run.text);
            addColor(run.color);
        }
    } else if (const auto* shape = std::get_if<ShapeObject>(&item)) {
        addColor(shape->line);
        addColor(shape->fill);
    } else if (const auto* image = std::get_if<ImageObject>(&item)) {
        addText(image->source);
    } else {
        addText(std::get<BarcodeObject>(item).data);
    }
    return names;
}

QSizeF Design::canvas(const LabelTemplate& label) const {
    return rotated ? label.label.transposed() : label.label;
}

std::variant<Design, QString> readDesignFile(const QString& path, const PaperSizes& papers) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("Cannot read %1: %2").arg(path, file.errorString());
    const QString folder = QFileInfo(path).absolutePath();
    const QByteArray start = file.peek(256).trimmed();
    auto read = start.startsWith("\x1f\x8b") || start.startsWith('<')
                    ? readGlabelsDesign(file, papers, folder)
                    : readLayoutDesign(file, folder);
    if (auto* problem = std::get_if<QString>(&read))
        *problem = path + QStringLiteral(": ") + *problem;
    return read;
}

} // namespace Labels
