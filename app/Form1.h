#pragma once

#include "app/DrawCommands.h"
#include "app/QtMessageBoxes.h"
#include "decode/ScanGrade.h"
#include "output/ImageExport.h"
#include "output/MOD_CDIALOG.h"
#include "output/Printing.h"
#include "reader/Form2.h"

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
class MSComm;

// Where the main window keeps its files and whom it asks; tests put their own in.
struct Form1Options {
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
class Form1 : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kFoldedHeightTwips = 4455;
    static constexpr int kUnfoldedHeightTwips = 6015;

    explicit Form1(Form1Options options = {});
    ~Form1() override;

    // Handlers, named by control and event.
    void Form_Load();
    void Form_Unload();
    void cmdDraw_Click();
    void cmbtype_Change();
    void sldwidth_Change() {}
    void sldheight_Change() {}
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void SaveSettings();
    void cmdsave_Click();   // unfolds the save panel
    void Command10_Click(); // Continue: save
    void Command11_Click(); // Cancel saving
    void Command9_Click();  // Copy Barcode
    void Command13_Click(); // unfolds the print panel
    void Command14_Click(); // Print
    void Command15_Click(); // Cancel printing
    void Command12_Click(); // Load Reader
    void cmdlabels_Click(); // opens the labels dialog
    void Check1_Click();    // scanner on or off
    void Timer1_Timer();    // one poll of the scanner

    // The serial ports present and the current one, to pick the scanner's from; the choice is
    // remembered for the next start.
    QMenu* scannerPortMenu();
    void chooseScannerPort(const QString& port);
    const QString& scannerPort() const { return scannerPort_; }

    // The selected item of the symbology list, -1 when the text names none of them.
    int cmbtypeListIndex() const;
    const DrawModel& model() const { return model_; }
    DrawModel& model() { return model_; }
    const QString& settingsPath() const { return settingsPath_; }
    // The Reader window while it is loaded.
    Form2* reader() const { return reader_; }

    // Visible controls
    QLabel* Label1;
    QLineEdit* txtcode;
    QLabel* Label2;
    QComboBox* cmbtype;
    QLabel* picout; // shows the output picture's persistent image
    QSlider* sldheight;
    QSlider* sldwidth;
    QPushButton* cmdDraw;
    QPushButton* Command12;
    QPushButton* Command9;
    QPushButton* cmdsave;
    QToolButton* Command13;
    QPushButton* Check1; // a check box drawn as a button
    // The scan check of the last Draw, over the strip of the output picture that the height
    // slider's clamp always leaves blank.
    QLabel* lblscan;

    // Save panel
    QGroupBox* Frame1;
    QRadioButton* optbmp;
    QRadioButton* optjpg;
    QRadioButton* optpng;
    QRadioButton* opttiff;
    QRadioButton* optgif;
    QRadioButton* optpsd;
    QRadioButton* optsvg;
    QRadioButton* optpdf;
    QPushButton* Command10;
    QPushButton* Command11;

    // Print panel
    QGroupBox* Frame2;
    QLabel* Label3;
    QComboBox* cmbprinters;
    QLabel* Label4;
    QLineEdit* txtrepeat;
    QLabel* Label5;
    QLabel* Label6;
    QLineEdit* txtvspace;
    QLabel* Label7;
    QPushButton* Command14;
    QPushButton* Command15;
    QPushButton* cmdlabels; // sheets of labels from a list

    // The labels dialog once opened; it keeps its choices while the window lives.
    QPointer<LabelsDialog> labelsDialog;

    QTimer* Timer1;
    MSComm* MSComm1;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createVisibleControls();
    void createSavePanel();
    void createPrintPanel();
    void connectHandlers();
    void restoreSettings();
    void runCommand(DrawCommands::Command command);
    void showOutput();
    void startScanCheck(const QString& typedText);
    void setClientHeightTwips(int twips);
    void syncSliders();
    std::optional<ImageExport::ImageFormat> checkedFormat() const;
    void saveVectorSymbol(const QString& path, ImageExport::ImageFormat format);
    void unfold(QWidget* frame);
    void fold(QWidget* frame);

    Form1Options options_;
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
    QPointer<Form2> reader_;
    bool unloaded_ = false;
    std::shared_ptr<std::atomic<bool>> scanCheckCancelled_; // of the check still running
    // What the status line speaks of, for the report a click on it opens.
    QImage checkedPicture_;
    std::vector<ScanGrade::Symbol> checkedSymbols_;
};
