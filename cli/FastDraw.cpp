#include "cli/FastDraw.h"

#include "app/DrawCommands.h"
#include "cli/CodeTexts.h"
#include "cli/Jobs.h"
#include "cli/PictureStreams.h"
#include "cli/SymbolRequests.h"
#include "cli/TypeNames.h"
#include "decode/EngineRows.h"
#include "output/RasterFiles.h"
#include "output/WholeFile.h"
#include "render/FaceTextEngine.h"
#include "render/PictureBound.h"
#include "render/SymbolRaster.h"
#include "render/SymbolTexts.h"
#include "symbology/RuntimeError.h"
#include "symbology/Symbology.h"

#include <cstdio>

namespace FastDraw {
namespace {

using CommandLine::Command;
using CommandLine::Invocation;
using ImageExport::ImageFormat;
using SymbolRequests::SymbolRequest;

// The draw of one code text, and what the full program would say about it.
class Draw {
  public:
    explicit Draw(const Invocation& args)
        : args_(args), type_(args.value(QStringLiteral("type"))),
          format_(*CommandLine::pictureFormat(args)),
          model_(&faceTextEngine(), &printSymbolTextsInFaceOnly) {
        model_.setMessages(&messages_);
        model_.zintRequest = SymbolRequests::zintRequestOf(args);
        model_.codeText = args.value(QStringLiteral("text"));
    }

    std::optional<int> windowPicture() {
        model_.widthValue = args_.number(QStringLiteral("width"), DrawModel::kWidthMax);
        // Draw Barcode puts the height slider back to 150 when it stands higher.
        model_.heightValue =
            std::min(args_.number(QStringLiteral("height"), DrawModel::kHeightClamp),
                     DrawModel::kHeightClamp);
        try {
            if (const auto zint = zintChoice(type_))
                DrawCommands::drawZintChoice(model_, *zint);
            else
                DrawCommands::classicCommandFor(type_)(model_);
        } catch (const RuntimeError& error) {
            return refused(namingTheCharacter(error.description()));
        } catch (const FontUnavailable&) {
            return std::nullopt;
        }
        if (!messages_.texts.isEmpty()) return refused(namingTheCharacter(messages_.refusal()));
        const auto choice = symbologyChoice(type_);
        const bool raw = args_.has(QStringLiteral("raw"));
        const Raster& picture = !raw ? model_.outputPicture.pixels()
                                : choice && choice->symbology == Symbology::UpcA
                                    ? model_.upc.upcPicture.pixels()
                                    : model_.workPicture.pixels();
        return saved(picture, zintChoice(type_) ? Look::Whole : Look::Rows);
    }

    std::optional<int> symbolPicture(const SymbolRequest& request) {
        std::variant<Symbol, QString> symbol;
        try {
            symbol = SymbolRequests::encoded(type_, request, model_, messages_);
        } catch (const RuntimeError& error) {
            symbol = namingTheCharacter(error.description());
        }
        if (const auto* refusal = std::get_if<QString>(&symbol)) {
            SymbolRequests::warnOfRoundedXDimension(request);
            return refused(*refusal);
        }
        const Symbol& drawn = std::get<Symbol>(symbol);
        const SymbolLayout layout(drawn, request.barHeight, request.quietZone);
        const long long width = static_cast<long long>(layout.width) * request.pixelsPerModule;
        const long long height = static_cast<long long>(layout.height) * request.pixelsPerModule;
        if (exceedsPictureBound(width, height)) {
            SymbolRequests::warnOfRoundedXDimension(request);
            Jobs::printError(
                QStringLiteral("The picture would be %1.").arg(pictureBoundText(width, height)));
            return Jobs::kExitRefused;
        }
        rounded_ = request;
        const Look look = SymbolRequests::readsFromCells(type_, drawn, request, layout.left)
                              ? Look::Settled
                          : drawn.matrix ? Look::Whole
                                         : Look::Rows;
        Raster picture = symbolRaster(drawn, layout, request.pixelsPerModule, request.dotsPerInch);
        if (!printSymbolTextsInFace(picture, drawn, layout, request.pixelsPerModule))
            return std::nullopt;
        return saved(picture, look);
    }

