#include "render/DrawingSurface.h"
#include "render/FaceTextEngine.h"
#include "symbology/RuntimeError.h"

#include <QPainter>
#include <QtTest>

#include <array>
#include <climits>
#include <stdexcept>

namespace {

// The colours of one pixel row between two columns, as "1" for black and "0" for white.
QString rowString(const DrawingSurface& s, int y, int from, int to) {
    QString out;
    for (int x = from; x <= to; ++x)
        out += s.colourAt(x, y) == kBlack ? u'1' : u'0';
    return out;
}

// A white picture with black pixels at the points.
QImage whiteWithBlack(QSize size, std::initializer_list<QPoint> blackPixels) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (const QPoint& point : blackPixels)
        picture.setPixel(point, qRgb(0, 0, 0));
    return picture;
}

// One vertical line of the colour at x, from y1 towards y2.
void bar(DrawingSurface& s, double x, double y1, double y2, Colour colour = kBlack) {
    s.verticalLines(x, y1, y2, std::array{colour});
}

bool onlyColour(const QImage& image, Colour colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != rgbOf(colour)) return false;
    return true;
}

bool onlyBlackAndWhite(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y) & 0xFFFFFF;
            if (p != 0 && p != 0xFFFFFF) return false;
        }
    return true;
}

} // namespace

class TestSurface : public QObject {
    Q_OBJECT
  private slots:
    void sizeInTwipsRoundsToNearestPixel_data() {
        QTest::addColumn<double>("twips");
        QTest::addColumn<int>("pixels");
        QTest::newRow("704 twips") << 704.0 << 47;
        QTest::newRow("1520 twips") << 1520.0 << 101;
        QTest::newRow("1800 twips") << 1800.0 << 120;
        QTest::newRow("just below half") << 22.0 << 1;
        QTest::newRow("half rounds up") << 22.5 << 2;
        QTest::newRow("zero") << 0.0 << 0;
    }
    void sizeInTwipsRoundsToNearestPixel() {
        QFETCH(double, twips);
        QFETCH(int, pixels);
        DrawingSurface s(twips, twips);
        QCOMPARE(s.pixelWidth(), pixels);
        QCOMPARE(s.pixelHeight(), pixels);
        QCOMPARE(s.widthTwips(), twips);
    }

    void resizeKeepsDrawingAndShowsBackgroundInAddedArea() {
        DrawingSurface s(150, 150); // 10 x 10
        s.setUnits(DrawingSurface::Unit::Pixels);
        s.setPaper(0x00FF00);
        bar(s, 2, 0, 10);
        s.setWidthTwips(300);
        s.setHeightTwips(300);
        QCOMPARE(s.pixelWidth(), 20);
        QCOMPARE(s.colourAt(2, 5), kBlack);
        QCOMPARE(s.colourAt(15, 15), 0x00FF00);
        s.setWidthTwips(45); // shrinking cuts, growing again shows the background
        s.setWidthTwips(300);
        QCOMPARE(s.colourAt(2, 5), kBlack);
        QCOMPARE(s.colourAt(5, 5), 0x00FF00);
    }

