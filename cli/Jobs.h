#pragma once

#include "app/MessageBoxes.h"
#include "cli/CommandLine.h"
#include "output/ImageExport.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the command line's two halves share: the quick program that starts with Qt Core alone,
// and the full one it loads for everything else (FullProgram.cpp).
namespace Jobs {

inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;

// One line on standard error.
void printError(const QString& text);
// A command line that names something the tool does not offer: what is wrong, then the usage.
int usageProblem(const QString& message, std::optional<CommandLine::Command> command);
// Help and version, which need no application object.
int answer(const CommandLine::Invocation& invocation);

// Message boxes of the draw commands become the command's refusal.
class RecordedMessages : public MessageBoxes {
  public:
    void show(const QString& text, const QString&, MessageIcon) override { texts << text; }
    // What the boxes said, as one refusal.
    QString refusal() const;
    QStringList texts;
};

// The words after the program's name; the command line is UTF-8 whatever the locale says.
QStringList utf8Arguments(int argc, char** argv);

// SIGINT and SIGTERM ask a long job to stop at its next whole step: stopSignal() tells which
// came, 0 while none did. A save in hand goes on. When `secondSignalEnds`, a second one ends
// the program at once (a run that waits for more of its list would not look again).
void stopOnInterruption(bool secondSignalEnds);
int stopSignal();

// Whether the job prints text (fonts, so Qt Gui): a caption under the bars, the digits of a
// symbol drawn anew, the text of a vector file.
bool printsText(const CommandLine::Invocation& invocation);
// Whether labels go out as ZPL: --format zpl, an --out ending in .zpl, or a socket address.
bool wantsZpl(const CommandLine::Invocation& args);

} // namespace Jobs
