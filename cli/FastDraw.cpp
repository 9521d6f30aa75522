#include "cli/FastDraw.h"

#include "cli/Jobs.h"
#include "cli/LineDrawing.h"
#include "cli/PictureStreams.h"
#include "cli/SymbolRequests.h"
#include "output/RasterFiles.h"
#include "output/WholeFile.h"
#include "render/FaceTextEngine.h"
#include "render/SymbolTexts.h"

#include <cstdio>

namespace FastDraw {
namespace {

using CommandLine::Command;
using CommandLine::Invocation;
using ImageExport::ImageFormat;
using SymbolRequests::SymbolRequest;

// The refusal as the full program gives it: after the word on a rounded X-dimension.
int refused(const QString& refusal, const std::optional<SymbolRequest>& request) {
    if (request) SymbolRequests::warnOfRoundedXDimension(*request);
    Jobs::printError(refusal);
    return Jobs::kExitRefused;
}

// Writes the picture with the messages of the full program; nothing, before anything is
// written or said, when the bytes cannot be made here.
std::optional<int> saved(const Invocation& args, const LineDrawing& lines, ImageFormat format) {
    const Raster& picture = lines.written();
    const std::optional<QByteArray> bytes =
        format == ImageFormat::Bmp ? RasterFiles::bmp(picture) : RasterFiles::png(picture);
    if (!bytes) return std::nullopt; // the full program says why
    if (lines.symbolRequest()) SymbolRequests::warnOfRoundedXDimension(*lines.symbolRequest());
    const QString outPath = args.value(QStringLiteral("out"));
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
    for (const QString& warning : lines.warnings())
        Jobs::printError(QStringLiteral("warning: ") + warning);
    // The picture has standard output to itself when it goes there.
    if (lines.normalises())
        std::fprintf(PictureStreams::isStandardStream(outPath) ? stderr : stdout, "%s\n",
                     lines.drawnText().toUtf8().constData());
    return 0;
}

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
    const ImageFormat format = *CommandLine::pictureFormat(invocation);
    const std::optional<SymbolRequest> request =
        SymbolRequests::symbolRequestOf(invocation, format);
    LineDrawing lines(invocation, request, &faceTextEngine(), &printSymbolTextsInFaceOnly);
    try {
        if (const auto refusal = lines.draw(invocation.value(QStringLiteral("text"))))
            return refused(*refusal, request);
        if (const auto refusal = lines.rasterize()) return refused(*refusal, request);
    } catch (const FontUnavailable&) {
        return std::nullopt;
    }
    // Whether it decodes, when the quick look does not show it, needs the whole reading engine.
    if (!lines.quicklyDecodes()) return std::nullopt;
    return saved(invocation, lines, format);
}

} // namespace FastDraw
