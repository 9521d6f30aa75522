#pragma once

#include "app/ReportDialog.h"
#include "decode/Grade2D.h"

#include <QImage>

// The 2D grader's report behind the main window's status line: the page that verify --report
// writes for a QR Code or Data Matrix symbol.
class MatrixReportDialog : public ReportDialog {
    Q_OBJECT

  public:
    MatrixReportDialog(const QImage& picture, Grade2D::Symbol symbol, ReportDialogOptions options,
                       QWidget* parent = nullptr);

  private:
    void paintPage(QPainter& painter) const override;
    QByteArray pageBytes(ReportPage::Format format) const override;

    QImage picture_;
    Grade2D::Symbol symbol_;
};
