#include "cli/LineDrawing.h"

#include "cli/CodeTexts.h"
#include "cli/TypeNames.h"
#include "decode/EngineRows.h"
#include "render/PictureBound.h"
#include "render/SymbolRaster.h"
#include "symbology/RuntimeError.h"
#include "symbology/Symbology.h"

#include <algorithm>

using SymbolRequests::SymbolRequest;

LineDrawing::LineDrawing(const CommandLine::Invocation& args,
                         std::optional<SymbolRequest> symbolRequest, const TextEngine* text,
                         DrawModel::SymbolTextPrinter symbolTexts)
    : type_(args.value(QStringLiteral("type"))), command_(DrawCommands::classicCommandFor(type_)),
      zint_(zintChoice(type_)), raw_(args.has(QStringLiteral("raw"))),
      symbolRequest_(std::move(symbolRequest)), model_(text, symbolTexts) {
    if (!command_ && zint_)
        command_ = [zint = *zint_](DrawModel& model) { DrawCommands::drawZintChoice(model, zint); };
    model_.setMessages(&messages_);
    model_.zintRequest = SymbolRequests::zintRequestOf(args);
    model_.widthValue = args.number(QStringLiteral("width"), DrawModel::kWidthMax);
    // Draw Barcode puts the height slider back to 150 when it stands higher.
    model_.heightValue = std::min(args.number(QStringLiteral("height"), DrawModel::kHeightClamp),
                                  DrawModel::kHeightClamp);
}

std::optional<QString> LineDrawing::draw(const QString& text) {
    messages_.texts.clear();
    model_.codeText = text;
    model_.drawWarnings.clear();
    // Held on to, the last picture would make the command copy the output picture before
    // erasing it.
    written_ = Raster();
    cellsRead_ = false;
    symbol_.reset();
    layout_.reset();
    try {
        // A symbol drawn anew needs only the text the window's command would draw.
        if (symbolRequest_) {
            auto symbol = SymbolRequests::encoded(type_, *symbolRequest_, model_, messages_);
            if (const auto* refusal = std::get_if<QString>(&symbol))
                return withTwinAdvice(*refusal);
            symbol_ = std::move(std::get<Symbol>(symbol));
            layout_.emplace(*symbol_, symbolRequest_->barHeight, symbolRequest_->quietZone);
            return std::nullopt;
        }
        command_(model_);
    } catch (const RuntimeError& error) {
        return withTwinAdvice(namingTheCharacter(error.description()));
    }
    if (!messages_.texts.isEmpty()) return withTwinAdvice(namingTheCharacter(messages_.refusal()));
    return std::nullopt;
}

std::optional<QString> LineDrawing::rasterize() {
    if (!symbol_) {
        written_ = windowPicture();
        return std::nullopt;
    }
    const SymbolRequest& request = *symbolRequest_;
    const long long width = static_cast<long long>(layout_->width) * request.pixelsPerModule;
    const long long height = static_cast<long long>(layout_->height) * request.pixelsPerModule;
    if (exceedsPictureBound(width, height))
        return QStringLiteral("The picture would be %1.").arg(pictureBoundText(width, height));
    written_ = symbolRaster(*symbol_, *layout_, request.pixelsPerModule, request.dotsPerInch);
    cellsRead_ = SymbolRequests::readsFromCells(type_, *symbol_, request, *layout_);
    if (model_.symbolTexts)
        model_.symbolTexts(written_, *symbol_, *layout_, request.pixelsPerModule);
    return std::nullopt;
}

bool LineDrawing::quicklyDecodes() const {
    if (written_.isNull() || cellsRead_) return true;
    const int h = written_.height();
    if (zint_)
        return (!zint_->isMatrix() &&
                ReadingEngine::blackAndWhiteRowsDecode(written_, {h / 4, h / 3, h / 2},
                                                       ReadingEngine::Formats::Every)) ||
               ReadingEngine::blackAndWhiteDecodes(written_);
    return ReadingEngine::blackAndWhiteRowsDecode(written_, {h / 4, h / 3, h / 2});
}

bool LineDrawing::normalises() const {
    const auto choice = symbologyChoice(type_);
    return choice && choice->takesDigitsOnly();
}

QString LineDrawing::withTwinAdvice(const QString& refusal) const {
    return TypeNames::withTwinAdvice(type_, refusal);
}

QString LineDrawing::namingTheCharacter(const QString& refusal) const {
    const auto choice = symbologyChoice(type_);
    return choice ? CodeTexts::namingTheCharacter(refusal, choice->symbology, model_.codeText)
                  : refusal;
}

const Raster& LineDrawing::windowPicture() const {
    if (!raw_) return model_.outputPicture.pixels();
    // UPC-A draws on its own work picture, exactly as the renderer left it.
    const auto choice = symbologyChoice(type_);
    return choice && choice->symbology == Symbology::UpcA ? model_.upc.upcPicture.pixels()
                                                          : model_.workPicture.pixels();
}
