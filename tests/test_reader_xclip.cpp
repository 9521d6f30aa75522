#include "reader/ReaderWindow.h"
#include "render/Code39Painter.h"
#include "render/DrawingSurface.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// The Reader pasting what another program put on the X clipboard: xclip owns the selection
// and Qt's xcb clipboard converts it. Runs under xvfb-run.
class TestReaderXclip : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QProcess xclip_;

    // A Code 39 symbol enlarged three times, saved as a file of the given format.
    QString savedSymbol(const QString& text, const char* format) {
        DrawingSurface drawn(6015, 2775);
        Code39Painter::drawCode39(drawn, 10, text, false, false);
        const QImage& image = drawn.image();
        const QImage big =
            image.scaled(image.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        const QString path = dir_.filePath(text + QLatin1Char('.') + QLatin1String(format));
        return big.save(path, format) ? path : QString();
    }

    // xclip in the foreground (-quiet), so that it stays ours to stop.
    void offerOnClipboard(const QString& file, const QString& mimeType) {
        stopXclip();
        xclip_.setProcessChannelMode(QProcess::MergedChannels);
        xclip_.start(QStandardPaths::findExecutable(QStringLiteral("xclip")),
                     {QStringLiteral("-quiet"), QStringLiteral("-selection"),
                      QStringLiteral("clipboard"), QStringLiteral("-t"), mimeType,
                      QStringLiteral("-i"), file});
        QVERIFY(xclip_.waitForStarted());
    }

    void stopXclip() {
        if (xclip_.state() == QProcess::NotRunning) return;
        xclip_.terminate();
        if (!xclip_.waitForFinished(5000)) {
            xclip_.kill();
            xclip_.waitForFinished(5000);
        }
    }

  private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != u"xcb")
            QSKIP("needs an X server: run through xvfb-run with QT_QPA_PLATFORM=xcb");
        if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty())
            QSKIP("xclip is not installed");
        QVERIFY(dir_.isValid());
    }
    void cleanup() { stopXclip(); }

    void pasteFromAnotherProgram_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("mimeType");
        QTest::addColumn<QString>("text");
        QTest::newRow("bmp") << QStringLiteral("bmp") << QStringLiteral("image/bmp")
                             << QStringLiteral("XCLIP-BMP");
        QTest::newRow("png") << QStringLiteral("png") << QStringLiteral("image/png")
                             << QStringLiteral("XCLIP PNG");
    }
    void pasteFromAnotherProgram() {
        QFETCH(QString, format);
        QFETCH(QString, mimeType);
        QFETCH(QString, text);
        const QString file = savedSymbol(text, qPrintable(format));
        QVERIFY(!file.isEmpty());
        offerOnClipboard(file, mimeType);
        QTRY_VERIFY_WITH_TIMEOUT(QGuiApplication::clipboard()->mimeData()->hasImage(), 10000);

        QPointer<ReaderWindow> form = new ReaderWindow;
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        form->pasteButton->click();
        DrawingSurface& picture = form->pictureView->surface();
        QCOMPARE(picture.colourAt(20 + 36, 20 + 100), kBlack); // first bar, pasted at (20, 20)
        QCOMPARE(picture.colourAt(20 + 35, 20 + 100), kWhite);
        QTest::mousePress(form->pictureView, Qt::LeftButton, Qt::NoModifier, QPoint(10, 150));
        QCOMPARE(form->codeEdit->text(), text);
        form->close();
        QTRY_VERIFY(form.isNull());
    }
};

QTEST_MAIN(TestReaderXclip)
#include "test_reader_xclip.moc"
