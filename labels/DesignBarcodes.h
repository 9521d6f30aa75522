#pragma once

#include "labels/Design.h"
#include "labels/SheetPainter.h"
#include "render/SymbolPicture.h"

#include <QSizeF>
#include <QString>

#include <optional>
#include <variant>

// The barcodes of a design: gLabels' styles as our symbologies, a row's data as a symbol, and
// the symbol fitted into its object's box at whole printer dots.
namespace Labels {

// Our --type for a gLabels backend and style (gLabels 3's "built-in"/"EAN-13", "libiec16022",
// "libqrencode"; gLabels 4's "" or "gnu-barcode" or "zint" with lower-case ids); nullopt for a
// style we cannot draw.
std::optional<QString> barcodeTypeOf(const QString& backend, const QString& style);

// The object's symbol for the data, with or without its text; or why the symbology refuses it.
std::variant<LabelSymbol, QString> designSymbol(const BarcodeObject& barcode, const QString& data);

// A symbol in its box: whole dots per module, the bar height in modules, and its top left
// corner in dots from the box's.
struct BoxFit {
    int dots;
    int barHeight;
    QPointF origin;
};
// The largest whole-dot module that fits the box (in dots); linear bars fill its height, down
// to half their usual height. Nullopt when not even one dot per module fits.
std::optional<BoxFit> fitInBox(const Symbol& symbol, QSizeF box);

} // namespace Labels
