#include "RecordingMessages.h"
#include "TestSupport.h"
#include "app/MainWindow.h"
#include "app/SettingsFile.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSlider>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

bool isBlank(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) return false;
    return true;
}

// The smallest rectangle that holds every black pixel.
QRect blackArea(const QImage& image) {
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) == 0) area |= QRect(x, y, 1, 1);
    return area;
}

// The width a control gives its caption: its contents less the check mark or the icon.
int captionRoom(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->contentsRect().width() - 2 * label->margin();
    const auto* button = qobject_cast<const QAbstractButton*>(control);
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    const bool pushButton = qobject_cast<const QPushButton*>(button);
    const QStyle::SubElement contents = pushButton ? QStyle::SE_PushButtonContents
                                        : qobject_cast<const QRadioButton*>(button)
                                            ? QStyle::SE_RadioButtonContents
                                            : QStyle::SE_CheckBoxContents;
    int room = button->style()->subElementRect(contents, &option, button).width();
    if (pushButton && !button->icon().isNull()) room -= button->iconSize().width() + 4;
    return room;
}

// Tallest run of black pixels in a column: the bar height.
int barHeight(const QImage& image) {
    int best = 0;
    for (int x = 0; x < image.width(); ++x) {
        int run = 0;
        for (int y = 0; y < image.height(); ++y) {
            run = (image.pixel(x, y) & 0xFFFFFF) == 0 ? run + 1 : 0;
            best = std::max(best, run);
        }
    }
    return best;
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir;
    RecordingMessages messages;

    QString settingsPath() const { return dir->filePath(SettingsFile::kFileName); }
    QByteArray settingsBytes() const {
        QFile file(settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    void writeSettings(const QByteArray& bytes) {
        QFile file(settingsPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    std::unique_ptr<MainWindow> window() {
        return std::make_unique<MainWindow>(
            MainWindowOptions{dir->path(), settingsPath(), &messages, dir->filePath("no-port")});
    }
    void draw(MainWindow& w, const QString& type, const QString& code) {
        w.typeCombo->setCurrentText(type);
        w.codeEdit->setText(code);
        w.drawBarcode();
    }

  private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        messages.shown.clear();
    }

    void startsWithTheDesignValuesWithoutAFile() {
        const auto w = window();
        QCOMPARE(w->codeEdit->text(), QString());
        QCOMPARE(w->typeCombo->currentText(), QStringLiteral("39/n"));
        QCOMPARE(w->typeCombo->count(), 7 + int(kZintChoices.size()));
        QCOMPARE(w->typeCombo->itemText(0), QStringLiteral("UPC-A"));
        QCOMPARE(w->typeCombo->itemText(6), QStringLiteral("EAN8"));
        QCOMPARE(w->typeCombo->itemText(7), QStringLiteral("gs1-128"));
        QCOMPARE(w->widthSlider->value(), 50);
        QCOMPARE(w->widthSlider->maximum(), 50);
        QCOMPARE(w->heightSlider->value(), 150);
        QCOMPARE(w->heightSlider->maximum(), 160);
        QVERIFY(w->bmpOption->isChecked());
        QCOMPARE(w->repeatEdit->text(), QStringLiteral("1"));
        QCOMPARE(w->spacingEdit->text(), QStringLiteral("5"));
        QCOMPARE(w->printerCombo->count(), QPrinterInfo::availablePrinterNames().size());
        QCOMPARE(w->printerCombo->currentIndex(), w->printerCombo->count() > 0 ? 0 : -1);
        QVERIFY(!w->savePanel->isVisibleTo(w.get()));
        QVERIFY(!w->printPanel->isVisibleTo(w.get()));
        QVERIFY(w->gifOption->isHidden() && w->psdOption->isHidden());
        QCOMPARE(w->size(), QSize(474, 297));
        QCOMPARE(w->outputPicture->geometry(), QRect(8, 32, 425, 177));
        QCOMPARE(w->windowTitle(), QStringLiteral("Barcode Desk"));
        QCOMPARE(settingsBytes(), QByteArray()); // created empty
        QVERIFY(isBlank(w->model().outputPicture.image()));
    }

    void buttonsShowTheDesktopsIconsWhereItHasThem() {
        const auto plain = window(); // no icon theme here: the style's pictures
        for (const QAbstractButton* button : plain->findChildren<QAbstractButton*>())
            if (button->text().isEmpty()) QVERIFY(!button->icon().isNull());

        const QString names[] = {"insert-image",     "edit-find",      "edit-copy",
                                 "document-save-as", "document-print", "scanner"};
        QTemporaryDir themes;
        QDir theme(themes.filePath("desk"));
        QVERIFY(theme.mkpath("16x16/apps"));
        QFile index(theme.filePath("index.theme"));
        QVERIFY(index.open(QIODevice::WriteOnly));
        index.write("[Icon Theme]\nName=desk\nDirectories=16x16/apps\n\n"
                    "[16x16/apps]\nSize=16\nType=Fixed\n");
        index.close();
        for (const QString& name : names) {
            QImage picture(16, 16, QImage::Format_ARGB32);
            picture.fill(Qt::black);
            QVERIFY(picture.save(theme.filePath("16x16/apps/" + name + ".png")));
        }
        const QStringList searchPaths = QIcon::themeSearchPaths();
        const QString themeName = QIcon::themeName();
        QIcon::setThemeSearchPaths({themes.path()});
        QIcon::setThemeName(QStringLiteral("desk"));
        const auto w = window();
        const QAbstractButton* buttons[] = {w->drawButton,   w->readerButton,     w->copyButton,
                                            w->saveAsButton, w->printPanelButton, w->scannerButton};
        QStringList shown;
        for (const QAbstractButton* button : buttons)
            shown << button->icon().name();
        QIcon::setThemeSearchPaths(searchPaths);
        QIcon::setThemeName(themeName);
        QCOMPARE(shown, QStringList(std::begin(names), std::end(names)));
        QCOMPARE(w->printPanelButton->toolTip(), QStringLiteral("Print the barcode"));
        QCOMPARE(w->scannerButton->toolTip(), QStringLiteral("Enable/Disable Barcode Scanner"));
    }

    void everyCaptionShowsWhole() {
        const auto w = window();
        QList<QWidget*> controls;
        for (QLabel* label : w->findChildren<QLabel*>())
            controls << label;
        for (QAbstractButton* button : w->findChildren<QAbstractButton*>())
            controls << button;
        QStringList cutOff;
        for (QWidget* control : controls) {
            const QString caption = control->property("text").toString();
            const int needed = control->fontMetrics().horizontalAdvance(caption);
            if (needed > captionRoom(control))
                cutOff << QStringLiteral("\"%1\" needs %2 pixels, has %3")
                              .arg(caption)
                              .arg(needed)
                              .arg(captionRoom(control));
        }
        QVERIFY2(cutOff.isEmpty(), qPrintable(cutOff.join(u'\n')));
    }

    void restoresTheLastChoices() {
        writeSettings("HELLO%~%4%~%80%~%20%~%tif%~%No Such Printer%~%3%~%7");
        const auto w = window();
        QCOMPARE(w->codeEdit->text(), QStringLiteral("HELLO"));
        QCOMPARE(w->typeCombo->currentText(), QStringLiteral("128/c"));
        QCOMPARE(w->heightSlider->value(), 80);
        QCOMPARE(w->widthSlider->value(), 20);
        QVERIFY(w->tiffOption->isChecked());
        QVERIFY(!w->bmpOption->isChecked());
        QCOMPARE(w->printerCombo->currentIndex(), w->printerCombo->count() > 0 ? 0 : -1);
        QCOMPARE(w->repeatEdit->text(), QStringLiteral("3"));
        QCOMPARE(w->spacingEdit->text(), QStringLiteral("7"));
    }

    void oddValuesInTheFileAreHandled() {
        writeSettings("A%~%%~%-1%~%500%~%PNG%~%%~%2.5%~%x");
        auto w = window();
        QCOMPARE(w->typeCombo->currentText(), QStringLiteral("39/n")); // bad index skipped
        QCOMPARE(w->heightSlider->value(), 0);                         // clamped
        QCOMPARE(w->widthSlider->value(), 50);
        QVERIFY(w->bmpOption->isChecked()); // upper case is no format word
        QCOMPARE(w->repeatEdit->text(), QStringLiteral("2.5"));
        writeSettings("B%~%-1%~%150%~%50%~%bmp%~%%~%1%~%5");
        w = window();
        QCOMPARE(w->typeCombo->currentIndex(), -1);
        QCOMPARE(w->typeCombo->currentText(), QString());
        QVERIFY(isBlank(w->model().outputPicture.image()));
        w->drawBarcode(); // no symbology named: nothing drawn, settings saved
        QVERIFY(isBlank(w->model().outputPicture.image()));
        QVERIFY(settingsBytes().startsWith("B%~%-1%~%"));
    }

    void brokenFilesNeverStopTheStart() {
        QRandomGenerator random(7);
        for (int i = 0; i < 30; ++i) {
            QByteArray bytes(random.bounded(0, 120), '\0');
            for (char& b : bytes)
                b = static_cast<char>(random.bounded(256));
            if (i % 3 == 0) bytes += "%~%9%~%x%~%99999999999%~%%~%%~%%~%";
            writeSettings(bytes);
            const auto w = window();
            QVERIFY(w->widthSlider->value() >= 1 && w->widthSlider->value() <= 50);
        }
    }

    void aDrawWritesTheSettingsAndComesBackAtTheNextStart() {
        {
            const auto w = window();
            w->codeEdit->setText(QStringLiteral("A%~%B"));
            w->typeCombo->setCurrentIndex(4);
            w->widthSlider->setValue(33);
            w->drawBarcode();
            QCOMPARE(messages.shown.size(), 0);
        }
        const auto w = window();
        QCOMPARE(w->codeEdit->text(), QStringLiteral("A%~%B"));
        QCOMPARE(w->typeCombo->currentText(), QStringLiteral("128/c"));
        QCOMPARE(w->widthSlider->value(), 33);
    }

    void typingTheSymbologyWritesAtEveryKeystroke() {
        const auto w = window();
        QVERIFY(QFile::remove(settingsPath()));
        w->typeCombo->setCurrentIndex(3); // picking from the list writes nothing
        QVERIFY(!QFile::exists(settingsPath()));
        w->typeCombo->lineEdit()->clear();
        QTest::keyClicks(w->typeCombo->lineEdit(), QStringLiteral("EAN"));
        QVERIFY(settingsBytes().contains("%~%-1%~%"));
        QTest::keyClicks(w->typeCombo->lineEdit(), QStringLiteral("8"));
        QVERIFY(settingsBytes().contains("%~%6%~%"));
    }

    void dispatchComparesNamesExactly_data() {
        QTest::addColumn<QString>("type");
        QTest::newRow("upper case n") << "39/N";
        QTest::newRow("leading blank") << " 39/n";
        QTest::newRow("trailing blank") << "39/n ";
        QTest::newRow("lower case") << "upc-a";
        QTest::newRow("empty") << "";
    }
    void dispatchComparesNamesExactly() {
        QFETCH(QString, type);
        const auto w = window();
        QVERIFY(QFile::remove(settingsPath()));
        draw(*w, type, QStringLiteral("123"));
        QVERIFY(isBlank(w->model().outputPicture.image()));
        QVERIFY(QFile::exists(settingsPath()));
        QCOMPARE(messages.shown.size(), 0);
    }

    void drawStretchesIntoTheSliderRectangle() {
        const auto w = window();
        w->heightSlider->setValue(160);
        draw(*w, QStringLiteral("39/n"), QStringLiteral("WIDE"));
        QCOMPARE(w->heightSlider->value(), 150);
        QCOMPARE(DrawCommands::outputWidthTwips(w->model()), 6375.0);
        QCOMPARE(DrawCommands::outputHeightTwips(w->model()), 2489.0625);
        const QImage out = w->model().outputPicture.image();
        QCOMPARE(out.size(), QSize(425, 177));
        const QRect bars = blackArea(out);
        QVERIFY(bars.right() < 425 && bars.bottom() < 166);
        QVERIFY(bars.bottom() >= 150);
        QVERIFY(isBlank(out.copy(0, 166, 425, 11))); // the strip below stays white
        QCOMPARE(w->outputPicture->pixmap().toImage().convertToFormat(QImage::Format_RGB32), out);

        w->widthSlider->setValue(1);
        w->drawBarcode();
        QVERIFY(blackArea(w->model().outputPicture.image()).right() < 9); // one fiftieth of 425
    }

    void rendererErrorsShowTheErrorBox() {
        const auto w = window();
        draw(*w, QStringLiteral("39/n"), QStringLiteral("OK"));
        const QImage before = w->model().outputPicture.image();
        QVERIFY(QFile::remove(settingsPath()));
        draw(*w, QStringLiteral("39/n"), QStringLiteral("AB#1"));
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text,
                 QStringLiteral("An Invalid Character Found in the Code Text"));
        QCOMPARE(messages.shown[0].title, QStringLiteral("Error"));
        QCOMPARE(messages.shown[0].icon, MessageIcon::Exclamation);
        QCOMPARE(w->model().outputPicture.image(), before);
        QVERIFY(!QFile::exists(settingsPath()));
        draw(*w, QStringLiteral("128/n"), QString(3000, u'A')); // too long for the picture
        QCOMPARE(messages.shown.size(), 2);
        QCOMPARE(messages.shown[1].text, QStringLiteral("The Code Text is too long"));
    }

    void digitCodesAreNormalisedInTheField_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("normal");
        QTest::newRow("EAN13 empty") << "EAN13"
                                     << ""
                                     << "000000000000";
        QTest::newRow("EAN13 three digits") << "EAN13"
                                            << "123"
                                            << "000000000123";
        QTest::newRow("EAN13 fourteen digits") << "EAN13"
                                               << "98123456789012"
                                               << "123456789012";
        QTest::newRow("EAN8 eight digits") << "EAN8"
                                           << "96385074"
                                           << "6385074";
        QTest::newRow("UPC-A short") << "UPC-A"
                                     << "42"
                                     << "000000000042";
    }
    void digitCodesAreNormalisedInTheField() {
        QFETCH(QString, type);
        QFETCH(QString, typed);
        QFETCH(QString, normal);
        const auto w = window();
        draw(*w, type, typed);
        QCOMPARE(w->codeEdit->text(), normal);
        QVERIFY(!isBlank(w->model().outputPicture.image()));
        QVERIFY(settingsBytes().startsWith(normal.toLatin1() + "%~%"));
    }

    void nonDigitsAreRefusedWithAMessage_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("UPC letter") << "UPC-A"
                                    << "12345A"
                                    << "UPC";
        QTest::newRow("EAN13 blank") << "EAN13"
                                     << "123 456"
                                     << "EAN13";
        QTest::newRow("EAN8 minus") << "EAN8"
                                    << "-1234"
                                    << "EAN8";
    }
    void nonDigitsAreRefusedWithAMessage() {
        QFETCH(QString, type);
        QFETCH(QString, code);
        QFETCH(QString, name);
        const auto w = window();
        draw(*w, type, code);
        QCOMPARE(messages.shown.size(), 1);
        QCOMPARE(messages.shown[0].text,
                 name + " cannot be used with letters.\r\nPlease use numbers only.");
        QCOMPARE(messages.shown[0].title, QStringLiteral("Invalid Code"));
        QCOMPARE(messages.shown[0].icon, MessageIcon::Exclamation);
        QCOMPARE(w->codeEdit->text(), code);
        QVERIFY(isBlank(w->model().outputPicture.image()));
        QVERIFY(settingsBytes().startsWith(code.toLatin1() + "%~%")); // saved as typed
    }

    // Newer symbologies are drawn at whole modules; a refusal says what the command line says.
    void newerSymbologiesDrawWholeModules_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("read");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("qr") << "qr"
                            << "Barcode Desk" << 50 << "Barcode Desk"
                            << "";
        QTest::newRow("itf14 narrow") << "itf14"
                                      << "1540014128876" << 20 << "15400141288763"
                                      << "";
        QTest::newRow("gs1-128 month 13") << "gs1-128"
                                          << "(17)271331" << 50 << ""
                                          << "error: (17) 271331: month 13 is not a month (YYMMDD)";
    }
    void newerSymbologiesDrawWholeModules() {
        QFETCH(QString, type);
        QFETCH(QString, code);
        QFETCH(int, width);
        QFETCH(QString, read);
        QFETCH(QString, refusal);
        const auto w = window();
        w->widthSlider->setValue(width);
        draw(*w, type, code);
        const QImage out = w->model().outputPicture.image();
        if (!refusal.isEmpty()) {
            QCOMPARE(messages.shown.size(), 1);
            QCOMPARE(messages.shown[0].text, refusal);
            QVERIFY(isBlank(out));
            return;
        }
        QVERIFY(messages.shown.isEmpty());
        const QImage work = w->model().workPicture.image();
        const QSize drawn = blackArea(out).size();
        // Every module the same whole number of pixels, filling no more than the sliders allow.
        const int scale = blackArea(out).width() / blackArea(work).width();
        QVERIFY(scale >= 1);
        QCOMPARE(drawn, blackArea(work).size() * scale);
        QVERIFY(w->model().stretchedRegion->width() <= DrawCommands::outputWidthTwips(w->model()));
        // As drawn: a reader sees the output picture, quiet zones and all.
        const QString path = dir->filePath(QStringLiteral("out.png"));
        QVERIFY(out.save(path));
        QCOMPARE(zxingTexts(path), QStringList{read});
    }

    void upcFillsTheSliderRectangleWhateverCameBefore() {
        const auto w = window();
        draw(*w, QStringLiteral("UPC-A"), QStringLiteral("036000291452"));
        const QImage alone = w->model().outputPicture.image();
        draw(*w, QStringLiteral("39/n"), QStringLiteral("A"));
        draw(*w, QStringLiteral("UPC-A"), QStringLiteral("036000291452"));
        QCOMPARE(w->model().outputPicture.image(), alone);
        draw(*w, QStringLiteral("128/n"), QString(60, u'x'));
        draw(*w, QStringLiteral("UPC-A"), QStringLiteral("036000291452"));
        QCOMPARE(w->model().outputPicture.image(), alone);
        QCOMPARE(w->model().workPicture.pixelWidth(), 129);
        QCOMPARE(w->model().workPicture.pixelHeight(), 65);
        // along a row through the bars: columns 20 to 114 of 129, stretched to 425
        const QRect bars = blackArea(alone.copy(0, 40, 425, 1));
        QVERIFY(bars.left() >= 425 * 20 / 129 - 2 && bars.right() <= 425 * 115 / 129 + 2);
    }

    void captionedCode128HasShorterBars() {
        const auto w = window();
        draw(*w, QStringLiteral("128/n"), QStringLiteral("Same 128"));
        const QImage bare = w->model().outputPicture.image();
        draw(*w, QStringLiteral("128/c"), QStringLiteral("Same 128"));
        const QImage captioned = w->model().outputPicture.image();
        QVERIFY(barHeight(captioned) < barHeight(bare));
        QCOMPARE(blackArea(captioned).left(), blackArea(bare).left());
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
