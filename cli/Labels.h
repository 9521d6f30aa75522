#pragma once

#include "cli/CommandLine.h"

// barcode-desk-cli labels: a sheet of barcode labels from a list, on a glabels-data label
// product, as a PDF; and labels --templates, the products to choose from.
namespace LabelsCommand {

int run(const CommandLine::Invocation& args);

} // namespace LabelsCommand
