#include "reader/ReaderWindow.h"

#include "decode/Code39RowReader.h"
#include "decode/ReadingEngine.h"
#include "decode/ScanGrade.h"

#include <QClipboard>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QtConcurrent/QtConcurrentRun>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr int kPasteAt = 20; // pixels from the picture's top-left corner

// Twips to a pixel rectangle, each value rounded to the nearest pixel.
QRect twipsRect(double left, double top, double width, double height) {
    using Geometry::twipsToPixels;
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

// Nearest whole number, halves to the even neighbour whatever the floating-point rounding
// mode is; out-of-range values are clamped so that the decoder just finds nothing there.
std::int32_t roundHalfToEven(float value) {
    constexpr double lowest = std::numeric_limits<std::int32_t>::min();
    constexpr double highest = std::numeric_limits<std::int32_t>::max();
    if (!(value >= lowest)) return std::numeric_limits<std::int32_t>::min(); // also NaN
    if (value >= highest) return std::numeric_limits<std::int32_t>::max();
    const double below = std::floor(static_cast<double>(value));
    const double fraction = value - below;
    const bool up = fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0);
    return static_cast<std::int32_t>(up ? below + 1 : below);
}

} // namespace

ReaderWindow::ReaderWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("39 Reader"));
    setFixedSize(twipsRect(0, 0, 7845, 4125).size());
    createControls();
    connect(pasteButton, &QPushButton::clicked, this, &ReaderWindow::pasteBarcode);
    connect(pictureView, &SurfaceView::mouseDown, this, &ReaderWindow::readAt);
    resetPicture();
}

void ReaderWindow::createControls() {
    codeLabel = new QLabel(QStringLiteral("Code :"), this);
    codeLabel->setGeometry(twipsRect(0, 120, 495, 255));
    // a caption wider than its design box in this font keeps its full width
    codeLabel->resize(std::max(codeLabel->width(), codeLabel->sizeHint().width()),
                      codeLabel->height());
    codeEdit = new QLineEdit(this);
    codeEdit->setGeometry(twipsRect(600, 120, 3735, 285));
    pasteButton = new QPushButton(QStringLiteral("Paste Barcode"), this);
    pasteButton->setGeometry(twipsRect(4560, 40, 1935, 375));
    pictureView = new SurfaceView(7815, 3615, this);
    pictureView->move(twipsRect(0, 480, 0, 0).topLeft());
    symbolList = new QLabel(this);
    symbolList->setAttribute(Qt::WA_TransparentForMouseEvents);
    symbolList->setStyleSheet(QStringLiteral("background: rgba(255, 255, 220, 230); padding: 2px"));
    symbolList->hide();
}

namespace {

QString listingOf(const QImage& pasted) {
    QStringList lines;
    for (const ScanGrade::Symbol& symbol : ScanGrade::gradePicture(pasted))
        lines << QStringLiteral("%1 \"%2\" · grade %3 (%4)")
                     .arg(symbol.kind, ReadingEngine::shownText(symbol.text))
                     .arg(symbol.letter())
                     .arg(symbol.score(), 0, 'f', 1);
    return lines.isEmpty() ? QStringLiteral("No barcode found") : lines.join(u'\n');
}

} // namespace

// Grading a large picture takes a while: it runs on a worker, and a newer paste makes the
// older list go unseen.
void ReaderWindow::listSymbols(const QImage& pasted) {
    const int listing = ++listing_;
    symbolList->hide();
    if (pasted.isNull()) return;
    // The watcher is the form's: a list that ends after the form is gone is never shown.
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, listing] {
        watcher->deleteLater();
        if (listing != listing_) return;
        symbolList->setText(watcher->result());
        symbolList->adjustSize();
        const QRect picture = pictureView->geometry();
        symbolList->move(picture.left(), picture.bottom() + 1 - symbolList->height());
        symbolList->show();
        symbolList->raise();
    });
    watcher->setFuture(QtConcurrent::run([pasted] { return listingOf(pasted); }));
}

void ReaderWindow::resetPicture() {
    pictureView->surface().setBackgroundPicture(QImage());
    pictureView->surface().setUnits(DrawingSurface::Unit::Pixels);
}

void ReaderWindow::pasteBarcode() {
    DrawingSurface& surface = pictureView->surface();
    surface.clear();
    // A null image (nothing on the clipboard) paints nothing and leaves the picture erased.
    const QImage pasted = QGuiApplication::clipboard()->image();
    surface.drawPicture(pasted, kPasteAt, kPasteAt);
    surface.setUnits(DrawingSurface::Unit::Pixels);
    pictureView->update();
    listSymbols(pasted);
}

void ReaderWindow::readAt(Qt::MouseButton, Qt::KeyboardModifiers, float X, float Y) {
    codeEdit->setText(Code39RowReader::shownText(
        Code39RowReader::readBarcode(pictureView->surface(), roundHalfToEven(X), roundHalfToEven(Y),
                                     1),
        Code39RowReader::FailureShown::Reason));
}
