#include "cli/SymbolRequests.h"

#include "cli/CodeTexts.h"
#include "decode/LineDecode.h"
#include "decode/ModuleRead.h"
#include "output/VectorExport.h"
#include "render/SymbolLayout.h"
#include "symbology/EncodeSymbol.h"

#include <cmath>

namespace SymbolRequests {
namespace {

using CommandLine::Invocation;

static_assert(SymbolRequest{}.xDimensionMm == VectorExport::kDefaultXDimensionMm);

std::optional<int> numberOption(const Invocation& args, const QString& name) {
    if (!args.has(name)) return std::nullopt;
    return args.value(name).toInt();
}

// The module width a printed or vector symbol gets; none for a picture of pixels alone.
std::optional<double> printedXDimension(const SymbolRequest& request) {
    if (request.vector) return request.xDimensionMm;
    if (!request.dotsPerInch) return std::nullopt;
    return request.pixelsPerModule * 25.4 / *request.dotsPerInch;
}

// The light margin readers need to find a 2D symbol whose cells read: its quiet zone, and for
// Aztec, whose standard asks for none, the window's least margin. (The engine finds every Data
// Matrix size with its one-module quiet zone at two and three pixels a module.)
int leastReadMargin(zintsym::ZintType type, const Symbol& symbol) {
    return type == zintsym::ZintType::Aztec ? DrawCommands::windowMargin(symbol) : symbol.quietLeft;
}

// A Code 128 symbol (GS1-128 too) with its quiet zones on both sides and bars of at least the
// usual height, which the engine's rows through the picture's middle cross, reads as its
// modules decode to at least one character: the engine asks nothing more of it. The other linear
// symbologies it reads with limits of its own (lengths, add-ons): their pictures are looked at.
bool code128ReadsFromModules(const QString& type, const Symbol& symbol,
                             const SymbolLayout& layout) {
    const auto choice = symbologyChoice(type);
    const auto zint = zintChoice(type);
    if (!(choice && choice->symbology == Symbology::Code128) &&
        !(zint && zint->type == zintsym::ZintType::Gs1_128))
        return false;
    const int right = layout.width - layout.left - static_cast<int>(symbol.modules.size());
    if (layout.left < symbol.quietLeft || right < symbol.quietRight || symbol.barHeight <= 0 ||
        layout.barHeight < symbol.barHeight || symbol.bearer != BearerBars::None)
        return false;
    // The engine reports no symbol that holds no character.
    const auto text = LineDecode::textOfModules(LineDecode::Linear::Code128, symbol.modules);
    return text && !text->isEmpty();
}

} // namespace

std::optional<SymbolRequest> symbolRequestOf(const Invocation& args,
                                             ImageExport::ImageFormat format) {
    if (!CommandLine::asksForSymbol(args)) return std::nullopt;
    SymbolRequest request;
    request.vector = ImageExport::entryOf(format).vector;
    request.barHeight = numberOption(args, QStringLiteral("bar-height"));
    request.quietZone = numberOption(args, QStringLiteral("quiet-zone"));
    if (args.has(QStringLiteral("xdim"))) request.xDimensionMm = args.value("xdim").toDouble();
    // The command line's rules saw to it that the options go together.
    if (request.vector) return request;
    request.pixelsPerModule = numberOption(args, QStringLiteral("scale")).value_or(1);
    if (args.has(QStringLiteral("dpi"))) {
        request.dotsPerInch = args.value(QStringLiteral("dpi")).toInt();
        request.pixelsPerModule = dotsPerModule(request.xDimensionMm, *request.dotsPerInch);
    }
    return request;
}

void warnOfRoundedXDimension(const SymbolRequest& request) {
    if (!request.dotsPerInch) return;
    const double printed = request.pixelsPerModule * 25.4 / *request.dotsPerInch;
    if (std::abs(printed - request.xDimensionMm) <= 0.05 * request.xDimensionMm) return;
    Jobs::printError(QStringLiteral("%1: at %2 dpi a module is %3 dots, so the X-dimension prints "
                                    "as %4 mm instead of %5 mm.")
                         .arg(QString::fromLatin1(CommandLine::kProgram))
                         .arg(*request.dotsPerInch)
                         .arg(request.pixelsPerModule)
                         .arg(printed, 0, 'f', 3)
                         .arg(request.xDimensionMm));
}

ZintRequest zintRequestOf(const Invocation& args) {
    ZintRequest request;
    if (args.has(QStringLiteral("ecc")))
        request.ecc = args.value(QStringLiteral("ecc")).at(0).toLatin1();
    request.digitalLinkDomain = args.value(QStringLiteral("dl-domain"));
    const QString bearer = args.value(QStringLiteral("bearer"), QStringLiteral("frame"));
    request.bearer = bearer == QLatin1String("none")   ? BearerBars::None
                     : bearer == QLatin1String("bars") ? BearerBars::Bars
                                                       : BearerBars::Frame;
    return request;
}

std::variant<Symbol, QString> encoded(const QString& type, const SymbolRequest& request,
                                      DrawModel& model, const Jobs::RecordedMessages& messages) {
    if (const auto zint = zintChoice(type)) {
        auto symbol = encodeZintChoice(*zint, model.codeText, model.zintRequest);
        if (const auto* refusal = std::get_if<QString>(&symbol))
            return QStringLiteral("error: ") + *refusal;
        model.drawWarnings = std::get<EncodedSymbol>(symbol).warnings;
        if (const auto x = printedXDimension(request))
            if (const auto refusal =
                    printedWidthRefusal(*zint, std::get<EncodedSymbol>(symbol).symbol, *x))
                return QStringLiteral("error: ") + *refusal;
        return std::get<EncodedSymbol>(std::move(symbol)).symbol;
    }
    const SymbologyChoice choice = *symbologyChoice(type);
    if (!DrawCommands::acceptCodeText(model, choice.symbology))
        return CodeTexts::namingTheCharacter(messages.refusal(), choice.symbology, model.codeText);
    return encodeSymbol(choice, model.codeText);
}

bool readsFromCells(const QString& type, const Symbol& symbol, const SymbolRequest& request,
                    const SymbolLayout& layout) {
    if (request.vector || request.pixelsPerModule < 2) return false;
    if (!symbol.matrix) return code128ReadsFromModules(type, symbol, layout);
    const auto zint = zintChoice(type);
    if (!zint || layout.left < leastReadMargin(zint->type, symbol)) return false;
    return ModuleRead::readsAsDrawn(zint->type, *symbol.matrix).value_or(false);
}

} // namespace SymbolRequests
