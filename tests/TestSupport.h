#pragma once

// What the tests share: running a program, what the two independent readers (ZXingReader and
// zbarimg) find in a picture, a picture row as modules, and the GTIN check digit.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPointF>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// ---- Running a program ----------------------------------------------------------------------

// What a program said and how it ended: exit code -1 when it crashed or did not end in time.
struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline Run
runProgram(const QString& program, const QStringList& args, const QByteArray& input = {},
           const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, args);
    if (!input.isNull()) process.write(input);
    process.closeWriteChannel();
    const bool ended = process.waitForFinished(120000);
    return {ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

inline Run cli(const QStringList& args, const QByteArray& input = {},
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    return runProgram(QStringLiteral(CLI_EXECUTABLE), args, input, environment);
}

// ---- Pictures as a scanner sees them ----------------------------------------------------------

// The image scaled x3 with a 30-pixel white border, as a printed label would be scanned.
inline QString scaledForScanners(const QString& path, const QTemporaryDir& dir) {
    const QString out =
        dir.filePath(QStringLiteral("scaled-") + QString::number(qHash(path)) + ".png");
    runProgram(QStringLiteral(CONVERT_EXECUTABLE),
               {path, "-scale", "300%", "-bordercolor", "white", "-border", "30", out});
    return out;
}

// The drawn image enlarged three times (nearest pixel) in a 30-pixel white frame, saved as
// symbol.png in `directory`; empty when it could not be saved.
inline QString saveForReading(const QImage& image, const QString& directory) {
    const QImage enlarged =
        image.scaled(image.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    QImage framed(enlarged.width() + 60, enlarged.height() + 60, QImage::Format_RGB32);
    framed.fill(Qt::white);
    QPainter painter(&framed);
    painter.drawImage(30, 30, enlarged);
    painter.end();
    const QString path = directory + QStringLiteral("/symbol.png");
    return framed.save(path) ? path : QString();
}

// The picture in any format, through ImageMagick (its first layer, flattened), as 32-bit RGB.
inline QImage readBackImage(const QString& path, const QString& scratchPng) {
    runProgram(QStringLiteral(CONVERT_EXECUTABLE), {path + "[0]", "-flatten", scratchPng});
    return QImage(scratchPng).convertToFormat(QImage::Format_RGB32);
}

// ---- The readers ------------------------------------------------------------------------------

// One symbol as ZXingReader reports it.
struct ZxingSymbol {
    QString file; // named only when it read several files
    QString text;
    QByteArray bytes;
    QByteArray identifier; // "]C1" and the like
    QPointF centre;        // halfway between the first and third corner, in pixels
};

// ZXingReader's report: a block per symbol, `Text:` first, `Position:` with four corners.
inline QList<ZxingSymbol> zxingSymbolsIn(const QByteArray& report, const QString& file = {}) {
    QList<ZxingSymbol> symbols;
    QString currentFile = file;
    for (const QByteArray& line : report.split('\n')) {
        const QByteArray value = line.mid(line.indexOf(':') + 1).trimmed();
        if (line.startsWith("File:")) {
            currentFile = QString::fromUtf8(value);
        } else if (line.startsWith("Text:")) {
            const bool quoted = value.size() >= 2 && value.startsWith('"') && value.endsWith('"');
            symbols.append({currentFile,
                            QString::fromUtf8(quoted ? value.mid(1).chopped(1) : value),
                            {},
                            {},
                            {}});
        } else if (symbols.isEmpty()) {
            continue;
        } else if (line.startsWith("Bytes:")) {
            symbols.last().bytes = QByteArray::fromHex(value);
        } else if (line.startsWith("Identifier:")) {
            symbols.last().identifier = value;
        } else if (line.startsWith("Position:")) {
            const QList<QByteArray> corners = value.split(' ');
            if (corners.size() < 3) continue;
            const auto corner = [](const QByteArray& xy) {
                const QList<QByteArray> parts = xy.split('x');
                return QPointF(parts.value(0).toDouble(), parts.value(1).toDouble());
            };
            symbols.last().centre = (corner(corners[0]) + corner(corners[2])) / 2;
        }
    }
    return symbols;
}

inline QList<ZxingSymbol> zxingSymbols(const QStringList& argsAndFiles) {
    return zxingSymbolsIn(runProgram(QStringLiteral(ZXING_EXECUTABLE), argsAndFiles).out,
                          argsAndFiles.value(argsAndFiles.size() - 1));
}

inline QStringList zxingTexts(const QString& path) {
    QStringList texts;
    for (const ZxingSymbol& symbol : zxingSymbols({path}))
        texts.append(symbol.text);
    return texts;
}

// One line per symbol zbarimg finds.
inline QStringList zbarTexts(const QString& path) {
    const Run run =
        runProgram(QStringLiteral(ZBARIMG_EXECUTABLE), {"-q", "--nodbus", "--raw", path});
    return QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
}

// The one text a reader finds in the image, empty when it finds none.
inline QString zbarRead(const QString& path) {
    return zbarTexts(path).value(0);
}

inline QString zxingRead(const QString& path) {
    return zxingTexts(path).value(0);
}

// UPC-A is EAN-13 with a leading 0, and readers report either form for such a symbol.
inline bool sameRetailNumber(QString read, QString expected) {
    if (read.size() == 13 && read.startsWith(u'0')) read.remove(0, 1);
    if (expected.size() == 13 && expected.startsWith(u'0')) expected.remove(0, 1);
    return read == expected;
}

// What is wrong with the readings of the image by each installed reader, or nothing when each
// read exactly one symbol equal to `expected` as `same` compares them.
inline QString readingProblem(const QImage& image, const QString& expected,
                              const QString& directory, bool (*same)(QString, QString)) {
    const QString path = saveForReading(image, directory);
    if (path.isEmpty()) return QStringLiteral("the image could not be saved");
    for (const QString& reader :
         {QStringLiteral(ZBARIMG_EXECUTABLE), QStringLiteral(ZXING_EXECUTABLE)}) {
        if (reader.isEmpty()) continue;
        const QStringList texts =
            reader == QStringLiteral(ZBARIMG_EXECUTABLE) ? zbarTexts(path) : zxingTexts(path);
        if (texts.size() != 1) return reader + QStringLiteral(": ") + texts.join(u'|');
        if (!same(texts.first(), expected))
            return reader + QStringLiteral(" read ") + texts.first();
    }
    return {};
}

// ---- Pictures as modules ----------------------------------------------------------------------

// "1" for a black pixel, "0" for a white one, "?" for anything else, along one row.
inline QString rowModules(const QImage& image, int y, int fromX, int toX) {
    QString modules;
    for (int x = fromX; x <= toX; ++x) {
        const QRgb rgb = image.pixel(x, y) & 0xFFFFFF;
        modules += rgb == 0 ? u'1' : rgb == 0xFFFFFF ? u'0' : u'?';
    }
    return modules;
}

inline bool allWhite(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) return false;
    return true;
}

// ---- Check digits -----------------------------------------------------------------------------

// The GTIN check digit (EAN-8, UPC-A, EAN-13, GTIN-14): weights 3 and 1 from the right.
inline char gtinCheckDigit(const QByteArray& digits) {
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i)
        sum += (digits[i] - '0') * ((digits.size() - i) % 2 == 1 ? 3 : 1);
    return char('0' + (10 - sum % 10) % 10);
}

// A code per list row that tells the rows apart, valid in the symbology: EAN-13 and EAN-8 with
// their check digit, "LBL" and the row number otherwise.
inline QString rowCode(const QString& type, int row) {
    if (!type.startsWith(u"EAN")) return QStringLiteral("LBL%1").arg(row, 3, 10, QChar(u'0'));
    const QString digits = type == u"EAN13"
                               ? QStringLiteral("400638%1").arg(row, 6, 10, QChar(u'0'))
                               : QStringLiteral("9638%1").arg(row, 3, 10, QChar(u'0'));
    return digits + QChar(gtinCheckDigit(digits.toLatin1()));
}
