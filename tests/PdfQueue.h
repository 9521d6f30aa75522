#pragma once

// The PDF printer of the tests: the cups-pdf queue that scripts/pdf-printer sets up, the PDFs it
// writes, and what zbarimg reads on their pages.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <optional>

#include "TestSupport.h"

inline const QString kQueue = QStringLiteral("BarcodeDesk-PDF");
constexpr int kRenderDpi = 150;

inline QString runTool(const QString& program, const QStringList& args) {
    return QString::fromUtf8(runProgram(program, args).out);
}

struct Band {
    int top;
    int bottom; // exclusive
};

inline bool darkRow(const QImage& page, int y) {
    for (int x = 0; x < page.width(); ++x)
        if (qGray(page.pixel(x, y)) < 128) return true;
    return false;
}

// The runs of rows with anything dark on them: one per printed copy, as the bars run from
// the top of the picture to the bottom and copies are apart.
inline QList<Band> darkBands(const QImage& page) {
    QList<Band> bands;
    for (int y = 0; y < page.height(); ++y) {
        if (!darkRow(page, y)) continue;
        if (!bands.isEmpty() && bands.last().bottom == y)
            bands.last().bottom = y + 1;
        else
            bands.append({y, y + 1});
    }
    return bands;
}

// The smallest rectangle holding every dark pixel.
inline QRect darkArea(const QImage& image) {
    QRect area;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) area |= QRect(x, y, 1, 1);
    return area;
}

// What zbarimg reads in one band, cut out of the page with a white margin.
inline QStringList symbolsIn(const QImage& page, const Band& band, const QString& scratch) {
    constexpr int kMargin = 20;
    QImage cut(page.width() + 2 * kMargin, band.bottom - band.top + 2 * kMargin,
               QImage::Format_RGB32);
    cut.fill(Qt::white);
    QPainter(&cut).drawImage(QPoint(kMargin, kMargin),
                             page.copy(0, band.top, page.width(), band.bottom - band.top));
    cut.save(scratch);
    return runTool(QStringLiteral(ZBARIMG_EXECUTABLE), {"--nodbus", "-q", scratch})
        .split(u'\n', Qt::SkipEmptyParts);
}

// A page's copies: the text of every symbol read and the tops of the bands it was read in.
struct PageReading {
    QStringList symbols;
    QList<int> tops;
};

inline PageReading readPage(const QString& png, const QString& scratch) {
    const QImage page = QImage(png).convertToFormat(QImage::Format_RGB32);
    PageReading reading;
    for (const Band& band : darkBands(page)) {
        const QStringList found = symbolsIn(page, band, scratch);
        reading.symbols += found;
        if (!found.isEmpty()) reading.tops.append(band.top);
    }
    return reading;
}

class PdfQueue {
  public:
    ~PdfQueue() {
        for (const QString& pdf : printedPdfs)
            QFile::remove(pdf);
    }

    // Why the print tests cannot run here, if they cannot.
    std::optional<QString> missing() {
        pdfDir = qEnvironmentVariable("BARCODE_DESK_PDF_DIR");
        if (QPrinterInfo::printerInfo(kQueue).isNull())
            return QStringLiteral("no CUPS queue BarcodeDesk-PDF: scripts/test sets it up");
        if (pdfDir.isEmpty() || !QFileInfo(pdfDir).isDir())
            return QStringLiteral("BARCODE_DESK_PDF_DIR does not name cups-pdf's output folder: "
                                  "scripts/test sets it");
        for (const char* tool : {PDFTOPPM_EXECUTABLE, PDFINFO_EXECUTABLE, ZBARIMG_EXECUTABLE})
            if (QString::fromUtf8(tool).isEmpty())
                return QStringLiteral("pdftoppm, pdfinfo or zbarimg not installed");
        return std::nullopt;
    }

    QStringList pdfsNow() const {
        return QDir(pdfDir).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    }

    // The PDF that cups-pdf writes for the one job sent since `before` was listed; it counts
    // as written once the queue is empty and pdfinfo can read it.
    QString awaitNewPdf(const QStringList& before) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 60000) {
            const bool queueEmpty =
                runTool(QStringLiteral("lpstat"), {"-o", kQueue}).trimmed().isEmpty();
            for (const QString& name : pdfsNow()) {
                if (before.contains(name) || !queueEmpty) continue;
                const QString path = QDir(pdfDir).filePath(name);
                if (pageCount(path) == 0) continue;
                printedPdfs.append(path);
                return path;
            }
            QThread::msleep(250);
        }
        return {};
    }

    static int pageCount(const QString& pdf) {
        const QRegularExpression pages(QStringLiteral("^Pages:\\s+(\\d+)"),
                                       QRegularExpression::MultilineOption);
        return pages.match(runTool(QStringLiteral(PDFINFO_EXECUTABLE), {pdf})).captured(1).toInt();
    }

    QStringList renderPages(const QString& pdf) {
        const QString prefix = scratch.filePath(QFileInfo(pdf).completeBaseName());
        runTool(QStringLiteral(PDFTOPPM_EXECUTABLE),
                {"-png", "-r", QString::number(kRenderDpi), pdf, prefix});
        QStringList pngs;
        for (const QString& name :
             QDir(scratch.path())
                 .entryList({QFileInfo(prefix).fileName() + "-*.png"}, QDir::Files, QDir::Name))
            pngs.append(scratch.filePath(name));
        return pngs;
    }

    PageReading readPage(const QString& png) {
        return ::readPage(png, scratch.filePath("band.png"));
    }

    QTemporaryDir scratch;
    QString pdfDir;
    QStringList printedPdfs;
};