  private:
    // How the picture's decoding is looked at: along three rows of a linear symbol, the whole
    // picture, or not at all when the symbol's cells read.
    enum class Look { Rows, Whole, Settled };

    // Writes the picture, or nothing, before anything is written or said, when the engine's
    // quick look does not show that it decodes: the full program then draws it and says
    // whether it does.
    std::optional<int> saved(const Raster& picture, Look look) {
        const int h = picture.height();
        const bool decodes = look == Look::Settled ? true
                             : look == Look::Whole
                                 ? ReadingEngine::blackAndWhiteDecodes(picture)
                                 : ReadingEngine::blackAndWhiteRowsDecode(
                                       picture, {h / 4, h / 3, h / 2},
                                       zintChoice(type_) ? ReadingEngine::Formats::Every
                                                         : ReadingEngine::Formats::Classic);
        if (!decodes) return std::nullopt;
        const std::optional<QByteArray> bytes =
            format_ == ImageFormat::Bmp ? RasterFiles::bmp(picture) : RasterFiles::png(picture);
        if (!bytes) return std::nullopt; // the full program says why
        if (rounded_) SymbolRequests::warnOfRoundedXDimension(*rounded_);
        const QString outPath = args_.value(QStringLiteral("out"));
        const std::optional<QString> failure = PictureStreams::save(
            outPath, *bytes,
            [&](const QString& path, const QByteArray& file) -> std::optional<QString> {
                if (const auto reason = WholeFile::write(path, file))
                    return ImageExport::saveFailureMessage(outPath, *reason);
                return std::nullopt;
            });
        if (failure) {
            Jobs::printError(*failure);
            return Jobs::kExitRefused;
        }
        for (const QString& warning : model_.drawWarnings)
            Jobs::printError(QStringLiteral("warning: ") + warning);
        // The picture has standard output to itself when it goes there.
        const auto choice = symbologyChoice(type_);
        if (choice && choice->takesDigitsOnly())
            std::fprintf(PictureStreams::isStandardStream(outPath) ? stderr : stdout, "%s\n",
                         model_.codeText.toUtf8().constData());
        return 0;
    }

    int refused(const QString& refusal) const {
        Jobs::printError(TypeNames::withTwinAdvice(type_, refusal));
        return Jobs::kExitRefused;
    }

    QString namingTheCharacter(const QString& refusal) const {
        const auto choice = symbologyChoice(type_);
        return choice ? CodeTexts::namingTheCharacter(refusal, choice->symbology, model_.codeText)
                      : refusal;
    }

    const Invocation& args_;
    QString type_;
    ImageFormat format_;
    Jobs::RecordedMessages messages_;
    DrawModel model_;                      // prints its texts in the picture font's face
    std::optional<SymbolRequest> rounded_; // whose X-dimension may need a word
};

} // namespace

bool handles(const Invocation& invocation) {
    if (invocation.request != Invocation::Request::Run || invocation.command != Command::Draw)
        return false;
    const QString type = invocation.value(QStringLiteral("type"));
    const auto format = CommandLine::pictureFormat(invocation);
    if (!format || (*format != ImageFormat::Png && *format != ImageFormat::Bmp)) return false;
    // Whether the face prints the picture's texts shows once it is drawn.
    return symbologyChoice(type) || zintChoice(type);
}

std::optional<int> run(const Invocation& invocation) {
    Draw draw(invocation);
    const auto format = *CommandLine::pictureFormat(invocation);
    if (const auto request = SymbolRequests::symbolRequestOf(invocation, format))
        return draw.symbolPicture(*request);
    return draw.windowPicture();
}

} // namespace FastDraw
