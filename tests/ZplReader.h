#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

// Reads back the ZPL the labels command writes: the commands it emits and no others, enough
// to check fields, positions and dot sizes, and to turn a ^GF bitmap into a picture.
namespace ZplReader {

struct Field {
    QPoint origin;        // ^FO
    QString command;      // "BE", "BC", "GF", "GB", "A0" ...
    QStringList params;   // the command's parameters
    QStringList moduleBy; // the ^BY in force: module dots, ratio, height
    QString data;         // ^FD, ^FH escapes resolved (UTF-8)
};

struct Format {
    QHash<QString, QString> settings; // PW, LL, LH, CI, PQ, MN, MT, PR: their parameters
    QList<Field> fields;

    int copies() const { return settings.value(QStringLiteral("PQ"), QStringLiteral("1")).toInt(); }
    QList<Field> fieldsOf(const QString& command) const {
        QList<Field> found;
        for (const Field& field : fields)
            if (field.command == command) found << field;
        return found;
    }
};

struct Stream {
    QStringList tildeCommands; // ~SD15 ...
    QList<Format> formats;
    QString problem; // what did not parse, empty when all did
};

inline QString unescaped(const QByteArray& data) {
    QByteArray bytes;
    for (qsizetype i = 0; i < data.size(); ++i) {
        if (data[i] == '_' && i + 2 < data.size()) {
            bytes += char(QByteArray::fromHex(data.mid(i + 1, 2)).at(0));
            i += 2;
        } else {
            bytes += data[i];
        }
    }
    return QString::fromUtf8(bytes);
}

inline Stream read(const QByteArray& zpl) {
    Stream stream;
    Format* format = nullptr;
    Field field;
    QStringList moduleBy;
    bool escaped = false;
    for (qsizetype at = 0; at < zpl.size();) {
        const char lead = zpl[at];
        if (lead == '\n' || lead == '\r') {
            ++at;
            continue;
        }
        if ((lead != '^' && lead != '~') || at + 2 >= zpl.size()) {
            stream.problem = QStringLiteral("stray text at %1").arg(at);
            return stream;
        }
        const QString name = QString::fromLatin1(zpl.mid(at + 1, 2));
        const bool isData = name == u"FD";
        qsizetype end = isData ? zpl.indexOf("^FS", at) : at + 3;
        if (!isData)
            while (end < zpl.size() && zpl[end] != '^' && zpl[end] != '~' && zpl[end] != '\n')
                ++end;
        if (end < 0) {
            stream.problem = QStringLiteral("^FD without ^FS");
            return stream;
        }
        const QByteArray args = zpl.mid(at + 3, end - at - 3);
        at = end;
        if (lead == '~') {
            stream.tildeCommands << u'~' + name + QString::fromLatin1(args);
        } else if (name == u"XA") {
            stream.formats.append(Format());
            format = &stream.formats.last();
        } else if (!format) {
            stream.problem = QStringLiteral("^%1 outside a format").arg(name);
            return stream;
        } else if (name == u"XZ") {
            format = nullptr;
        } else if (name == u"FO") {
            const QList<QByteArray> xy = args.split(',');
            field = Field();
            field.origin = QPoint(xy.value(0).toInt(), xy.value(1).toInt());
        } else if (name == u"BY") {
            moduleBy = QString::fromLatin1(args).split(u',');
        } else if (name == u"FH") {
            escaped = true;
        } else if (name == u"FD") {
            field.data = escaped ? unescaped(args) : QString::fromUtf8(args);
        } else if (name == u"FS") {
            format->fields << field;
            escaped = false;
        } else if (name == u"FB") {
            field.params << QString::fromLatin1(args).split(u',');
        } else if (name.startsWith(u'B') || name.startsWith(u'G') || name.startsWith(u'A')) {
            // ^A0 carries its font in the name; ^GFA its compression type in the first word.
            field.command = name;
            field.params = QString::fromLatin1(args).split(u',');
            if (name == u"GF") {
                // The data may hold commas of its own: the header has exactly four words.
                const QList<QByteArray> words = args.split(',');
                if (words.size() < 5) {
                    stream.problem = QStringLiteral("^GF without data");
                    return stream;
                }
                field.params = {QString::fromLatin1(words[0]), QString::fromLatin1(words[1]),
                                QString::fromLatin1(words[2]), QString::fromLatin1(words[3])};
                field.data = QString::fromLatin1(args.mid(words[0].size() + words[1].size() +
                                                          words[2].size() + words[3].size() + 4));
            }
            field.moduleBy = moduleBy;
        } else {
            format->settings.insert(name, QString::fromLatin1(args));
        }
    }
    if (format) stream.problem = QStringLiteral("a format without ^XZ");
    return stream;
}

// The ^GF field's bitmap, black on white; a null image when its data does not fill it exactly.
inline QImage graphic(const Field& field) {
    const int total = field.params.value(1).toInt();
    const int bytesPerRow = field.params.value(3).toInt();
    if (bytesPerRow <= 0 || total % bytesPerRow != 0) return {};
    const int digits = 2 * bytesPerRow;
    QList<QByteArray> rows;
    QByteArray row;
    int repeat = 0;
    const auto put = [&](char digit, int count) {
        for (int i = 0; i < count; ++i) {
            row += digit;
            if (row.size() == digits) rows << row, row.clear();
        }
    };
    for (const QChar c : field.data) {
        const char ch = char(c.unicode());
        if (ch >= 'G' && ch <= 'Y') {
            repeat += ch - 'G' + 1;
        } else if (ch >= 'g' && ch <= 'z') {
            repeat += 20 * (ch - 'g' + 1);
        } else if (ch == ':') {
            if (rows.isEmpty() || !row.isEmpty()) return {};
            rows << rows.last();
        } else if (ch == ',') {
            put('0', digits - int(row.size()));
        } else {
            put(ch, repeat > 0 ? repeat : 1);
            repeat = 0;
        }
    }
    if (!row.isEmpty() || qsizetype(rows.size()) * bytesPerRow != total) return {};
    QImage image(bytesPerRow * 8, int(rows.size()), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        const QByteArray bytes = QByteArray::fromHex(rows[y]);
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, (bytes[x / 8] & (0x80 >> (x % 8))) ? 0xff000000 : 0xffffffff);
    }
    return image;
}

} // namespace ZplReader
