#pragma once

#include "decode/Grade2D.h"

#include <QDialog>
#include <QImage>

// The 2D grader's report behind the main window's status line: the page that verify --report
// writes for a QR Code or Data Matrix symbol.
class MatrixReportDialog : public QDialog {
    Q_OBJECT

  public:
    MatrixReportDialog(const QImage& picture, const Grade2D::Symbol& symbol,
                       QWidget* parent = nullptr);
};
