#include "app/QtMessageBoxes.h"

#include <QMessageBox>

void QtMessageBoxes::show(const QString& text, const QString& title, MessageIcon icon) {
    const auto qtIcon =
        icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Warning;
    QMessageBox box(qtIcon, title, text, QMessageBox::Ok, parent_);
    box.exec();
}
