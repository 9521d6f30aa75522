#include "TestSupport.h"
#include "reader/ReaderWindow.h"
#include "render/Code39Painter.h"
#include "render/DrawingSurface.h"

#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QPointer>
#include <QtTest>

namespace {

constexpr int kPasteAt = 20;

// A Code 39 symbol as the renderer draws it, enlarged `factor` times on a white surface.
// Its first bar is at x = 12 * factor, its bars span the rows 10 * factor to 110 * factor.
QImage symbol(const QString& text, int factor) {
    DrawingSurface drawn(6015, 2775);
    Code39Painter::drawCode39(drawn, 10, text, false, false);
    const QImage& image = drawn.image();
    DrawingSurface big(image.width() * factor * 15.0, image.height() * factor * 15.0);
    big.setUnits(DrawingSurface::Unit::Pixels);
    big.clearAndDrawStretched(image, 0, 0, image.width() * factor, image.height() * factor, 0, 0,
                              image.width(), image.height());
    return big.image();
}

// A white picture holding one bar row of a ×2 symbol at each of `rows`, its first bar at
// `firstBar`: a picture where the exact pixel clicked decides the outcome.
QImage barRows(const QString& text, int firstBar, const QList<int>& rows) {
    const QImage whole = symbol(text, 2);
    const QImage row = whole.copy(0, 100, whole.width(), 1);
    QImage image(firstBar + whole.width(), rows.last() + 3, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int y : rows)
        painter.drawImage(firstBar - 24, y, row);
    return image;
}

QImage filled(int width, int height, QRgb colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

} // namespace

class TestReader : public QObject {
    Q_OBJECT

    QPointer<ReaderWindow> form_;

    DrawingSurface& picture() { return form_->pictureView->surface(); }

    void paste(const QImage& image) {
        QGuiApplication::clipboard()->setImage(image);
        form_->pasteBarcode();
    }
    QString clickAt(float x, float y, Qt::MouseButton button = Qt::LeftButton) {
        form_->readAt(button, Qt::NoModifier, x, y);
        return form_->codeEdit->text();
    }

