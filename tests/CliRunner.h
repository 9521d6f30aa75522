#pragma once

#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "decoder_oracle.h"

// Runs a program and keeps what it said.
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
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

inline Run cli(const QStringList& args, const QByteArray& input = {},
               const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    return runProgram(QStringLiteral(CLI_EXECUTABLE), args, input, environment);
}

// The image scaled x3 with a 30-pixel white border, as a printed label would be scanned.
inline QString scaledForScanners(const QString& path, const QTemporaryDir& dir) {
    const QString out =
        dir.filePath(QStringLiteral("scaled-") + QString::number(qHash(path)) + ".png");
    runProgram(QStringLiteral(CONVERT_EXECUTABLE),
               {path, "-scale", "300%", "-bordercolor", "white", "-border", "30", out});
    return out;
}

// The picture in any format, through ImageMagick (its first layer, flattened), as 32-bit RGB.
inline QImage readBackImage(const QString& path, const QString& scratchPng) {
    runProgram(QStringLiteral(CONVERT_EXECUTABLE), {path + "[0]", "-flatten", scratchPng});
    return QImage(scratchPng).convertToFormat(QImage::Format_RGB32);
}

// The one text a reader finds in the image, empty when it finds none.
inline QString zbarRead(const QString& path) {
    return DecoderOracle::zbarTexts(QStringLiteral(ZBARIMG_EXECUTABLE), path).value(0);
}

inline QString zxingRead(const QString& path) {
    return DecoderOracle::zxingTexts(QStringLiteral(ZXING_EXECUTABLE), path).value(0);
}
