#pragma once

#include "app/MessageBoxes.h"

class QWidget;

// Message boxes on screen: modal to their window, one OK button.
class QtMessageBoxes : public MessageBoxes {
  public:
    explicit QtMessageBoxes(QWidget* parent) : parent_(parent) {}
    void show(const QString& text, const QString& title, MessageIcon icon) override;

  private:
    QWidget* parent_;
};
