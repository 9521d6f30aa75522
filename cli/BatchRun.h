#pragma once

#include "cli/CommandLine.h"
#include "cli/PictureStreams.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

// barcode-desk-cli batch: every line of a list drawn into a picture of its own in a folder, one
// worker per core, refused lines and pictures that do not decode reported in line order. Each
// half of the program runs it with its own drawer: the quick one for the pictures it draws with
// Qt Core alone, the full one for every other.
namespace BatchRun {

// What the scan check says of a picture just written: whether it decodes, or the picture as a
// PNG file for SlowChecks to settle (a few kilobytes, where the pixels could take hundreds).
using Decoding = std::variant<bool, QByteArray>;

// Draws line after line, for one worker.
class LineDrawer {
  public:
    virtual ~LineDrawer() = default;
    // Draws the text and hands the file's bytes for the path to the worker's writer; the
    // reason when the text was refused or the file could not be written.
    virtual std::optional<QString> drawAndSave(const QString& text, const QString& outPath) = 0;
    // Whether the picture last written decodes.
    virtual Decoding writtenDecodes() const = 0;
};

// A worker's drawer, writing through the worker's writer.
using DrawerFactory = std::function<std::unique_ptr<LineDrawer>(PictureStreams::FileWrite)>;

// A written picture whose decoding the drawer left open, by the index of its line.
struct Unsettled {
    qsizetype line;
    QByteArray png;
};

// The checks that need the whole reading engine, and Qt Gui: the full program's.
class SlowChecks {
  public:
    virtual ~SlowChecks() = default;
    // Whether each picture decodes, in their order.
    virtual std::vector<char> decode(const std::vector<Unsettled>& pictures) = 0;
    // The warning for a line whose picture does not decode, without its "warning: ".
    virtual QString undecodableWarning(const QString& text) = 0;
};

// How many workers draw or check at once: one per core, at most eight.
unsigned workers();

// Runs the batch the command line asks for; its exit status. `slowChecks` is asked only when
// there is a picture to settle or a warning to give; null when they cannot be had, which it
// has said, and the batch fails with its pictures written.
int run(const CommandLine::Invocation& args, const DrawerFactory& makeDrawer,
        const std::function<SlowChecks*()>& slowChecks);

} // namespace BatchRun
