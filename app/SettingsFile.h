#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// The user's last choices, one record of eight text fields joined by "%~%", 8-bit text.
namespace SettingsFile {

inline const QString kSeparator = QStringLiteral("%~%");
inline const QString kFileName = QStringLiteral("settings.bin");

// What saveSettings reads off the window, field by field.
struct Record {
    QString code;          // 0: the code field as it stands
    int typeIndex = 1;     // 1: selected symbology, -1 for none
    int heightValue = 150; // 2
    int widthValue = 50;   // 3
    QString formatWord;    // 4: "bmp", "jpg", "tif", "png" or empty
    QString printer;       // 5
    QString repeatText;    // 6: written as the number the text begins with
    QString spacingText;   // 7: likewise
};

QByteArray encode(const Record& record);

// The fields a file restores; anything unusable is left out and the rest still applies.
struct Restored {
    QString code;
    std::optional<int> typeIndex;   // -1 to 6
    std::optional<int> heightValue; // not yet clamped to the slider
    std::optional<int> widthValue;
    QString formatWord;
    QString printer;
    QString repeatText;
    QString spacingText;
};

// Nothing when the file holds fewer than eight fields. A code text that itself contained
// the separator makes more pieces: the surplus at the front belongs to the code.
std::optional<Restored> decode(const QByteArray& bytes);

// "settings.bin" in the program's directory, or in the user's configuration directory when
// the program's directory cannot be written or is the folder the program is installed in.
QString defaultPath(const QString& programDirectory);

// Reads the whole file, creating it empty when it is missing; nothing when it cannot be opened.
std::optional<QByteArray> readCreating(const QString& path);
// Replaces the file with the bytes, all or nothing: when they cannot be written whole, the old
// file stays as it was and the reason is returned.
std::optional<QString> write(const QString& path, const QByteArray& bytes);

} // namespace SettingsFile
