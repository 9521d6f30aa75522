#pragma once

#include "app/MessageBoxes.h"

#include <QList>

// Answers every message box at once and remembers what it showed.
class RecordingMessages : public MessageBoxes {
  public:
    struct Shown {
        QString text;
        QString title;
        MessageIcon icon;
    };
    void show(const QString& text, const QString& title, MessageIcon icon) override {
        shown.append({text, title, icon});
    }
    QList<Shown> shown;
};
