#include "app/SaveDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

namespace {

constexpr QChar kNul = QChar(0);

// Qt's file dialog asks before overwriting; this one also asks before creating a new file.
class CreatePromptingFileDialog : public QFileDialog {
  public:
    using QFileDialog::QFileDialog;

    void accept() override {
        const QString chosen = selectedFiles().value(0);
        const QFileInfo info(chosen);
        if (!chosen.isEmpty() && !info.exists() && !confirmCreating(info)) return;
        QFileDialog::accept();
    }

  private:
    bool confirmCreating(const QFileInfo& info) {
        const QString text = tr("%1 does not exist.\nDo you want to create it?")
                                 .arg(QDir::toNativeSeparators(info.fileName()));
        return QMessageBox::question(this, windowTitle(), text, QMessageBox::Yes | QMessageBox::No,
                                     QMessageBox::Yes) == QMessageBox::Yes;
    }
};

} // namespace

QString QtSaveFileDialog::ask(QWidget* owner, const QList<FilterPair>& filters,
                              const QString& title, const QString& defaultFileName,
                              const QString& initialDirectory) {
    CreatePromptingFileDialog dialog(owner);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setWindowTitle(title);
    QStringList nameFilters;
    for (const FilterPair& entry : filters)
        nameFilters.append(SaveDialog::nameFilterOf(entry));
    if (!nameFilters.isEmpty()) dialog.setNameFilters(nameFilters);
    if (!initialDirectory.isEmpty()) dialog.setDirectory(initialDirectory);
    if (!defaultFileName.isEmpty()) dialog.selectFile(defaultFileName);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

namespace SaveDialog {

QString nameFilterOf(const FilterPair& entry) {
    const auto& [description, pattern] = entry;
    // Qt separates patterns with blanks where the classic list uses semicolons.
    const QString patterns = QString(pattern).replace(u';', u' ');
    if (description == pattern) return patterns;
    const QString bracketed = u'(' + patterns + u')';
    if (description.endsWith(bracketed)) return description;
    return description + u' ' + bracketed;
}

QList<FilterPair> filterPairs(const QString& nulSeparated) {
    const QStringList parts = nulSeparated.split(kNul);
    QList<FilterPair> pairs;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString& description = parts[i];
        if (description.isEmpty()) break; // an empty item closes the list
        const QString pattern = parts.value(i + 1);
        pairs.append({description, pattern.isEmpty() ? description : pattern});
    }
    return pairs;
}

QString askPath(SaveFileDialog& dialog, QWidget* owner, QString& filterText,
                std::optional<QString> title, std::optional<QString> defaultFileName,
                std::optional<QString> initialDirectory, const QString& programDirectory) {
    if (!filterText.endsWith(kFilterSeparator)) filterText += kFilterSeparator;
    filterText.replace(kFilterSeparator, kNul);
    return dialog.ask(owner, filterPairs(filterText), title.value_or(QStringLiteral("Save As")),
                      defaultFileName.value_or(QString()),
                      initialDirectory.value_or(programDirectory));
}

} // namespace SaveDialog
