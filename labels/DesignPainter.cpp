#include "labels/DesignPainter.h"

#include "labels/ListReader.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtEndian>

#include <algorithm>
#include <cmath>

namespace Labels {

namespace {

constexpr qint64 kMaxPictureBytes = 64 << 20;
constexpr qint64 kMaxPicturePixels = 50'000'000;

// gLabels 3's embedded pictures: a GdkPixdata stream, raw or run-length encoded RGB(A).
QImage pixdataImage(const QByteArray& bytes) {
    constexpr qsizetype kHeader = 24;
    if (bytes.size() < kHeader || !bytes.startsWith("GdkP")) return {};
    const auto word = [&](int index) {
        return qFromBigEndian<quint32>(bytes.constData() + 4 * index);
    };
    const quint32 type = word(2), rowstride = word(3), width = word(4), height = word(5);
    const int channels = (type & 0xff) == 1 ? 3 : (type & 0xff) == 2 ? 4 : 0;
    const bool rle = (type & 0x0f000000) == 0x02000000;
    if (channels == 0 || (type & 0x0f0000) != 0x010000 || width == 0 || height == 0 ||
        qint64(width) * height > kMaxPicturePixels || rowstride < width * channels)
        return {};
    QImage image(int(width), int(height), QImage::Format_RGBA8888);
    image.fill(Qt::transparent);
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData()) + kHeader;
    const qsizetype size = bytes.size() - kHeader;
    const auto put = [&](qint64 pixel, const uchar* from) {
        uchar* to = image.bits() + (pixel / width) * image.bytesPerLine() + (pixel % width) * 4;
        to[0] = from[0], to[1] = from[1], to[2] = from[2];
        to[3] = channels == 4 ? from[3] : 255;
    };
    const qint64 pixels = qint64(width) * height;
    if (!rle) {
        if (qint64(rowstride) * height > size) return {};
        for (qint64 pixel = 0; pixel < pixels; ++pixel)
            put(pixel, data + (pixel / width) * rowstride + (pixel % width) * channels);
        return image;
    }
    qint64 pixel = 0;
    qsizetype at = 0;
    while (pixel < pixels && at < size) {
        const int run = data[at] & 0x7f;
        const bool repeated = data[at++] & 0x80;
        const qsizetype needs = repeated ? channels : qsizetype(run) * channels;
        if (at + needs > size || pixel + run > pixels) return {};
        for (int i = 0; i < run; ++i)
            put(pixel++, data + at + (repeated ? 0 : i * channels));
        at += needs;
    }
    return pixel == pixels ? image : QImage();
}

QString mm(double dots, double dotsPerInch) {
    return QString::number(dots * 25.4 / dotsPerInch, 'f', 1);
}

} // namespace

DesignPainter::DesignPainter(const Design& design, const LabelTemplate& label, int dotsPerInch,
                             QSizeF stretch)
    : design_(design), canvas_(design.canvas(label)), dotsPerInch_(dotsPerInch), stretch_(stretch) {
}

QTransform DesignPainter::placement(const DesignObject& object) const {
    const double dpp = dotsPerPoint();
    const QTransform& m = object.matrix;
    QTransform placed(m.m11(), m.m12(), m.m21(), m.m22(), m.dx() * dpp, m.dy() * dpp);
    placed *= QTransform::fromTranslate(object.at.x() * dpp, object.at.y() * dpp);
    // A design turned a quarter: its top left corner stands at the label's bottom left.
    if (design_.rotated) placed *= QTransform(0, -1, 1, 0, 0, canvas_.width() * dpp);
    return placed * QTransform::fromScale(stretch_.width(), stretch_.height());
}

QSizeF DesignPainter::stretchOf(const DesignObject& object) const {
    const QTransform placed = placement(object);
    // A matrix that flattens the object to nothing draws nothing; it divides by nothing either.
    return {std::max(1e-6, std::hypot(placed.m11(), placed.m12())),
            std::max(1e-6, std::hypot(placed.m21(), placed.m22()))};
}

QSizeF DesignPainter::boxOf(const DesignObject& object) const {
    QSizeF size = object.size;
    if (std::holds_alternative<TextObject>(object.item)) {
        if (size.width() <= 0) size.setWidth(canvas_.width() - object.at.x());
        if (size.height() <= 0) size.setHeight(canvas_.height() - object.at.y());
    }
    return size * dotsPerPoint();
}

