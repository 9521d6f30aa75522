#pragma once

#include "labels/RollLabel.h"
#include "labels/SheetPainter.h"

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>

#include <optional>
#include <vector>

class QIODevice;

// Labels as ZPL II, the command language of Zebra-class thermal printers: one format (^XA to
// ^XZ) per row of labels, with the label's size, the media and the darkness in the stream,
// since a raw job passes no driver. Symbols go out as the printer's own barcode commands where
// its encoder draws exactly our modules, else as a bitmap at the printer's dots.
namespace Labels {

enum class Thermal { Direct, Transfer };

struct ZplSettings {
    int dotsPerInch = 203;
    std::optional<int> darkness; // 0 to 30, ~SD
    std::optional<int> speed;    // inches per second, ^PR
    Media media = Media::Gap;
    std::optional<Thermal> thermal;
    bool graphicsOnly = false; // every symbol a ^GF bitmap
};

// The resolutions thermal printheads come in: 6, 8, 12 and 24 dots per millimetre.
inline constexpr int kZplDotsPerInch[] = {152, 203, 300, 600};
// ^BY takes 1 to 10 dots per module; wider symbols go out as bitmaps.
inline constexpr int kZplMaxModuleDots = 10;

// Field data for ^FH: '^', '~', the escape character itself, control characters and every
// byte of a non-ASCII character (UTF-8, as ^CI28 reads it) written as _XX.
QByteArray zplFieldData(const QString& text);
// Rows of 1-bit pixels (most significant bit first, 1 dark) as ^GF's ASCII hex with ZPL's
// compression: ':' repeats the row above, ',' ends a row of light pixels, G-Y and g-z count
// repeated hex digits.
QByteArray zplCompressedHex(const std::vector<QByteArray>& rows);

class ZplWriter : public LabelSink {
  public:
    // `typeName` is the symbology of every label, as the command line names it.
    ZplWriter(QIODevice& out, const LabelTemplate& roll, const QString& typeName,
              const ZplSettings& settings);

    int dotsPerInch() const override { return settings_.dotsPerInch; }
    double lineHeight() const override { return lineHeight_; }
    // Formats written: the rows of labels, a repeated one counted once per copy.
    qint64 pages() const override { return rows_; }
    QString errorString() const override;
    bool paint(const Sheet::Place& place, const LabelSymbol& made, const Fit& fit,
               const QStringList& lines, double textWidth) override;

    // A label built field by field, as a design's: begun at its place, then its fields, in
    // dots from the row's top left corner. False when the row before could not be written.
    bool beginLabel(const Sheet::Place& place);
    // A symbol of the type named, its picture's top left corner at `at`.
    void addSymbol(const LabelSymbol& made, const QString& typeName, int barHeight, int dots,
                   QPoint at);
    // ^GB: a box whose border is `thickness` thick (half its smaller side fills it), black or
    // white.
    void addBox(QRect box, int thickness, bool white = false);
    // ^GE: an ellipse in the box, as ^GB.
    void addEllipse(QRect box, int thickness, bool white = false);
    // ^GD: a diagonal line across the box, rising to the right or falling.
    void addDiagonal(QRect box, int thickness, bool rising);
    // Text in the printer's scalable font ^A0, in a block `width` wide: `lines` broken where
    // they are too wide, at most `maxLines`, `spacing` dots added between lines.
    void addTextBlock(QPoint at, int width, int fontDots, int maxLines, int spacing,
                      Qt::Alignment align, const QStringList& lines);
    // ^GF: the dark pixels of the picture (light or transparent ones print nothing); or,
    // `reversed`, its light pixels with ^FR, which turns what is printed under them light.
    void addPicture(const QImage& picture, QPoint at, bool reversed = false);
    // Writes the row in hand; the reason when the stream could not be written.
    std::optional<QString> commit() override;

    // Where each format ends in the stream and how many labels it prints: what was printed
    // when a connection drops part way.
    struct FormatEnd {
        qint64 offset;
        qint64 labels;
    };
    const std::vector<FormatEnd>& formatEnds() const { return formatEnds_; }

  private:
    void symbolFields(const LabelSymbol& made, const QString& typeName, const SymbolLayout& layout,
                      int dots, int x, int y);
    bool nativeFields(const LabelSymbol& made, const QString& typeName, const SymbolLayout& layout,
                      int dots, int x, int y);
    void bitmapField(const std::vector<QByteArray>& rows, int bytesPerRow, int x, int y,
                     bool reversed = false);
    void graphicField(const Symbol& symbol, const SymbolLayout& layout, int dots, int x, int y);
    void textFields(const Symbol& symbol, const SymbolLayout& layout, int dots, int x, int y);
    void longBarBoxes(const Symbol& symbol, const SymbolLayout& layout, int dots, int x, int y,
                      int end);
    void bearerBoxes(const Symbol& symbol, const SymbolLayout& layout, int dots, int x, int y);
    void box(int x, int y, int width, int height);
    void text(int x, int y, int width, int height, const QString& text);
    bool endRow();
    bool writeFormat();

    QIODevice& out_;
    const LabelTemplate& roll_;
    QString typeName_;
    ZplSettings settings_;
    int fontDots_;
    double lineHeight_;
    QByteArray row_;       // the fields of the row in hand
    qint64 rowPage_ = -1;  // its page
    qint64 rowLabels_ = 0; // its labels
    QByteArray pending_;   // the last row ended, not written yet: the next may repeat it
    qint64 pendingLabels_ = 0;
    qint64 pendingCopies_ = 0;
    bool setupWritten_ = false;
    qint64 rows_ = 0;
    qint64 written_ = 0;
    std::vector<FormatEnd> formatEnds_;
};

} // namespace Labels
