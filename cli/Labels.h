#pragma once

#include "CommandLine.h"

#include <QList>

// barcode-desk-cli labels: a sheet of barcode labels from a list, on a glabels-data label
// product, as a PDF; and labels --templates, the products to choose from.
namespace LabelsCommand {

QList<CommandLine::OptionRow> options();
int run(const CommandLine::Invocation& args);

} // namespace LabelsCommand
