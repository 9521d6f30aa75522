#pragma once

#include "app/SaveDialog.h"

// Answers the save dialog with a prepared path and remembers what it was asked.
class RecordingDialog : public SaveFileDialog {
  public:
    QString answer;
    int calls = 0;
    QWidget* owner = nullptr;
    QList<FilterPair> filters;
    QString title, defaultFileName, initialDirectory;

    QString ask(QWidget* o, const QList<FilterPair>& f, const QString& t, const QString& name,
                const QString& directory) override {
        ++calls;
        owner = o;
        filters = f;
        title = t;
        defaultFileName = name;
        initialDirectory = directory;
        return answer;
    }
};
