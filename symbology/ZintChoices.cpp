#include "symbology/ZintChoices.h"

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

ModuleRange rangeOf(const zintsym::ModuleSpan& span) {
    return {span.first, span.end};
}

Symbol linearSymbol(const zintsym::LinearModules& linear, const ZintChoice& choice,
                    const ZintRequest& request) {
    Symbol symbol;
    symbol.modules = QString::fromLatin1(linear.modules.data(), qsizetype(linear.modules.size()));
    for (const zintsym::ModuleSpan& span : linear.longBars)
        symbol.longModules.append(rangeOf(span));
    for (const zintsym::TextBand& text : linear.texts)
        symbol.texts.append({fromUtf8(text.text), rangeOf(text.band), text.above});
    symbol.quietLeft = linear.quietLeft;
    symbol.quietRight = linear.quietRight;
    symbol.barHeight = choice.barHeight;
    if (linear.bearer != zintsym::Bearer::None) {
        symbol.bearer = request.bearer;
        symbol.bearerWidth = symbol.bearer == BearerBars::None ? 0 : linear.bearerWidth;
    }
    return symbol;
}

Symbol matrixSymbol(const zintsym::MatrixModules& cells) {
    Symbol symbol;
    symbol.matrix = ModuleMatrix{cells.rows, cells.columns, cells.cells, cells.rowHeight};
    symbol.quietLeft = symbol.quietRight = cells.quietZone;
    symbol.barHeight = cells.rows * cells.rowHeight;
    return symbol;
}

} // namespace

std::variant<EncodedSymbol, QString> encodeZintChoice(const ZintChoice& choice, const QString& text,
                                                      const ZintRequest& request) {
    const QByteArray utf8 = text.toUtf8();
    const zintsym::ZintResult result = zintsym::encodeWithZint(
        choice.type, std::string_view(utf8.constData(), std::size_t(utf8.size())),
        zintsym::ZintOptions{request.ecc, request.digitalLinkDomain.toStdString()});
    if (const auto* refused = std::get_if<zintsym::ZintRefusal>(&result))
        return fromUtf8(refused->message);
    const auto& encoded = std::get<zintsym::ZintSymbol>(result);
    EncodedSymbol out;
    if (const auto* linear = std::get_if<zintsym::LinearModules>(&encoded.modules))
        out.symbol = linearSymbol(*linear, choice, request);
    else
        out.symbol = matrixSymbol(std::get<zintsym::MatrixModules>(encoded.modules));
    for (const std::string& warning : encoded.warnings)
        out.warnings << fromUtf8(warning);
    return out;
}

std::optional<QString> printedWidthRefusal(const ZintChoice& choice, const Symbol& symbol,
                                           double xDimensionMm) {
    if (choice.type != zintsym::ZintType::Gs1_128) return std::nullopt;
    zintsym::LinearModules linear;
    linear.modules = symbol.modules.toStdString();
    linear.quietLeft = symbol.quietLeft;
    linear.quietRight = symbol.quietRight;
    if (const auto refused = zintsym::gs1_128WidthRefusal(linear, xDimensionMm))
        return fromUtf8(refused->message);
    return std::nullopt;
}