std::optional<QString> DesignPainter::check() const {
    for (qsizetype i = 0; i < design_.objects.size(); ++i) {
        const auto* image = std::get_if<ImageObject>(&design_.objects[i].item);
        if (!image || !fieldsIn(image->source).isEmpty()) continue;
        FilledObject filled;
        if (const auto problem = loadPicture(image->source, filled))
            return QStringLiteral("object %1 (image): %2").arg(i + 1).arg(*problem);
    }
    return std::nullopt;
}

std::optional<QString> DesignPainter::loadPicture(const QString& source,
                                                  FilledObject& filled) const {
    if (const auto cached = pictures_.constFind(source); cached != pictures_.constEnd()) {
        filled.image = cached->image;
        filled.svg = cached->svg;
        return std::nullopt;
    }
    QByteArray bytes = design_.embedded.value(source);
    if (bytes.isEmpty()) {
        if (source.isEmpty()) return QStringLiteral("no picture is named");
        // A design read from memory names no folder, and finds no files.
        if (design_.folder.isEmpty())
            return QStringLiteral("the picture %1 is not in the design").arg(source);
        QFile file(QDir(design_.folder).filePath(source));
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("cannot read the picture %1: %2").arg(source, file.errorString());
        bytes = file.read(kMaxPictureBytes + 1);
        if (bytes.size() > kMaxPictureBytes)
            return QStringLiteral("the picture %1 is larger than %2 MiB")
                .arg(source)
                .arg(kMaxPictureBytes >> 20);
    }
    FilledObject picture;
    if (bytes.startsWith("GdkP:"))
        picture.image = pixdataImage(bytes.mid(5));
    else if (bytes.contains("<svg") && QSvgRenderer(bytes).isValid())
        picture.svg = bytes;
    else
        picture.image = QImage::fromData(bytes);
    if (picture.image.isNull() && picture.svg.isEmpty())
        return QStringLiteral("the picture %1 is in no format Barcode Desk reads").arg(source);
    pictures_.insert(source, picture);
    filled.image = picture.image;
    filled.svg = picture.svg;
    return std::nullopt;
}

std::variant<FilledObject, QString> DesignPainter::fillObject(const DesignObject& object,
                                                              const FieldValues& values) const {
    FilledObject filled;
    std::optional<QString> problem;
    const auto colorOf = [&](const DesignColor& color) {
        if (color.field.isEmpty()) return color.color;
        const QString value = values.value(color.field);
        const auto named = colorNamed(value);
        if (!named && !problem)
            problem = QStringLiteral("'%1' in field '%2' is not a colour").arg(value, color.field);
        return named.value_or(color.color);
    };
    if (const auto* text = std::get_if<TextObject>(&object.item)) {
        for (TextRun run : text->runs) {
            run.text = filledIn(run.text, values);
            run.color.color = colorOf(run.color);
            filled.runs << run;
        }
    } else if (const auto* shape = std::get_if<ShapeObject>(&object.item)) {
        filled.line = colorOf(shape->line);
        filled.fill = colorOf(shape->fill);
    } else if (const auto* image = std::get_if<ImageObject>(&object.item)) {
        problem = loadPicture(filledIn(image->source, values), filled);
    } else {
        const auto& barcode = std::get<BarcodeObject>(object.item);
        auto made = designSymbol(barcode, filledIn(barcode.data, values));
        if (const auto* refusal = std::get_if<QString>(&made)) return *refusal;
        filled.symbol = std::get<LabelSymbol>(std::move(made));
        const QSizeF stretch = stretchOf(object);
        const QSizeF box(boxOf(object).width() * stretch.width(),
                         boxOf(object).height() * stretch.height());
        const auto fit = fitInBox(filled.symbol->symbol, box);
        if (!fit) {
            const SymbolLayout layout(filled.symbol->symbol, std::nullopt, std::nullopt);
            return QStringLiteral("its box of %1 x %2 mm is too small: at one dot per module "
                                  "(%3 dpi) the symbol needs %4 x %5 mm")
                .arg(mm(box.width(), dotsPerInch_), mm(box.height(), dotsPerInch_))
                .arg(dotsPerInch_)
                .arg(mm(layout.width, dotsPerInch_),
                     mm(layout.height - layout.barHeight + (layout.barHeight + 1) / 2,
                        dotsPerInch_));
        }
        filled.fit = *fit;
    }
    if (problem) return *problem;
    return filled;
}

