#pragma once

#include "app/DrawCommands.h"
#include "cli/CommandLine.h"
#include "cli/Jobs.h"
#include "cli/SymbolRequests.h"
#include "render/Raster.h"
#include "render/SymbolLayout.h"
#include "symbology/Symbol.h"
#include "symbology/ZintChoices.h"

#include <QString>
#include <QStringList>

#include <optional>

// One kind of picture drawn from many code texts, as draw and batch take it from their options:
// the window's picture, or the symbol drawn anew. What both halves of the program share; the
// full one adds text under a symbol's bars and the formats of the image library.
class LineDrawing {
  public:
    // The text engine and printer draw the window's captions and a symbol's texts; without
    // them, only pictures that carry no text.
    LineDrawing(const CommandLine::Invocation& args,
                std::optional<SymbolRequests::SymbolRequest> symbolRequest, const TextEngine* text,
                DrawModel::SymbolTextPrinter symbolTexts);

    // Draws the text with the window's command, or encodes its symbol when a request asks for
    // one (symbol() then holds it until written() is made); the refusal when the text is
    // refused, saying which of EAN13 and ean13 (and their kin) takes what.
    std::optional<QString> draw(const QString& text);
    // Makes written(): the window's picture, or the symbol's pixels as requested with its
    // texts; the refusal when the symbol's picture would be too large.
    std::optional<QString> rasterize();

    const std::optional<SymbolRequests::SymbolRequest>& symbolRequest() const {
        return symbolRequest_;
    }
    const std::optional<Symbol>& symbol() const { return symbol_; }
    const std::optional<SymbolLayout>& layout() const { return layout_; }
    // The raster picture last drawn, null after a refusal or a vector symbol.
    const Raster& written() const { return written_; }

    // Whether the reading engine's quick look (its cells for a 2D symbol drawn anew, a few
    // rows, the whole black-and-white picture) shows that written() decodes; false leaves it to
    // the slow check.
    bool quicklyDecodes() const;

    const QString& type() const { return type_; }
    const std::optional<ZintChoice>& zint() const { return zint_; }
    bool raw() const { return raw_; }
    // What the last newer symbology said beside its symbol, e.g. a GS1 pairing rule.
    const QStringList& warnings() const { return model_.drawWarnings; }
    // The digit symbologies normalise the code text; the caller shows what was drawn.
    bool normalises() const;
    const QString& drawnText() const { return model_.codeText; }
    const DrawModel& model() const { return model_; }

  private:
    QString withTwinAdvice(const QString& refusal) const;
    QString namingTheCharacter(const QString& refusal) const;
    const Raster& windowPicture() const;

    QString type_;
    DrawCommands::Command command_;
    std::optional<ZintChoice> zint_;
    bool raw_;
    std::optional<SymbolRequests::SymbolRequest> symbolRequest_;
    std::optional<Symbol> symbol_;
    std::optional<SymbolLayout> layout_;
    Raster written_;
    bool cellsRead_ = false; // whether its 2D symbol's cells read, which settles its check
    Jobs::RecordedMessages messages_;
    DrawModel model_;
};