  private slots:
    void init() {
        form_ = new ReaderWindow;
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_));
    }
    void cleanup() { delete form_; }

    void windowLayout() {
        QCOMPARE(form_->windowTitle(), QStringLiteral("39 Reader"));
        QVERIFY(form_->isWindow());
        QCOMPARE(form_->size(), QSize(523, 275));
        QCOMPARE(form_->minimumSize(), form_->maximumSize());
        QCOMPARE(form_->codeLabel->text(), QStringLiteral("Code :"));
        // the label keeps at least its design box and widens for its caption, short of the field
        QCOMPARE(form_->codeLabel->pos(), QPoint(0, 8));
        QVERIFY(form_->codeLabel->width() >= 33);
        QVERIFY(form_->codeLabel->geometry().right() < 40);
        QCOMPARE(form_->codeEdit->geometry(), QRect(40, 8, 249, 19));
        QCOMPARE(form_->pasteButton->text(), QStringLiteral("Paste Barcode"));
        QCOMPARE(form_->pasteButton->geometry(), QRect(304, 3, 129, 25));
        QCOMPARE(form_->pictureView->geometry(), QRect(0, 32, 521, 241));
        QCOMPARE(picture().pixelWidth(), 521);
        QCOMPARE(picture().pixelHeight(), 241);
        QCOMPARE(form_->pictureView->cursor().shape(), Qt::CrossCursor);
        QCOMPARE(picture().units(), DrawingSurface::Unit::Pixels);
        QVERIFY(picture().backgroundPicture().isNull());
        QVERIFY(form_->codeEdit->text().isEmpty());
        QVERIFY(allWhite(picture().image()));
    }

    void pasteAndReadWhereClicked() {
        const QImage image = symbol(QStringLiteral("BARCODE-39"), 2);
        PaintCounter counter(form_->pictureView);
        QTest::qWait(50);
        counter.paints = 0;
        paste(image);
        QTRY_VERIFY(counter.paints > 0); // the new picture is shown
        QCOMPARE(picture().colourAt(kPasteAt, kPasteAt), kWhite);
        // the symbol's first bar lands 20 pixels right and down of where it is in the image
        QCOMPARE(picture().colourAt(kPasteAt + 24, kPasteAt + 100), kBlack);
        QCOMPARE(picture().colourAt(kPasteAt + 23, kPasteAt + 100), kWhite);
        QCOMPARE(picture().colourAt(kPasteAt + 24, kPasteAt + 19), kWhite);
        QCOMPARE(picture().colourAt(kPasteAt + 24, kPasteAt + 20), kBlack);
        QCOMPARE(picture().colourAt(19, 19), kWhite);
        QCOMPARE(form_->pictureView->grab().toImage().pixel(kPasteAt + 24, kPasteAt + 100) &
                     0xFFFFFF,
                 0u);

        QCOMPARE(clickAt(10, 120), QStringLiteral("BARCODE-39"));
        QCOMPARE(clickAt(kPasteAt + 23, kPasteAt + 219), QStringLiteral("BARCODE-39"));
        form_->codeEdit->clear();
        QCOMPARE(clickAt(10, 10), QStringLiteral("ERR: BC not seen")); // above the bars
        QCOMPARE(clickAt(10, 120), QStringLiteral("BARCODE-39"));
        QCOMPARE(clickAt(10, 120, Qt::RightButton), QStringLiteral("BARCODE-39"));
    }

    void clickOnEmptyPicture() {
        QCOMPARE(clickAt(100, 100), QStringLiteral("ERR: BC not seen"));
        QCOMPARE(clickAt(-5, 300), QStringLiteral("ERR: BC not seen")); // outside altogether
    }

    void realMousePressesOfAnyButtonRead() {
        paste(symbol(QStringLiteral("MOUSE"), 3));
        for (Qt::MouseButton button : {Qt::RightButton, Qt::LeftButton, Qt::MiddleButton}) {
            form_->codeEdit->setText(QStringLiteral("stale"));
            QTest::mousePress(form_->pictureView, button, Qt::NoModifier,
                              QPoint(8, kPasteAt + 150));
            QCOMPARE(form_->codeEdit->text(), QStringLiteral("MOUSE"));
            QTest::mouseRelease(form_->pictureView, button, Qt::NoModifier,
                                QPoint(8, kPasteAt + 150));
        }
        QTest::mousePress(form_->pictureView, Qt::RightButton, Qt::ShiftModifier, QPoint(8, 5));
        QCOMPARE(form_->codeEdit->text(), QStringLiteral("ERR: BC not seen"));
    }

    void secondPasteReplacesTheFirst() {
        paste(symbol(QStringLiteral("FIRST"), 3));
        QCOMPARE(clickAt(5, 200), QStringLiteral("FIRST"));
        const QImage second = filled(30, 10, qRgb(0, 0, 255));
        paste(second);
        for (int y = 0; y < picture().pixelHeight(); ++y)
            for (int x = 0; x < picture().pixelWidth(); ++x) {
                const bool inSecond = QRect(kPasteAt, kPasteAt, 30, 10).contains(x, y);
                QCOMPARE(picture().colourAt(x, y), inSecond ? Colour(0xFF0000) : kWhite);
            }
        QCOMPARE(clickAt(5, 200), QStringLiteral("ERR: BC not seen"));
    }

    void emptyClipboardLeavesThePictureErased() {
        paste(symbol(QStringLiteral("GONE"), 2));
        QVERIFY(!allWhite(picture().image()));
        QGuiApplication::clipboard()->clear();
        QVERIFY(QGuiApplication::clipboard()->image().isNull());
        form_->pasteButton->click(); // through the button this time
        QVERIFY(allWhite(picture().image()));
        QCOMPARE(picture().units(), DrawingSurface::Unit::Pixels);
        QVERIFY(form_->grab().toImage().pixel(kPasteAt + 24, 32 + kPasteAt + 100) ==
                qRgb(255, 255, 255));
    }

    void largerImageIsClipped() {
        QImage big = filled(2000, 1500, qRgb(255, 255, 255));
        QPainter(&big).drawImage(0, 0, symbol(QStringLiteral("CLIPPED"), 2));
        big.setPixel(500, 220, qRgb(255, 0, 0)); // lands on the picture's last pixel
        big.setPixel(1999, 1499, qRgb(0, 0, 255));
        paste(big);
        QCOMPARE(picture().pixelWidth(), 521);
        QCOMPARE(picture().pixelHeight(), 241);
        QCOMPARE(picture().colourAt(520, 240), Colour(0x0000FF));
        QCOMPARE(picture().colourAt(519, 240), kWhite);
        QCOMPARE(clickAt(0, 150), QStringLiteral("CLIPPED"));
    }

    void halvesRoundToEven() {
        // Only the picture rows 22 and 24 (image rows 2 and 4) hold bars.
        paste(barRows(QStringLiteral("EVEN"), 40, {2, 4}));
        QCOMPARE(clickAt(0, 22), QStringLiteral("EVEN"));
        QCOMPARE(clickAt(0, 23), QStringLiteral("ERR: BC not seen"));
        QCOMPARE(clickAt(0, 22.5f), QStringLiteral("EVEN")); // 22, not 23
        QCOMPARE(clickAt(0, 23.5f), QStringLiteral("EVEN")); // 24, not 23
        QCOMPARE(clickAt(0, 21.5f), QStringLiteral("EVEN")); // 22
        QCOMPARE(clickAt(0, 22.4f), QStringLiteral("EVEN"));
        QCOMPARE(clickAt(0, 22.6f), QStringLiteral("ERR: BC not seen"));

        // The first bar is found from at most 75 pixels to its left, not from the bar itself.
        paste(barRows(QStringLiteral("EVEN"), 58, {2})); // first bar at picture x 78
        QCOMPARE(clickAt(3, 22), QStringLiteral("EVEN"));
        QCOMPARE(clickAt(2, 22), QStringLiteral("ERR: BC not seen"));
        QCOMPARE(clickAt(2.5f, 22), QStringLiteral("ERR: BC not seen")); // 2, not 3
        paste(barRows(QStringLiteral("EVEN"), 59, {2}));     // first bar at picture x 79
        QCOMPARE(clickAt(3.5f, 22), QStringLiteral("EVEN")); // 4, not 3
        QCOMPARE(clickAt(3, 22), QStringLiteral("ERR: BC not seen"));
    }

    void closingUnloadsTheWindow() {
        QPointer<ReaderWindow> form = form_;
        QVERIFY(form->testAttribute(Qt::WA_DeleteOnClose));
        QVERIFY(form->close());
        QTRY_VERIFY(form.isNull());
    }
};

QTEST_MAIN(TestReader)
#include "test_reader.moc"
