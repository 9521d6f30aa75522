#include "app/SettingsFile.h"

#include "output/NumberText.h"
#include "output/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace SettingsFile {
namespace {

constexpr int kFieldCount = 8;

std::optional<int> wholeNumber(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

QByteArray encode(const Record& record) {
    const QStringList fields = {
        record.code,
        QString::number(record.typeIndex),
        QString::number(record.heightValue),
        QString::number(record.widthValue),
        record.formatWord,
        record.printer,
        NumberText::shortestText(NumberText::leadingNumber(record.repeatText)),
        NumberText::shortestText(NumberText::leadingNumber(record.spacingText)),
    };
    return fields.join(kSeparator).toLatin1();
}

std::optional<Restored> decode(const QByteArray& bytes) {
    if (bytes.isEmpty()) return std::nullopt;
    QStringList pieces = QString::fromLatin1(bytes).split(kSeparator);
    if (pieces.size() < kFieldCount) return std::nullopt;
    const qsizetype codePieces = pieces.size() - (kFieldCount - 1);
    const QStringList rest = pieces.mid(codePieces);

    Restored restored;
    restored.code = pieces.mid(0, codePieces).join(kSeparator);
    if (const auto index = wholeNumber(rest[0]); index && *index >= -1 && *index <= 6)
        restored.typeIndex = index;
    restored.heightValue = wholeNumber(rest[1]);
    restored.widthValue = wholeNumber(rest[2]);
    restored.formatWord = rest[3];
    restored.printer = rest[4];
    restored.repeatText = rest[5];
    restored.spacingText = rest[6];
    return restored;
}

// The folder an installed program runs from belongs to the package manager, even where the
// user (root) could write into it.
bool isInstalledProgramFolder(const QFileInfo& directory) {
    const QString installed =
        QFileInfo(QStringLiteral(BARCODE_DESK_INSTALL_BINDIR)).canonicalFilePath();
    return !installed.isEmpty() && directory.canonicalFilePath() == installed;
}

QString defaultPath(const QString& programDirectory) {
    const QFileInfo directory(programDirectory);
    if (directory.isDir() && directory.isWritable() && !isInstalledProgramFolder(directory))
        return QDir(programDirectory).filePath(kFileName);
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(config);
    return QDir(config).filePath(kFileName);
}

std::optional<QByteArray> readCreating(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite)) return std::nullopt;
    return file.readAll();
}

std::optional<QString> write(const QString& path, const QByteArray& bytes) {
    return WholeFile::write(path, bytes);
}

} // namespace SettingsFile
