#include "labels/DesignBarcodes.h"

#include "symbology/EncodeSymbol.h"
#include "symbology/RuntimeError.h"

#include <algorithm>
#include <cmath>

namespace Labels {

namespace {

// gLabels' style ids in lower case (gLabels 3 writes "EAN-13", gLabels 4 "ean-13") and the
// symbology each draws. The built-in, GNU Barcode and Zint backends share most ids; see
// backends/barcode/Backends.cpp of glabels-qt at 29249e6b316a5d3967a539fa1ac24b780fd3681f.
struct StyleRow {
    const char16_t* style;
    const char* type;
};
constexpr StyleRow kStyles[] = {
    {u"ean-13", "ean13"},        {u"ean", "ean13"},       {u"ean-8", "ean8"},
    {u"upc-a", "upca"},          {u"upc", "upca"},        {u"upc-e", "upce"},
    {u"code39", "39/n"},         {u"code128", "128/n"},   {u"code128b", "128/n"},
    {u"code128c", "128/n"},      {u"i25", "itf"},         {u"c25i", "itf"},
    {u"itf14", "itf14"},         {u"cbr", "codabar"},     {u"code93", "code93"},
    {u"gs1-128", "gs1-128"},     {u"qr", "qr"},           {u"qrcode", "qr"},
    {u"iec18004", "qr"},         {u"dmtx", "datamatrix"}, {u"datamatrix", "datamatrix"},
    {u"iec16022", "datamatrix"}, {u"pdf", "pdf417"},      {u"aztec", "aztec"},
};

} // namespace

std::optional<QString> barcodeTypeOf(const QString& backend, const QString& style) {
    // gLabels 3 named the 2D libraries as backends.
    if (backend == u"libiec16022") return QStringLiteral("datamatrix");
    if (backend == u"libqrencode") return QStringLiteral("qr");
    const QString id = style.toLower();
    for (const StyleRow& row : kStyles)
        if (id == row.style) return QString::fromLatin1(row.type);
    return std::nullopt;
}

std::variant<LabelSymbol, QString> designSymbol(const BarcodeObject& barcode, const QString& data) {
    if (auto classic = symbologyChoice(barcode.type)) {
        // Code 39 and 128 by our own encoders, their text and check character as asked.
        if (data.isEmpty()) return QStringLiteral("the code is empty");
        classic->caption = barcode.text;
        classic->checkCharacter = barcode.checksum && classic->symbology == Symbology::Code39;
        try {
            return LabelSymbol{encodeSymbol(*classic, data), data, xRangeOf(classic->symbology)};
        } catch (const RuntimeError& error) {
            return error.description();
        }
    }
    auto made = labelSymbol(barcode.type, data);
    if (auto* symbol = std::get_if<LabelSymbol>(&made); symbol && !barcode.text)
        symbol->symbol.texts.clear();
    return made;
}

std::optional<BoxFit> fitInBox(const Symbol& symbol, QSizeF box) {
    const SymbolLayout usual(symbol, std::nullopt, std::nullopt);
    const int lowestBars = symbol.matrix ? usual.barHeight : (symbol.barHeight + 1) / 2;
    // The bars (or cells) stand centred; the wider of their quiet zones sets the room taken.
    const double middle =
        usual.left + (symbol.matrix ? symbol.matrix->columns : symbol.modules.size()) / 2.0;
    const double across = 2 * std::max(middle, usual.width - middle);
    for (int dots = static_cast<int>(box.width() / across); dots >= 1; --dots) {
        // The bars take what the box leaves beside the text and bearer bars.
        const int bars = symbol.matrix ? usual.barHeight
                                       : static_cast<int>(std::floor(box.height() / dots)) -
                                             (usual.height - usual.barHeight);
        if (bars < lowestBars) continue;
        const SymbolLayout layout(symbol, bars, std::nullopt);
        if (layout.height * dots > box.height() + 1e-6) continue;
        const QPointF origin(box.width() / 2 - middle * dots,
                             (box.height() - layout.height * dots) / 2);
        return BoxFit{dots, bars, origin};
    }
    return std::nullopt;
}

} // namespace Labels
