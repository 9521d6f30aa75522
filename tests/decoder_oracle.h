#pragma once

#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QString>
#include <QStringList>

// Two independent barcode readers as test oracles. The drawn image is enlarged three times
// (nearest pixel) and framed with a 30-pixel white margin, as a scanner would want it.
namespace DecoderOracle {

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

// Standard output of the program, or a null string when it could not run to the end.
inline QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// One line per symbol found.
inline QStringList zbarTexts(const QString& zbarimg, const QString& path) {
    const QString out = run(
        zbarimg, {QStringLiteral("-q"), QStringLiteral("--nodbus"), QStringLiteral("--raw"), path});
    return out.split(u'\n', Qt::SkipEmptyParts);
}

// ZXingReader prints a block per symbol with a line `Text:       "..."`.
inline QStringList zxingTexts(const QString& zxingReader, const QString& path) {
    QStringList texts;
    const QString out = run(zxingReader, {path});
    for (const QString& line : out.split(u'\n')) {
        if (!line.startsWith(QStringLiteral("Text:"))) continue;
        QString text = line.mid(5).trimmed();
        if (text.size() >= 2 && text.startsWith(u'"') && text.endsWith(u'"'))
            text = text.mid(1, text.size() - 2);
        texts.append(text);
    }
    return texts;
}

// UPC-A is EAN-13 with a leading 0, and readers report either form for such a symbol.
inline bool sameRetailNumber(QString read, QString expected) {
    if (read.size() == 13 && read.startsWith(u'0')) read.remove(0, 1);
    if (expected.size() == 13 && expected.startsWith(u'0')) expected.remove(0, 1);
    return read == expected;
}

// What is wrong with the readings of the image by both readers, or nothing when each read
// exactly one symbol equal to `expected` as `same` compares them.
inline QString readingProblem(const QImage& image, const QString& expected,
                              const QString& directory, const QString& zbarimg,
                              const QString& zxingReader, bool (*same)(QString, QString)) {
    const QString path = saveForReading(image, directory);
    if (path.isEmpty()) return QStringLiteral("the image could not be saved");
    for (const QString& reader : {zbarimg, zxingReader}) {
        if (reader.isEmpty()) continue;
        const QStringList texts =
            reader == zbarimg ? zbarTexts(reader, path) : zxingTexts(reader, path);
        if (texts.size() != 1) return reader + QStringLiteral(": ") + texts.join(u'|');
        if (!same(texts.first(), expected))
            return reader + QStringLiteral(" read ") + texts.first();
    }
    return {};
}

} // namespace DecoderOracle