    void impossibleSizesAreRefusedNotAllocated() {
        DrawingSurface s(150, 150);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, s.setWidthTwips(-15));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, s.setHeightTwips(1e12));
        QCOMPARE(s.pixelWidth(), 10);
    }

    // A surface made without a text engine draws bars; text on it is a fault, not a blank.
    void surfaceWithoutTextEngineDrawsBarsOnly() {
        DrawingSurface s(150, 150, kWhite, nullptr);
        s.setUnits(DrawingSurface::Unit::Pixels);
        const std::array<Colour, 1> bar{kBlack};
        s.verticalLines(2, 0, 5, bar);
        QCOMPARE(s.colourAt(2, 1), kBlack);
        QVERIFY_THROWS_EXCEPTION(std::logic_error, s.textHeight(QStringLiteral("A")));
        QVERIFY_THROWS_EXCEPTION(std::logic_error, s.printText(QStringLiteral("A")));
    }

    // The picture font's weight reaches the glyphs: bold text is wider.
    void pictureFontWeightIsDrawn() {
        DrawingSurface regular(1500, 600), bold(1500, 600);
        PictureFont heavy = pictureFont();
        heavy.weight = 700;
        bold.setFont(heavy);
        QCOMPARE(qFontOf(heavy).weight(), QFont::Bold);
        QVERIFY(bold.textWidth(QStringLiteral("WWWW")) > regular.textWidth(QStringLiteral("WWWW")));
    }

    void backColorFillsAndErases() {
        DrawingSurface s(150, 150);
        s.setUnits(DrawingSurface::Unit::Pixels);
        bar(s, 0, 0, 10);
        s.setPaper(0x0000FF); // red, in the low byte
        QCOMPARE(s.colourAt(0, 5), 0x0000FF);
        QCOMPARE(s.image().pixel(0, 5) & 0xFFFFFF, 0xFF0000u);
    }

    // Whatever drew on the surface, erasing brings back the plain background.
    void erasingAfterAnyDrawingShowsOnlyTheBackground_data() {
        QTest::addColumn<QString>("drawing");
        for (const char* drawing : {"vertical lines", "text", "stretch", "placement", "resize"})
            QTest::newRow(drawing) << drawing;
    }
    void erasingAfterAnyDrawingShowsOnlyTheBackground() {
        QFETCH(QString, drawing);
        QImage black(4, 4, QImage::Format_RGB32);
        black.fill(Qt::black);
        DrawingSurface s(300, 300, 0x00FF00);
        s.setUnits(DrawingSurface::Unit::Pixels);
        s.setPaper(kWhite);
        const std::array<Colour, 2> colours = {kBlack, kBlack};
        if (drawing == u"vertical lines") s.verticalLines(3, 0, 9, colours);
        if (drawing == u"text") s.printText(QStringLiteral("W"));
        if (drawing == u"stretch") s.clearAndDrawStretched(black, 0, 0, 8, 8, 0, 0, 4, 4);
        if (drawing == u"placement") s.drawPicture(black, 1, 1);
        if (drawing == u"resize") {
            bar(s, 2, 0, 9);
            s.setWidthTwips(450);
        }
        QVERIFY(!onlyColour(s.image(), kWhite));
        s.setPaper(kWhite);
        QVERIFY(onlyColour(s.image(), kWhite));
        bar(s, 2, 0, 9);
        s.clear();
        QVERIFY(onlyColour(s.image(), kWhite));
    }

    // Vertical lines cover the rows from y1 towards y2, the end row left out as the platform's
    // line drawing leaves it, in columns a scale unit apart, clipped at the edges; where two
    // fall on one column (twips), the later one shows. Columns and rows are those covered.
    void verticalLinesCoverTheirRowsAndColumns_data() {
        QTest::addColumn<int>("units");
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y1");
        QTest::addColumn<double>("y2");
        QTest::addColumn<QString>("columns"); // from column 0, one per colour, "." for none
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("bottom");
        const int pixels = int(DrawingSurface::Unit::Pixels),
                  twips = int(DrawingSurface::Unit::Twips);
        QTest::newRow("down") << pixels << 2.0 << 1.0 << 8.0 << "..BWBBGWBW" << 1 << 7;
        QTest::newRow("up") << pixels << 2.0 << 8.0 << 1.0 << "..BWBBGWBW" << 2 << 8;
        QTest::newRow("cut on all sides")
            << pixels << -3.0 << -4.0 << 30.0 << "BGWBWBBWB." << 0 << 9;
        QTest::newRow("half-way x") << pixels << 1.5 << 0.0 << 5.0 << "..BWBBGWBW" << 0 << 4;
        QTest::newRow("no height") << pixels << 2.0 << 4.0 << 4.0 << ".........." << 0 << -1;
        QTest::newRow("all outside") << pixels << 40.0 << 0.0 << 5.0 << ".........." << 0 << -1;
        QTest::newRow("twips, columns shared")
            << twips << 7.0 << 0.0 << 90.0 << "BB........" << 0 << 5;
    }
    void verticalLinesCoverTheirRowsAndColumns() {
        QFETCH(int, units);
        QFETCH(double, x);
        QFETCH(double, y1);
        QFETCH(double, y2);
        QFETCH(QString, columns);
        QFETCH(int, top);
        QFETCH(int, bottom);
        constexpr Colour kGreen = 0x00FF00, kRed = 0x0000FF;
        const std::vector<Colour> colours = {kBlack, kWhite, kBlack, kBlack, kGreen, kWhite,
                                             kBlack, kWhite, kBlack, kBlack, kWhite, kBlack};
        DrawingSurface s(150, 150, kRed);
        s.setUnits(static_cast<DrawingSurface::Unit>(units));
        s.verticalLines(x, y1, y2, colours);
        s.setUnits(DrawingSurface::Unit::Pixels);
        const QHash<QChar, Colour> named = {
            {u'B', kBlack}, {u'W', kWhite}, {u'G', kGreen}, {u'.', kRed}};
        for (int row = 0; row < 10; ++row)
            for (int column = 0; column < 10; ++column) {
                const bool covered = row >= top && row <= bottom;
                QCOMPARE(s.colourAt(column, row), covered ? named[columns[column]] : kRed);
            }
    }

    void linesOutsideAreClippedQuickly() {
        DrawingSurface s(150, 150);
        s.setUnits(DrawingSurface::Unit::Pixels);
        bar(s, -5, -1e9, 1e9);
        bar(s, 4, -1e12, 1e12);
        bar(s, 1e12, 0, 10);
        QCOMPARE(s.colourAt(4, 0), kBlack);
        QCOMPARE(s.colourAt(4, 9), kBlack);
        QCOMPARE(s.colourAt(5, 5), kWhite);
    }

    void pointIsMinusOneOutside() {
        DrawingSurface s(150, 150);
        s.setUnits(DrawingSurface::Unit::Pixels);
        QCOMPARE(s.colourAt(-1, 0), -1);
        QCOMPARE(s.colourAt(10, 0), -1);
        QCOMPARE(s.colourAt(0, 10), -1);
        QCOMPARE(s.colourAt(9, 9), kWhite);
    }

    // The decoder reads rows in one go; that must give exactly what Point gives pixel by pixel.
    void rowReadsMatchPoint_data() {
        QTest::addColumn<DrawingSurface::Unit>("units");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::newRow("pixels, across both edges") << DrawingSurface::Unit::Pixels << -3 << 4;
        QTest::newRow("pixels, row above") << DrawingSurface::Unit::Pixels << 0 << -1;
        QTest::newRow("pixels, row below") << DrawingSurface::Unit::Pixels << 0 << 10;
        QTest::newRow("pixels, at the largest x")
            << DrawingSurface::Unit::Pixels << INT_MAX - 15 << 4;
        QTest::newRow("twips, across both edges") << DrawingSurface::Unit::Twips << -20 << 75;
        QTest::newRow("twips, at the largest x")
            << DrawingSurface::Unit::Twips << INT_MAX - 15 << 75;
    }
    void rowReadsMatchPoint() {
        QFETCH(DrawingSurface::Unit, units);
        QFETCH(int, x);
        QFETCH(int, y);
        DrawingSurface s(150, 150);
        s.setPaper(0x123456);
        bar(s, 30, 0, 150);
        bar(s, 120, 0, 150, 0x00FF00);
        s.setUnits(units);
        const ImagePixels image(s.image());
        for (const PixelSource* source :
             {static_cast<const PixelSource*>(&s), static_cast<const PixelSource*>(&image)}) {
            if (source == &image && units != DrawingSurface::Unit::Pixels) continue;
            std::array<Colour, 16> row{};
            source->pointsAlongRow(x, y, row);
            for (int i = 0; i < int(row.size()); ++i)
                QCOMPARE(row[i], source->colourAt(x + i, y));
        }
    }

    void twipScaleConvertsCoordinates() {
        DrawingSurface s(150, 150);
        bar(s, 45, 0, 150); // column 3
        QCOMPARE(s.colourAt(45, 15), kBlack);
        s.setUnits(DrawingSurface::Unit::Pixels);
        QCOMPARE(s.colourAt(3, 9), kBlack);
        QCOMPARE(s.colourAt(2, 9), kWhite);
    }

    void clsErasesToTheBackgroundPictureAndResetsTheTextPosition() {
        DrawingSurface s(150, 150);
        s.setUnits(DrawingSurface::Unit::Pixels);
        bar(s, 1, 0, 10);
        s.setBackgroundPicture(s.image()); // the finish step of a render
        QCOMPARE(s.colourAt(1, 3), kBlack);
        bar(s, 7, 0, 10);
        s.setTextX(5);
        s.setTextY(6);
        s.clear();
        QCOMPARE(s.colourAt(1, 3), kBlack); // the picture stays
        QCOMPARE(s.colourAt(7, 3), kWhite); // later drawing goes
        QCOMPARE(s.textX(), 0.0);
        QCOMPARE(s.textY(), 0.0);
        s.setBackgroundPicture(QImage());
        QCOMPARE(s.colourAt(1, 3), kWhite);
    }

    void autoSizeTakesThePicturesSize() {
        DrawingSurface s(150, 150);
        s.setFitsPicture(true);
        QImage picture(7, 4, QImage::Format_RGB32);
        picture.fill(Qt::black);
        s.setBackgroundPicture(picture);
        QCOMPARE(s.pixelWidth(), 7);
        QCOMPARE(s.pixelHeight(), 4);
        QCOMPARE(s.widthTwips(), 105.0);
    }

    void stretchSamplesNearestNeighbour_data() {
        QTest::addColumn<int>("targetWidth");
        QTest::addColumn<QString>("expected");
        QTest::newRow("x3") << 12 << QStringLiteral("111000000111");
        QTest::newRow("x2.5") << 10 << QStringLiteral("1100000111");
        QTest::newRow("x1") << 4 << QStringLiteral("1001");
        QTest::newRow("x0.5") << 2 << QStringLiteral("01");
    }
    void stretchSamplesNearestNeighbour() {
        QFETCH(int, targetWidth);
        QFETCH(QString, expected);
        const QImage source = whiteWithBlack({4, 1}, {{0, 0}, {3, 0}});
        DrawingSurface s(300, 45);
        s.setUnits(DrawingSurface::Unit::Pixels);
        s.clearAndDrawStretched(source, 0, 0, targetWidth, 3, 0, 0, 4, 1);
        QCOMPARE(rowString(s, 1, 0, targetWidth - 1), expected);
        QCOMPARE(s.colourAt(targetWidth, 1), kWhite);
        QVERIFY(onlyBlackAndWhite(s.image()));
    }

    // Equal source rows are copied once; rows differing in a single pixel must stay apart.
    void stretchKeepsRowsThatDifferInOnePixel_data() {
        QTest::addColumn<int>("column");
        QTest::newRow("first column") << 0;
        QTest::newRow("middle column") << 2;
        QTest::newRow("last column") << 4;
    }
    void stretchKeepsRowsThatDifferInOnePixel() {
        QFETCH(int, column);
        const QImage source = whiteWithBlack({5, 4}, {{column, 1}, {column, 3}});
        DrawingSurface s(150, 150);
        s.setUnits(DrawingSurface::Unit::Pixels);
        s.clearAndDrawStretched(source, 0, 0, 5, 8, 0, 0, 5, 4);
        for (int y = 0; y < 8; ++y)
            QCOMPARE(rowString(s, y, 0, 4),
                     y / 2 % 2 ? QString(5, u'0').replace(column, 1, u'1') : QString(5, u'0'));
    }

    void stretchIsClippedAtTheSurfaceEdge_data() {
        QTest::addColumn<QRectF>("to");
        QTest::addColumn<QString>("diagonal"); // the pixels (i, i)
        QTest::newRow("far over the bottom right") << QRectF(5, 5, 1e9, 1e9) << "0000011111";
        QTest::newRow("far off the left") << QRectF(-1e9, 0, 5, 5) << "0000000000";
    }
    void stretchIsClippedAtTheSurfaceEdge() {
        QFETCH(QRectF, to);
        QFETCH(QString, diagonal);
        QImage source(2, 2, QImage::Format_RGB32);
        source.fill(Qt::black);
        DrawingSurface s(150, 150);
        s.setUnits(DrawingSurface::Unit::Pixels);
        s.clearAndDrawStretched(source, to.x(), to.y(), to.width(), to.height(), 0, 0, 2, 2);
        QString pixels;
        for (int i = 0; i < 10; ++i)
            pixels += s.colourAt(i, i) == kBlack ? u'1' : u'0';
        QCOMPARE(pixels, diagonal);
    }

    // Erasing and stretching in one pass leaves nothing of what was drawn before: the same
    // pixels as on a fresh surface, with or without a background picture.
    void clsAndStretchLeaveNothingOfEarlierDrawing_data() {
        QTest::addColumn<QRectF>("to");
        QTest::addColumn<QRectF>("from");
        QTest::addColumn<bool>("backgroundPicture");
        QTest::newRow("inside") << QRectF(2, 3, 12, 5) << QRectF(0, 0, 5, 4) << false;
        QTest::newRow("over the edges") << QRectF(-3, -2, 40, 30) << QRectF(0, 0, 5, 4) << false;
        QTest::newRow("partly off the source")
            << QRectF(1, 1, 6, 6) << QRectF(-2, 1, 5, 6) << false;
        QTest::newRow("off the surface") << QRectF(50, 50, 4, 4) << QRectF(0, 0, 5, 4) << false;
        QTest::newRow("empty") << QRectF(2, 2, 0, 4) << QRectF(0, 0, 5, 4) << false;
        QTest::newRow("background picture") << QRectF(2, 3, 12, 5) << QRectF(0, 0, 5, 4) << true;
    }
    void clsAndStretchLeaveNothingOfEarlierDrawing() {
        QFETCH(QRectF, to);
        QFETCH(QRectF, from);
        QFETCH(bool, backgroundPicture);
        const QImage source = whiteWithBlack({5, 4}, {{1, 1}, {4, 3}});
        QImage background(3, 3, QImage::Format_RGB32);
        background.fill(Qt::blue);
        DrawingSurface drawnOn(300, 240, 0x00FF00), fresh(300, 240, 0x00FF00);
        for (DrawingSurface* s : {&drawnOn, &fresh}) {
            s->setUnits(DrawingSurface::Unit::Pixels);
            if (backgroundPicture) s->setBackgroundPicture(background);
        }
        for (int x = 0; x < 20; x += 3)
            bar(drawnOn, x, 0, 16);
        for (DrawingSurface* s : {&drawnOn, &fresh})
            s->clearAndDrawStretched(source, to.x(), to.y(), to.width(), to.height(), from.x(),
                                     from.y(), from.width(), from.height());
        QCOMPARE(drawnOn.image(), fresh.image());
    }

    void placementAtNaturalSize() {
        QImage source(3, 2, QImage::Format_RGB32);
        source.fill(Qt::black);
        DrawingSurface s(150, 150);
        s.setUnits(DrawingSurface::Unit::Pixels);
        s.drawPicture(source, 8, 8);
        QCOMPARE(s.colourAt(8, 8), kBlack);
        QCOMPARE(s.colourAt(9, 9), kBlack);
        QCOMPARE(s.colourAt(7, 8), kWhite);
    }

    void printedTextIsCrispAndMovesToTheNextLine() {
        DrawingSurface s(1500, 600);
        s.setUnits(DrawingSurface::Unit::Pixels);
        const double height = s.textHeight(QStringLiteral("CODE"));
        QVERIFY(height >= 8 && height <= 30);
        QCOMPARE(s.textHeight(QStringLiteral("i")), height);
        QVERIFY(s.textWidth(QStringLiteral("CODE-39")) > s.textWidth(QStringLiteral("C")));
        s.setTextX(10);
        s.setTextY(5);
        s.printText(QStringLiteral("HELLO"));
        QCOMPARE(s.textX(), 0.0);
        QCOMPARE(s.textY(), 5 + height);
        QVERIFY(onlyBlackAndWhite(s.image()));
        int black = 0;
        for (int y = 0; y < s.pixelHeight(); ++y)
            for (int x = 0; x < s.pixelWidth(); ++x) {
                if (s.colourAt(x, y) != kBlack) continue;
                ++black;
                QVERIFY(x >= 10 && y >= 5 && y < 5 + height);
            }
        QVERIFY(black > 20);
    }

    // Printing, first or again, leaves exactly the pixels the platform's text drawing leaves,
    // through Qt's engine and through the picture font's face alike; both measure as Qt does.
    void printedTextMatchesThePlatformsDrawing_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<int>("pen");
        QTest::newRow("digit") << "7" << QPoint(3, 4) << int(kBlack);
        QTest::newRow("descenders") << "Barcode Desk 2026-07 gjpqy" << QPoint(2, 1) << int(kBlack);
        QTest::newRow("off the top left") << "ORIGIN" << QPoint(-9, -6) << int(kBlack);
        QTest::newRow("off the bottom right") << "EDGE" << QPoint(90, 36) << int(kBlack);
        QTest::newRow("coloured pen") << "RED 123" << QPoint(5, 5) << 0x0000FF;
        QTest::newRow("wider than the picture")
            << QString(30, u'W') << QPoint(-20, 5) << int(kBlack);
        QTest::newRow("kerned pairs") << "AVAWATo LT-Y. P, F. \"A\"" << QPoint(4, 2) << int(kBlack);
        QTest::newRow("ligatures")
            << "office baffle profile fluffy fjord" << QPoint(3, 3) << int(kBlack);
        QTest::newRow("every printable ASCII")
            << "!\"#$%&'()*+,-./"
               "0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~"
            << QPoint(1, 3) << int(kBlack);
    }
    void printedTextMatchesThePlatformsDrawing() {
        QFETCH(QString, text);
        QFETCH(QPoint, at);
        QFETCH(int, pen);
        for (const TextEngine* engine : {&qtTextEngine(), &faceTextEngine()}) {
            DrawingSurface s(1500, 600, kWhite, engine);
            s.setUnits(DrawingSurface::Unit::Pixels);
            s.setInk(pen);
            QImage expected = s.image();
            QFont font = qFontOf(s.font());
            font.setStyleStrategy(QFont::NoAntialias);
            const QFontMetrics metrics(font, &expected);
            QCOMPARE(s.textWidth(text), double(metrics.horizontalAdvance(text)));
            QCOMPARE(s.textHeight(text), double(metrics.height()));
            for (const QPoint& place : {at, at + QPoint(7, 3)}) { // again from what is kept
                QPainter painter(&expected);
                painter.setFont(font);
                painter.setPen(QColor(rgbOf(pen)));
                painter.drawText(QPointF(place.x(), place.y() + metrics.ascent()), text);
                s.setTextX(place.x());
                s.setTextY(place.y());
                s.printText(text);
            }
            QCOMPARE(s.image(), expected);
        }
    }

    // The face prints only in the picture font, and only the characters it has.
    void theFaceRefusesWhatItCannotPrintAsQt_data() {
        QTest::addColumn<QStringList>("families");
        QTest::addColumn<int>("weight");
        QTest::addColumn<QString>("text");
        QTest::newRow("another family first")
            << QStringList{"Microsoft Sans Serif", "DejaVu Sans"} << 400 << "0";
        QTest::newRow("bold") << QStringList{"DejaVu Sans"} << 700 << "0";
        QTest::newRow("no glyph") << QStringList{"DejaVu Sans"} << 400 << "\u6F22";
    }
    void theFaceRefusesWhatItCannotPrintAsQt() {
        QFETCH(QStringList, families);
        QFETCH(int, weight);
        QFETCH(QString, text);
        DrawingSurface s(1500, 600, kWhite, &faceTextEngine());
        s.setUnits(DrawingSurface::Unit::Pixels);
        PictureFont font = pictureFont();
        font.families = families;
        font.weight = weight;
        s.setFont(font);
        QVERIFY_THROWS_EXCEPTION(FontUnavailable, s.printText(text));
        QVERIFY(onlyColour(s.image(), kWhite));
    }

    void textCutAtTheLeftEdgeIsNoError() {
        DrawingSurface s(600, 600);
        s.setUnits(DrawingSurface::Unit::Pixels);
        s.setTextX(-100);
        s.printText(QStringLiteral("A LONG CAPTION THAT STARTS OFF THE SURFACE"));
        QVERIFY(!onlyColour(s.image(), kWhite)); // what lands on the surface shows
    }
};

QTEST_MAIN(TestSurface)
#include "test_surface.moc"
