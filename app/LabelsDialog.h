#pragma once

#include "app/MessageBoxes.h"
#include "app/SaveDialog.h"
#include "labels/Design.h"
#include "labels/LabelGrades.h"
#include "labels/Sheet.h"
#include "labels/TemplateCatalog.h"

#include <QDialog>
#include <QImage>

#include <memory>
#include <optional>

class QCheckBox;
class QFile;
class QPainter;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace Labels {
class LabelSink;
class SheetWriter;
class LabelPainter;
struct ZplSettings;
} // namespace Labels

// Where the labels dialog gets what it offers; tests put their own in.
struct LabelsDialogOptions {
    MessageBoxes* messages = nullptr;           // required
    SaveFileDialog* saveDialog = nullptr;       // required
    std::optional<QStringList> templateFolders; // default: the catalog's own folders
    std::optional<QStringList> printers;        // default: the system's printers
    QString printer;                            // the one chosen first
    QString type = QStringLiteral("128/n");     // the symbology chosen first
};

// The picture of a sheet on which a click picks the first free label.
class SheetMap : public QWidget {
    Q_OBJECT
  public:
    explicit SheetMap(QWidget* parent = nullptr);
    void setSheet(const Labels::LabelTemplate* label);
    void setStart(int start);
    // The 1-based label under a point of the widget, 0 for none.
    int labelAt(QPointF point) const;
    // Where the label stands in the widget.
    QRectF labelRect(int position) const;

  signals:
    void startPicked(int start);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QRectF paperRect() const;
    std::optional<Labels::LabelTemplate> label_;
    QList<QRectF> positions_;
    int start_ = 1;
};

// Labels from a list, the window's way: a list file with a look at its first rows, a label
// product found by a search or a roll label's size, the first free label clicked on the sheet
// (or the roll's first row), a printer with its remembered correction or a thermal printer
// that takes ZPL, the first page (or the first rows of the roll) as it will print; then Print
// or Save PDF.
class LabelsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit LabelsDialog(LabelsDialogOptions options, QWidget* parent = nullptr);
    ~LabelsDialog() override;

    void setListFile(const QString& path);
    // A gLabels design or a layout to print instead of one symbol per label; empty for none.
    void setDesignFile(const QString& path);
    const Labels::LabelTemplate* chosenTemplate() const;
    Labels::Calibration calibration() const;
    int start() const;
    // The first page as it will print, at `dotsPerInch`; null when nothing can be drawn.
    const QImage& preview() const { return preview_; }

    QLineEdit* designPath;
    QPushButton* chooseDesign;
    QLineEdit* listPath;
    QPushButton* chooseList;
    QCheckBox* header;
    QComboBox* column;
    QTableWidget* listRows;
    QComboBox* type;
    QLineEdit* templateSearch;
    QListWidget* templates;
    SheetMap* sheetMap;
    QSpinBox* startBox;
    QCheckBox* rollLabel; // a roll label instead of the label product
    QDoubleSpinBox *rollWidth, *rollHeight, *rollGap;
    QSpinBox* rollAcross;
    QComboBox* printer;
    QLineEdit* zplPrinter; // the thermal printer's address or raw queue
    QComboBox* zplDots;
    QSpinBox* darkness;
    QDoubleSpinBox *offsetX, *offsetY, *scaleX, *scaleY;
    QLabel* previewPicture;
    QLabel* status;
    QPushButton* printButton;
    QPushButton* savePdfButton;

    static constexpr int kPreviewRows = 8;
    static constexpr int kPreviewRollRows = 3; // rows of a roll label the preview shows

  private:
    void readListHead();
    // Ticks "The first row names the columns" when the list's first row looks like a header.
    void guessHeader(QFile& file);
    void searchTemplates();
    void templateChosen();
    void printerChosen();
    void rollChanged();
    // Whether the printer chosen is the thermal printer that takes ZPL.
    bool zplChosen() const;
    Labels::ZplSettings zplSettings() const;
    void printZpl();
    void updatePreview();
    void savePdf();
    void print();
    // Draws the labels on the writer, or when none, the first page on the preview. Returns
    // the number of labels placed, or nullopt with the reasons in `problems`.
    std::optional<qint64> produce(Labels::LabelSink* writer, QStringList& problems);
    // The same for a design (LabelsDialogDesign.cpp).
    std::optional<qint64> produceDesign(Labels::LabelSink* writer, QStringList& problems);
    // Why the first free label chosen cannot be had on the sheet; nothing when it can.
    std::optional<QString> beyondSheet(const Labels::Sheet& sheet,
                                       const Labels::LabelTemplate& label) const;
    // The resolution labels are drawn at: the writer's, or the chosen printer's for a preview.
    int outputDots(const Labels::LabelSink* writer);
    // The preview's page with the labels' outlines, `rows` pages `rowStep` points apart for a
    // roll; the painter left in dots.
    void beginPreview(QPainter& painter, const Labels::LabelTemplate& label,
                      const Labels::Sheet& sheet, double dotsPerPoint, int rows = 1,
                      double rowStep = 0);
    bool write(Labels::LabelSink& writer, const QString& target);
    void fail(const QString& text);

    LabelsDialogOptions options_;
    std::optional<Labels::Design> design_;
    Labels::TemplateCatalog catalog_;
    std::optional<QString> catalogProblem_;
    std::optional<Labels::LabelTemplate> roll_; // the roll label's sizes as a template
    QImage preview_;
    QPair<QString, int> printerDots_;      // the last printer asked and its resolution
    QString headerGuessedFor_;             // the list whose header was last guessed
    std::optional<Labels::Grades> grades_; // of the labels last written; none for a type not graded
};