std::variant<FilledLabel, QString> DesignPainter::fill(const FieldValues& values) const {
    FilledLabel label;
    for (qsizetype i = 0; i < design_.objects.size(); ++i) {
        auto filled = fillObject(design_.objects[i], values);
        if (const auto* problem = std::get_if<QString>(&filled)) {
            const auto* barcode = std::get_if<BarcodeObject>(&design_.objects[i].item);
            QString object = barcode ? QStringLiteral("barcode ") + barcode->style
                                     : design_.objects[i].kindName();
            const QStringList fields = design_.objects[i].fields();
            if (!fields.isEmpty())
                object += (fields.size() == 1 ? QStringLiteral(", field ")
                                              : QStringLiteral(", fields ")) +
                          fields.join(QStringLiteral(", "));
            return QStringLiteral("object %1 (%2): %3").arg(i + 1).arg(object, *problem);
        }
        label << std::get<FilledObject>(std::move(filled));
    }
    return label;
}

void DesignPainter::paint(QPainter& painter, const QRectF& labelDots,
                          const FilledLabel& label) const {
    painter.save();
    painter.translate(labelDots.topLeft());
    for (qsizetype i = 0; i < label.size() && i < design_.objects.size(); ++i)
        paintObject(painter, design_.objects[i], label[i]);
    painter.restore();
}

void DesignPainter::paintObject(QPainter& painter, const DesignObject& object,
                                const FilledObject& filled) const {
    painter.save();
    painter.setTransform(placement(object), true);
    const QSizeF box = boxOf(object);
    if (const auto* text = std::get_if<TextObject>(&object.item)) {
        paintText(painter, object, *text, filled);
    } else if (const auto* shape = std::get_if<ShapeObject>(&object.item)) {
        painter.setPen(shape->lineWidth > 0 && filled.line.alpha() > 0
                           ? QPen(filled.line, shape->lineWidth * dotsPerPoint())
                           : QPen(Qt::NoPen));
        painter.setBrush(filled.fill.alpha() > 0 ? QBrush(filled.fill) : QBrush(Qt::NoBrush));
        const QRectF rect(QPointF(), box);
        if (shape->kind == ShapeObject::Kind::Line)
            painter.drawLine(QPointF(), QPointF(box.width(), box.height()));
        else if (shape->kind == ShapeObject::Kind::Box)
            painter.drawRect(rect);
        else
            painter.drawEllipse(rect);
    } else if (std::holds_alternative<ImageObject>(object.item)) {
        if (!filled.svg.isEmpty())
            QSvgRenderer(filled.svg).render(&painter, QRectF(QPointF(), box));
        else
            painter.drawImage(QRectF(QPointF(), box), filled.image);
    } else if (filled.symbol) {
        const QSizeF stretch = stretchOf(object);
        painter.scale(1 / stretch.width(), 1 / stretch.height());
        paintBarcode(painter, filled);
    }
    painter.restore();
}

