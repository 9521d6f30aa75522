#pragma once

#include "output/ImageExport.h"
#include "render/SymbolPicture.h"

#include <QString>

#include <optional>

// A symbol written as a vector drawing: every module exactly the X-dimension wide, the quiet
// zones included, the canvas or page exactly the symbol's size, its text kept as text.
namespace VectorExport {

enum class VectorFormat { Svg, Pdf };

// The vector format of a picture format the table marks as vector.
inline VectorFormat vectorFormatOf(ImageExport::ImageFormat format) {
    return format == ImageExport::ImageFormat::Svg ? VectorFormat::Svg : VectorFormat::Pdf;
}

inline constexpr double kDefaultXDimensionMm = 0.33;

// The drawing's file; nothing when the symbol could not be drawn.
std::optional<QByteArray> vectorSymbolBytes(const Symbol& symbol, const SymbolLayout& layout,
                                            double xDimensionMm, VectorFormat format);

// Nothing when written; otherwise why not. The file is replaced whole or left as it was.
std::optional<QString> saveVectorSymbol(const Symbol& symbol, const SymbolLayout& layout,
                                        double xDimensionMm, const QString& path,
                                        VectorFormat format);

} // namespace VectorExport
