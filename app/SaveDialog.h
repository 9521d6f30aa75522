#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

class QWidget;

// One entry of a save dialog's type list: what the user reads and the file pattern it stands for.
using FilterPair = QPair<QString, QString>;

// The modal save-file dialog, behind an interface so that tests can answer it.
class SaveFileDialog {
  public:
    virtual ~SaveFileDialog() = default;
    // The confirmed full path, or "" when cancelled.
    virtual QString ask(QWidget* owner, const QList<FilterPair>& filters, const QString& title,
                        const QString& defaultFileName, const QString& initialDirectory) = 0;
};

// Qt's own (non-native) file dialog: confirms overwriting an existing file and creating a new
// one, and returns the name exactly as confirmed, without adding a suffix.
class QtSaveFileDialog : public SaveFileDialog {
  public:
    QString ask(QWidget* owner, const QList<FilterPair>& filters, const QString& title,
                const QString& defaultFileName, const QString& initialDirectory) override;
};

namespace SaveDialog {

inline constexpr QChar kFilterSeparator = u'|';

// The dialog's name filter for one entry, e.g. "Images (*.png *.jpg)" for "Images" and
// "*.png;*.jpg"; an entry whose description is its pattern shows the pattern alone.
QString nameFilterOf(const FilterPair& entry);

// Reads a NUL-separated list as description/pattern pairs. The list ends at an empty
// description; a missing or empty pattern is taken to be the description.
QList<FilterPair> filterPairs(const QString& nulSeparated);

// Asks for a file name to save under. The filter text uses "|" between descriptions and
// patterns; it is rewritten in place with a final "|" and every "|" turned into NUL.
// Missing arguments: title "Save As", no default file name, the program's directory.
QString askPath(SaveFileDialog& dialog, QWidget* owner, QString& filterText,
                std::optional<QString> title, std::optional<QString> defaultFileName,
                std::optional<QString> initialDirectory, const QString& programDirectory);

} // namespace SaveDialog