void DesignPainter::paintText(QPainter& painter, const DesignObject& object, const TextObject& text,
                              const FilledObject& filled) const {
    const double margin = text.margin * dotsPerPoint();
    const QSizeF box = boxOf(object) - QSizeF(2 * margin, 0);
    QTextDocument document;
    document.setDocumentMargin(0);
    QTextOption option(text.align);
    option.setWrapMode(text.wrap ? QTextOption::WordWrap : QTextOption::NoWrap);
    document.setDefaultTextOption(option);
    document.setTextWidth(box.width());
    const auto layOut = [&](double scale) {
        document.clear();
        QTextCursor cursor(&document);
        QTextBlockFormat block;
        block.setAlignment(text.align);
        block.setLineHeight(text.lineSpacing * 100, QTextBlockFormat::ProportionalHeight);
        cursor.setBlockFormat(block);
        for (const TextRun& run : filled.runs) {
            QTextCharFormat format;
            QFont font(run.family);
            font.setPixelSize(std::max(1, int(std::lround(run.points * dotsPerPoint() * scale))));
            font.setBold(run.bold);
            font.setItalic(run.italic);
            font.setUnderline(run.underline);
            format.setFont(font);
            format.setForeground(run.color.color);
            const QStringList lines = run.text.split(u'\n');
            for (qsizetype i = 0; i < lines.size(); ++i) {
                if (i > 0) cursor.insertBlock(block);
                cursor.insertText(lines[i], format);
            }
        }
    };
    layOut(1);
    // The font shrinks until the text fits, down to a fifth of its size.
    if (text.autoShrink)
        for (double scale = 0.95; scale > 0.2 && (document.idealWidth() > box.width() + 0.5 ||
                                                  document.size().height() > box.height() + 0.5);
             scale *= 0.95)
            layOut(scale);
    const double height = document.size().height();
    const double top = text.valign & Qt::AlignBottom    ? box.height() - height
                       : text.valign & Qt::AlignVCenter ? (box.height() - height) / 2
                                                        : 0;
    painter.translate(margin, top);
    document.drawContents(&painter);
}

void DesignPainter::paintBarcode(QPainter& painter, const FilledObject& filled) const {
    const Symbol& symbol = filled.symbol->symbol;
    painter.translate(filled.fit.origin);
    // Bars on whole device dots where the object stands square to the page.
    const QTransform world = painter.worldTransform();
    if (world.type() <= QTransform::TxScale ||
        (std::abs(world.m11()) < 1e-9 && std::abs(world.m22()) < 1e-9)) {
        const QPointF corner = world.map(QPointF());
        const QPointF whole(std::round(corner.x()), std::round(corner.y()));
        painter.setWorldTransform(
            world * QTransform::fromTranslate(whole.x() - corner.x(), whole.y() - corner.y()));
    }
    paintSymbol(painter, symbol, SymbolLayout(symbol, filled.fit.barHeight, std::nullopt),
                filled.fit.dots);
}

// The list's columns of the fields the design uses, by name; the reason when one is missing.
std::variant<QHash<QString, int>, QString> designColumns(const Design& design,
                                                         const ListReader* reader) {
    QStringList variables;
    for (const auto& variable : design.variables)
        variables << variable.name;
    QHash<QString, int> columns;
    for (qsizetype i = 0; i < design.objects.size(); ++i) {
        if (const auto problem = design.objects[i].fieldProblem())
            return QStringLiteral("Object %1 (%2): %3.")
                .arg(i + 1)
                .arg(design.objects[i].kindName(), *problem);
        for (const QString& field : design.objects[i].fields()) {
            if (variables.contains(field) || columns.contains(field)) continue;
            const QString object =
                QStringLiteral("object %1 (%2)").arg(i + 1).arg(design.objects[i].kindName());
            if (!reader)
                return QStringLiteral("%1 uses the field '%2', but there is no list: give --list.")
                    .arg(object, field);
            const auto column = reader->column(field);
            if (!column)
                return QStringLiteral("The list has no field '%1', which %2 uses%3.")
                    .arg(field, object,
                         reader->header().isEmpty()
                             ? QStringLiteral(" (without a header row its fields are 1, 2, ...)")
                             : QStringLiteral("; its columns: ") +
                                   reader->header().join(QStringLiteral(", ")));
            columns.insert(field, *column);
        }
    }
    return columns;
}

void addVariables(const Design& design, qint64 row, qint64 label, qint64 page,
                  FieldValues& values) {
    for (const DesignVariable& variable : design.variables) {
        const qint64 steps = variable.when == DesignVariable::Step::PerItem   ? row
                             : variable.when == DesignVariable::Step::PerCopy ? label
                             : variable.when == DesignVariable::Step::PerPage ? page
                                                                              : 0;
        QString value = variable.initial;
        if (variable.type == DesignVariable::Type::Integer)
            value =
                QString::number(variable.initial.toLongLong() + steps * variable.step.toLongLong());
        else if (variable.type == DesignVariable::Type::Decimal)
            value = QString::number(
                variable.initial.toDouble() + double(steps) * variable.step.toDouble(), 'g', 15);
        values.insert(variable.name, value);
    }
}

} // namespace Labels
