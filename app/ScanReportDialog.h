#pragma once

#include "decode/ScanGrade.h"

#include <QDialog>
#include <QImage>

class QLabel;
class QSpinBox;

// The scan check's report behind the main window's status line: the page that verify --report
// writes, with the profile of one scan line after another.
class ScanReportDialog : public QDialog {
    Q_OBJECT

  public:
    ScanReportDialog(const QImage& picture, ScanGrade::Symbol symbol, QWidget* parent = nullptr);

    QSpinBox* line; // whose profile shows, 1 to 10; the worst at first
    QLabel* page;

  private:
    void showLine(int number);

    QImage picture_;
    ScanGrade::Symbol symbol_;
};
