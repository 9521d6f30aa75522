#pragma once

#include "labels/TemplateCatalog.h"

#include <QSizeF>
#include <QString>

#include <optional>
#include <variant>

// Labels on a roll, for thermal label printers: one to a few labels across, one row after the
// other with a gap (or a black mark) between rows, or continuous media cut to a length.
namespace Labels {

enum class Media { Gap, Mark, Continuous };

// Nothing is printed closer than this to a roll label's edge.
inline constexpr double kRollMarginMm = 1.0;

struct Roll {
    QSizeF labelMm;           // one label; on continuous media its length
    double gapMm = 3;         // between rows of labels, down the roll
    int across = 1;           // labels side by side
    double acrossGapMm = 2;   // between labels side by side
    Media media = Media::Gap; // how the printer finds the next label
};

// "50x30" (millimetres), "50x30mm", "4x6in": a label's width and height in millimetres, or
// why the text is none.
std::variant<QSizeF, QString> labelSizeOf(const QString& text);
// "gap", "mark" or "continuous".
std::optional<Media> mediaNamed(const QString& word);

// The roll as a label product whose sheet is one row of labels: the paper as wide as the
// labels across and as long as one label, so that every page, PDF or printed, is one row.
LabelTemplate rollTemplate(const Roll& roll);

} // namespace Labels
