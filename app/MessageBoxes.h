#pragma once

#include <QString>

enum class MessageIcon { Critical, Exclamation };

// The modal message box, behind an interface so that tests can answer it.
class MessageBoxes {
  public:
    virtual ~MessageBoxes() = default;
    virtual void show(const QString& text, const QString& title, MessageIcon icon) = 0;
};
