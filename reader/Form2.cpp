#include "reader/Form2.h"

#include "decode/ReadingEngine.h"
#include "decode/ScanGrade.h"
#include "decode/basBCREAD.h"

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

Form2::Form2(QWidget* parent) : QWidget(parent, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("39 Reader"));
    setFixedSize(twipsRect(0, 0, 7845, 4125).size());
    createControls();
    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Picture1, &PictureBox::mouseDown, this, &Form2::Picture1_MouseDown);
    Form_Load();
}

void Form2::createControls() {
    Label2 = new QLabel(QStringLiteral("Code :"), this);
    Label2->setGeometry(twipsRect(0, 120, 495, 255));
    // a caption wider than its design box in this font keeps its full width
    Label2->resize(std::max(Label2->width(), Label2->sizeHint().width()), Label2->height());
    txtcode = new QLineEdit(this);
    txtcode->setGeometry(twipsRect(600, 120, 3735, 285));
    Command1 = new QPushButton(QStringLiteral("Paste Barcode"), this);
    Command1->setGeometry(twipsRect(4560, 40, 1935, 375));
    Picture1 = new PictureBox(7815, 3615, this);
    Picture1->move(twipsRect(0, 480, 0, 0).topLeft());
    lblsymbols = new QLabel(this);
    lblsymbols->setAttribute(Qt::WA_TransparentForMouseEvents);
    lblsymbols->setStyleSheet(QStringLiteral("background: rgba(255, 255, 220, 230); padding: 2px"));
    lblsymbols->hide();
}

namespace {

QString symbolList(const QImage& pasted) {
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
void Form2::listSymbols(const QImage& pasted) {
    const int listing = ++listing_;
    lblsymbols->hide();
    if (pasted.isNull()) return;
    // The watcher is the form's: a list that ends after the form is gone is never shown.
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, listing] {
        watcher->deleteLater();
        if (listing != listing_) return;
        lblsymbols->setText(watcher->result());
        lblsymbols->adjustSize();
        const QRect picture = Picture1->geometry();
        lblsymbols->move(picture.left(), picture.bottom() + 1 - lblsymbols->height());
        lblsymbols->show();
        lblsymbols->raise();
    });
    watcher->setFuture(QtConcurrent::run([pasted] { return symbolList(pasted); }));
}

void Form2::Form_Load() {
    Picture1->surface().setPicture(QImage());
    Picture1->surface().setScaleMode(DrawingSurface::Pixels);
}

void Form2::Command1_Click() {
    DrawingSurface& surface = Picture1->surface();
    surface.Cls();
    // A null image (nothing on the clipboard) paints nothing and leaves the picture erased.
    const QImage pasted = QGuiApplication::clipboard()->image();
    surface.PaintPicture(pasted, kPasteAt, kPasteAt);
    surface.setScaleMode(DrawingSurface::Pixels);
    Picture1->update();
    listSymbols(pasted);
}

void Form2::Picture1_MouseDown(Qt::MouseButton, Qt::KeyboardModifiers, float X, float Y) {
    txtcode->setText(
        basBCREAD::ReadBarcode(Picture1->surface(), roundHalfToEven(X), roundHalfToEven(Y), 1, 3));
}
