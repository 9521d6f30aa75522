#include "labels/Design.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace Labels {

QStringList fieldsIn(const QString& text) {
    static const QRegularExpression field(QStringLiteral("\\$\\{([^}]*)\\}"));
    QStringList names;
    for (const auto& match : field.globalMatch(text))
        if (!names.contains(match.captured(1))) names << match.captured(1);
    return names;
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
