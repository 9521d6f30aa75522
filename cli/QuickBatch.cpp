#include "cli/QuickBatch.h"

#include "cli/BatchRun.h"
#include "cli/FullModule.h"
#include "cli/Jobs.h"
#include "cli/LineDrawing.h"
#include "cli/SymbolRequests.h"
#include "output/ImageExport.h"
#include "output/RasterFiles.h"
#include "render/FaceTextEngine.h"
#include "render/FontFace.h"
#include "render/SymbolTexts.h"
#include "symbology/Symbology.h"

#include <memory>

namespace QuickBatch {
namespace {

using ImageExport::ImageFormat;

// Draws the pictures that carry no text, writes them as the full program's batch does, and
// leaves a picture to the slow check when the quick look does not show that it decodes.
class Drawer : public BatchRun::LineDrawer {
  public:
    Drawer(const CommandLine::Invocation& args,
           std::optional<SymbolRequests::SymbolRequest> request, ImageFormat format,
           PictureStreams::FileWrite write)
        : lines_(args, std::move(request), &faceTextEngine(), &printSymbolTextsInFaceOnly),
          format_(format), write_(std::move(write)) {}

    std::optional<QString> drawAndSave(const QString& text, const QString& outPath) override {
        lastPng_.reset();
        try {
            if (const auto refusal = lines_.draw(text)) return refusal;
            if (const auto refusal = lines_.rasterize()) return refusal;
        } catch (const FontUnavailable& unavailable) {
            // The face has every character the symbologies accept: not expected.
            return QStringLiteral("The text cannot be printed: %1.")
                .arg(QString::fromUtf8(unavailable.what()));
        }
        const Raster& picture = lines_.written();
        const std::optional<QByteArray> bytes = format_ == ImageFormat::Bmp
                                                    ? RasterFiles::bmp(picture)
                                                    : RasterFiles::png(picture, true);
        lastPng_ = format_ == ImageFormat::Png ? bytes : std::nullopt;
        if (!bytes)
            return ImageExport::saveFailureMessage(outPath, ImageExport::libraryFailure(format_));
        return PictureStreams::save(
            outPath, *bytes,
            [&](const QString& path, const QByteArray& file) -> std::optional<QString> {
                if (const auto failure = write_(path, file))
                    return ImageExport::saveFailureMessage(outPath, *failure);
                return std::nullopt;
            });
    }

    BatchRun::Decoding writtenDecodes() const override {
        if (lines_.quicklyDecodes()) return true;
        // The pixels lose nothing in a PNG file.
        if (const auto png = lastPng_ ? lastPng_ : RasterFiles::png(lines_.written(), true))
            return *png;
        return false; // a side of a million pixels: not looked at further
    }

  private:
    LineDrawing lines_;
    ImageFormat format_;
    PictureStreams::FileWrite write_;
    std::optional<QByteArray> lastPng_; // the PNG file last written
};

// Whether the picture font's face prints the pictures' texts: every text but the UPC-A window
// picture's captions, whose font may be another; none when the face's file cannot be read.
bool facePrintsTexts(const CommandLine::Invocation& invocation) {
    const auto choice = symbologyChoice(invocation.value(QStringLiteral("type")));
    if (choice && choice->symbology == Symbology::UpcA && !CommandLine::asksForSymbol(invocation))
        return false;
    return FontFace::pictureFace(SymbolLayout::kFontSize) != nullptr;
}

} // namespace

bool handles(const CommandLine::Invocation& invocation) {
    if (invocation.request != CommandLine::Invocation::Request::Run ||
        invocation.command != CommandLine::Command::Batch)
        return false;
    const auto format = CommandLine::pictureFormat(invocation);
    if (!format || (*format != ImageFormat::Png && *format != ImageFormat::Bmp)) return false;
    return !Jobs::printsText(invocation) || facePrintsTexts(invocation);
}

int run(const CommandLine::Invocation& invocation, int argc, char** argv) {
    const ImageFormat format = *CommandLine::pictureFormat(invocation);
    const auto request = SymbolRequests::symbolRequestOf(invocation, format);
    std::unique_ptr<BatchRun::SlowChecks> checks;
    bool loaded = false;
    return BatchRun::run(
        invocation,
        [&](PictureStreams::FileWrite write) {
            return std::make_unique<Drawer>(invocation, request, format, std::move(write));
        },
        [&]() -> BatchRun::SlowChecks* {
            if (!loaded) {
                loaded = true;
                using Make = BatchRun::SlowChecks* (*)(int, char**);
                if (const auto make =
                        reinterpret_cast<Make>(FullModule::entry("barcode_desk_cli_slow_checks")))
                    checks.reset(make(argc, argv));
            }
            return checks.get();
        });
}

} // namespace QuickBatch
