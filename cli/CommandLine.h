#pragma once

#include "output/ImageExport.h"
#include <QChar>

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

// The command line of barcode-desk-cli as data: every command with its options, parsed without
// touching the process (no exit, no printing), so that anything may be fed to it.
namespace CommandLine {

inline constexpr char kProgram[] = "barcode-desk-cli";

// The commands, in the order of commandTable().
enum class Command { Draw, Read, Batch, Verify, Labels, Types };

struct Invocation;

// Why a value does not fit an option; nullopt when it fits. The reason completes
// "--NAME takes ...", e.g. "a whole number from 1 to 12".
using ValueCheck = std::optional<QString> (*)(const QString& value);

struct OptionRow {
    QString name;        // the long name, without "--"
    QString valueName;   // shown in the help; empty for a switch
    QString description; // one line of help
    ValueCheck check = nullptr;
    bool required = false;
    QString shortName = {};     // a one-letter alias, "-h" for "--help"
    bool optionalValue = false; // the value may be left out: "--templates" or "--templates WORD"
};

// What is wrong with a combination of options that are each fine; nullopt when nothing is.
using Rule = std::optional<QString> (*)(const Invocation& invocation);

struct CommandRow {
    Command command;
    QString name;
    QString summary;
    QList<OptionRow> options;
    QList<Rule> rules = {}; // checked in order once every value fits
};

const QList<CommandRow>& commandTable();
const CommandRow& rowOf(Command command);

// A command line that makes sense: what to do and the options given, every value checked.
struct Invocation {
    enum class Request { Run, Help, Version };
    Request request = Request::Run;
    // The command to run or to explain; nullopt with Help means the program's own help.
    std::optional<Command> command;
    QHash<QString, QString> values;       // by option name; a switch maps to an empty string
    QHash<QString, QStringList> repeated; // every value of an option given more than once

    bool has(const QString& name) const { return values.contains(name); }
    QString value(const QString& name, const QString& fallback = {}) const {
        return values.value(name, fallback);
    }
    // A whole-number option, checked already; `fallback` when it is absent.
    int number(const QString& name, int fallback) const;
};

// A command line that does not: the message names the offending word.
struct UsageProblem {
    QString message;
    std::optional<Command> command; // whose usage to show; nullopt for the program's
};

// `arguments` are the words after the program name.
std::variant<Invocation, UsageProblem> parse(const QStringList& arguments);

// The picture format a draw or batch asks for: --format, else the output file's extension (a
// draw) or PNG (a batch); nullopt for a word that names none.
std::optional<ImageExport::ImageFormat> pictureFormat(const Invocation& args);
// Whether a draw or batch asks for a symbol drawn anew: a vector format, or a symbol option.
bool asksForSymbol(const Invocation& args);
// Every word --type takes with a line on what it holds, one a line.
QString typeList();

// The help of a command, or the program's own when nullopt.
QString helpText(std::optional<Command> command);
QString versionText();

// Value checks for the table.
std::optional<QString> anyWholeNumber(const QString& value);

// A list's delimiter: one character other than a quote or a line end, or "tab".
std::optional<QChar> delimiterOf(const QString& value);

template <int Low, int High> std::optional<QString> wholeNumber(const QString& value) {
    bool ok = false;
    const int number = value.toInt(&ok);
    if (ok && number >= Low && number <= High) return std::nullopt;
    return QStringLiteral("a whole number from %1 to %2").arg(Low).arg(High);
}
template <int... Allowed> std::optional<QString> oneOf(const QString& value) {
    bool ok = false;
    const int number = value.toInt(&ok);
    if (ok && ((number == Allowed) || ...)) return std::nullopt;
    QStringList words{QString::number(Allowed)...};
    const QString last = words.takeLast();
    return words.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

} // namespace CommandLine
