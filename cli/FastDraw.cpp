#include "cli/FastDraw.h"

#include "app/DrawCommands.h"
#include "cli/Jobs.h"
#include "cli/PictureStreams.h"
#include "decode/EngineRows.h"
#include "output/RgbPng.h"
#include "output/WholeFile.h"
#include "output/WindowsBitmap.h"
#include "symbology/RuntimeError.h"
#include "symbology/Symbology.h"

#include <cstdio>

namespace FastDraw {

using CommandLine::Command;
using CommandLine::Invocation;
using ImageExport::ImageFormat;

bool handles(const Invocation& invocation) {
    if (invocation.request != Invocation::Request::Run || invocation.command != Command::Draw)
        return false;
    const auto choice = symbologyChoice(invocation.value(QStringLiteral("type")));
    const auto format = CommandLine::pictureFormat(invocation);
    return choice && !choice->printsText() && format &&
           (*format == ImageFormat::Png || *format == ImageFormat::Bmp) &&
           !CommandLine::asksForSymbol(invocation);
}

std::optional<int> run(const Invocation& args) {
    const QString type = args.value(QStringLiteral("type"));
    const SymbologyChoice choice = *symbologyChoice(type);
    const QString outPath = args.value(QStringLiteral("out"));
    DrawModel model(nullptr); // it draws no text: that is the full program's
    Jobs::RecordedMessages messages;
    model.setMessages(&messages);
    model.widthValue = args.number(QStringLiteral("width"), DrawModel::kWidthMax);
    // Draw Barcode puts the height slider back to 150 when it stands higher.
    model.heightValue = std::min(args.number(QStringLiteral("height"), DrawModel::kHeightClamp),
                                 DrawModel::kHeightClamp);
    model.codeText = args.value(QStringLiteral("text"));
    try {
        DrawCommands::classicCommandFor(type)(model);
    } catch (const RuntimeError& error) {
        Jobs::printError(error.description());
        return Jobs::kExitRefused;
    }
    if (!messages.texts.isEmpty()) {
        Jobs::printError(messages.refusal());
        return Jobs::kExitRefused;
    }
    const bool raw = args.has(QStringLiteral("raw"));
    const Raster& picture = !raw                                  ? model.outputPicture.pixels()
                            : choice.symbology == Symbology::UpcA ? model.upc.upcPicture.pixels()
                                                                  : model.workPicture.pixels();
    const int h = picture.height();
    if (!ReadingEngine::blackAndWhiteRowsDecode(picture, {h / 4, h / 3, h / 2}))
        return std::nullopt;
    // Drawn pictures record the screen's resolution, as the full program's files of them do.
    const QSize dotsPerMeter(Geometry::kDotsPerMeter, Geometry::kDotsPerMeter);
    const std::optional<QByteArray> bytes =
        *CommandLine::pictureFormat(args) == ImageFormat::Png
            ? RgbPng::encode(picture, dotsPerMeter)
            : std::optional(WindowsBitmap::encode(picture, dotsPerMeter));
    if (!bytes) return std::nullopt; // the full program says why
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
    // The picture has standard output to itself when it goes there.
    if (choice.takesDigitsOnly())
        std::fprintf(PictureStreams::isStandardStream(outPath) ? stderr : stdout, "%s\n",
                     model.codeText.toUtf8().constData());
    return 0;
}

} // namespace FastDraw
