#pragma once

#include "app/MessageBoxes.h"
#include "app/SaveDialog.h"
#include "output/ReportPage.h"

#include <QDialog>
#include <QImage>

class QHBoxLayout;
class QLabel;
class QPainter;
class QPushButton;
class QScrollArea;

// Where a report dialog asks for a file name and tells of a failure; the main window's own.
struct ReportDialogOptions {
    MessageBoxes* messages = nullptr;     // required
    SaveFileDialog* saveDialog = nullptr; // required
};

// A scan check's report page in a window that fits the screen and scrolls, with Save (PDF or
// SVG), Print and Close; the linear and the 2D report dialogs paint their own page.
class ReportDialog : public QDialog {
    Q_OBJECT

  public:
    ReportDialog(ReportDialogOptions options, QWidget* parent);

    QLabel* page;
    QScrollArea* scroll;
    QPushButton* saveButton;
    QPushButton* printButton;
    QPushButton* closeButton;

  protected:
    // Over the page, for what the report lets one choose.
    QHBoxLayout* choices;
    // Shows the page as paintPage paints it; the dialog's size is then set to fit the screen.
    void showPage();

  private:
    // Paints the page from (0, 0) in tenths of a millimetre.
    virtual void paintPage(QPainter& painter) const = 0;
    virtual QByteArray pageBytes(ReportPage::Format format) const = 0;
    void save();
    void print();

    ReportDialogOptions options_;
    bool sized_ = false;
};
