#pragma once

#include "reader/SurfaceView.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

// The Reader window "39 Reader": paste a picture from the clipboard, click left of a Code 39
// symbol, and the text read along that row appears in the code box. Closing deletes it.
class ReaderWindow : public QWidget {
    Q_OBJECT
  public:
    // Always a window of its own, also when given a parent to live with.
    explicit ReaderWindow(QWidget* parent = nullptr);

    QLabel* codeLabel;
    QLineEdit* codeEdit;
    QPushButton* pasteButton;
    SurfaceView* pictureView;
    // Every symbol the reading engine finds in the pasted picture, with its grade; laid over the
    // picture's bottom left corner and let through to it by the mouse.
    QLabel* symbolList;

  public slots:
    // No picture, in pixel units: the state before the first paste.
    void resetPicture();
    // Paste Barcode: the clipboard's image at (20, 20) on an erased picture.
    void pasteBarcode();
    // Reads at the clicked point, whichever button was pressed.
    void readAt(Qt::MouseButton button, Qt::KeyboardModifiers shift, float X, float Y);

  private:
    void createControls();
    void listSymbols(const QImage& pasted);

    int listing_ = 0; // the latest listing; an older one goes unseen
};
