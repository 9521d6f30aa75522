#pragma once

#include "app/ReportDialog.h"
#include "decode/ScanGrade.h"

#include <QImage>

class QSpinBox;

// The scan check's report behind the main window's status line: the page that verify --report
// writes, with the profile of one scan line after another.
class ScanReportDialog : public ReportDialog {
    Q_OBJECT

  public:
    ScanReportDialog(const QImage& picture, ScanGrade::Symbol symbol, ReportDialogOptions options,
                     QWidget* parent = nullptr);

    QSpinBox* line; // whose profile shows, 1 to 10; the worst at first

  private:
    void paintPage(QPainter& painter) const override;
    QByteArray pageBytes(ReportPage::Format format) const override;

    QImage picture_;
    ScanGrade::Symbol symbol_;
};
