#pragma once

#include "app/DrawCommands.h"
#include "app/QtMessageBoxes.h"
#include "app/SaveDialog.h"
#include "decode/Grade2D.h"
#include "decode/ScanGrade.h"
#include "output/ImageExport.h"
#include "output/Printing.h"
#include "reader/ReaderWindow.h"

#include <QPointer>
#include <QWidget>

#include <atomic>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;
class QToolButton;
class LabelsDialog;
class ScannerPort;

// Where the main window keeps its files and whom it asks; tests put their own in.
struct MainWindowOptions {
    QString programDirectory;         // default: the executable's directory
    QString settingsPath;             // default: settings.bin there, or in the user's config folder
    MessageBoxes* messages = nullptr; // default: real message boxes
    QString serialPortName; // default: the remembered choice, else the platform's first port
    SaveFileDialog* saveDialog = nullptr; // default: the file dialog on screen
    QString preferencesPath{}; // default: "Barcode Desk.conf" in the user's config folder
};

// The main window: the code field, the symbology list, the output picture with its two
// sliders, the command buttons and the save and print panels. The drawing itself happens in
// the widget-free draw commands; this window only wires its controls to them.
class MainWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kFoldedHeightTwips = 4455;
    static constexpr int kUnfoldedHeightTwips = 6015;

    explicit MainWindow(MainWindowOptions options = {});
    ~MainWindow() override;

  public slots:
    // The type list and printer list filled, then the choices of the last run restored.
    void loadSettings();
    // Closes the scanner's port, once, whatever it says; the window's end does it too.
    void closeScannerPort();
    void drawBarcode();
    void typeEdited(); // typing in the type list saves the settings
    void saveSettings();
    void showSavePanel();
    void saveBarcode(); // "Continue": asks for the file and writes the picture there
    void hideSavePanel();
    void copyBarcode();
    void showPrintPanel();
    void printBarcode();
    void hidePrintPanel();
    void showReader();
    void showLabelsDialog();
    void switchScanner(); // polls the scanner while its button is down
    void pollScanner();   // once a second: what the scanner sent replaces the code text

  public:
    // The serial ports present and the current one, to pick the scanner's from; the choice is
    // remembered for the next start.
    QMenu* scannerPortMenu();
    void chooseScannerPort(const QString& port);
    const QString& scannerPort() const { return scannerPort_; }

    // The selected item of the symbology list, -1 when the text names none of them.
    int typeListIndex() const;
    const DrawModel& model() const { return model_; }
    DrawModel& model() { return model_; }
    const QString& settingsPath() const { return settingsPath_; }
    // The Reader window while it is loaded.
    ReaderWindow* reader() const { return reader_; }

    // Visible controls
    QLabel* codeLabel;
    QLineEdit* codeEdit;
    QLabel* typeLabel;
    QComboBox* typeCombo;
    QLabel* outputPicture; // shows the output picture's persistent image
    QSlider* heightSlider;
    QSlider* widthSlider;
    QPushButton* drawButton;
    QPushButton* readerButton;
    QPushButton* copyButton;
    QPushButton* saveAsButton;
    QToolButton* printPanelButton;
    QPushButton* scannerButton; // a check box drawn as a button
    // The scan check of the last Draw, over the strip of the output picture that the height
    // slider's clamp always leaves blank.
    QLabel* gradeLine;

    // Save panel
    QGroupBox* savePanel;
    QRadioButton* bmpOption;
    QRadioButton* jpgOption;
    QRadioButton* pngOption;
    QRadioButton* tiffOption;
    QRadioButton* gifOption;
    QRadioButton* psdOption;
    QRadioButton* svgOption;
    QRadioButton* pdfOption;
    QPushButton* continueButton;
    QPushButton* cancelSaveButton;

    // Print panel
    QGroupBox* printPanel;
    QLabel* printerLabel;
    QComboBox* printerCombo;
    QLabel* repeatLabel;
    QLineEdit* repeatEdit;
    QLabel* timesLabel;
    QLabel* spacingLabel;
    QLineEdit* spacingEdit;
    QLabel* pixelsLabel;
    QPushButton* printButton;
    QPushButton* cancelPrintButton;
    QPushButton* labelsButton; // sheets of labels from a list

    // The labels dialog once opened; it keeps its choices while the window lives.
    QPointer<LabelsDialog> labelsDialog;

    QTimer* scannerTimer;
    ScannerPort* scanner;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createVisibleControls();
    void createSavePanel();
    void createPrintPanel();
    void connectHandlers();
    void applySavedSettings();
    void runCommand(DrawCommands::Command command);
    void showOutput();
    void startScanCheck(const QString& typedText);
    void setClientHeightTwips(int twips);
    void syncSliders();
    std::optional<ImageExport::ImageFormat> checkedFormat() const;
    void saveVectorSymbol(const QString& path, ImageExport::ImageFormat format);
    void unfold(QWidget* frame);
    void fold(QWidget* frame);

    MainWindowOptions options_;
    // The save panel's option buttons in the order of the format table.
    QList<std::pair<ImageExport::ImageFormat, QRadioButton*>> formatOptions_;
    QString settingsPath_;
    QString preferencesPath_;
    QString scannerPort_;
    std::unique_ptr<QtMessageBoxes> ownMessages_;
    MessageBoxes* messages_;
    std::unique_ptr<QtSaveFileDialog> ownSaveDialog_;
    SaveFileDialog* saveDialog_;
    CurrentPrinter printer_;
    DrawModel model_;
    QPointer<ReaderWindow> reader_;
    bool unloaded_ = false;
    std::shared_ptr<std::atomic<bool>> scanCheckCancelled_; // of the check still running
    // What the status line speaks of, for the report a click on it opens.
    QImage checkedPicture_;
    std::vector<ScanGrade::Symbol> checkedSymbols_;
    std::vector<Grade2D::Symbol> checkedMatrixSymbols_;
};
