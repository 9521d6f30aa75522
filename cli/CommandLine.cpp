#include "cli/CommandLine.h"

#include "app/DrawCommands.h"
#include "cli/TypeNames.h"
#include "labels/PrinterCorrections.h"
#include "output/ImageExport.h"
#include "symbology/Gs1DigitalLink.h"
#include "symbology/Symbology.h"
#include "symbology/ZintChoices.h"

#include <QFileInfo>

#include <QCommandLineParser>

#include <cmath>

namespace CommandLine {

namespace {

QString classicTypeNames() {
    QStringList names;
    for (const SymbologyChoice& choice : kSymbologyChoices)
        names << choice.qName();
    return names.join(QStringLiteral(", "));
}

QString typeNames() {
    return TypeNames::all().join(QStringLiteral(", "));
}

QString orList(QStringList words) {
    const QString last = words.takeLast();
    return words.isEmpty() ? last
                           : words.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

// A value near one or more names, with the advice on the two names of EAN and UPC-A when it
// could be either.
QString didYouMean(const QString& option, const QString& value, const QStringList& meant) {
    QString text =
        QStringLiteral("--%1 takes no '%2'; did you mean %3?").arg(option, value, orList(meant));
    const auto advice = TypeNames::twinAdvice(meant.front());
    if (meant.size() == 2 && advice && advice == TypeNames::twinAdvice(meant.back()))
        text += QStringLiteral(" ") + *advice + u'.';
    return text;
}

std::optional<QString> knownType(const QString& value) {
    if (symbologyChoice(value) || zintChoice(value)) return std::nullopt;
    return QStringLiteral("one of ") + typeNames();
}

template <const char* const* Words, std::size_t Count>
std::optional<QString> oneWordOf(const QString& value) {
    QStringList words;
    for (std::size_t i = 0; i < Count; ++i)
        words << QString::fromLatin1(Words[i]);
    if (words.contains(value)) return std::nullopt;
    return orList(words);
}
constexpr const char* kEccLevels[] = {"L", "M", "Q", "H"};
constexpr const char* kPrinterDots[] = {"152", "203", "300", "600"};
constexpr const char* kMediaKinds[] = {"gap", "mark", "continuous"};
constexpr const char* kThermalKinds[] = {"direct", "transfer"};
constexpr const char* kLabelFormats[] = {"pdf", "zpl"};
constexpr const char* kBearerKinds[] = {"frame", "bars", "none"};

std::optional<QString> digitalLinkDomain(const QString& value) {
    if (!gs1::digitalLinkDomainProblem(value.toStdString())) return std::nullopt;
    return QStringLiteral("a scheme and a host with any path, as https://example.com/stem");
}

bool drawsQr(const Invocation& args) {
    const auto choice = zintChoice(args.value(QStringLiteral("type")));
    return choice &&
           (choice->type == zintsym::ZintType::Qr || choice->type == zintsym::ZintType::Gs1Qr ||
            choice->type == zintsym::ZintType::DigitalLink);
}

QString formatWords() {
    QStringList words;
    for (const ImageExport::FormatEntry& entry : ImageExport::formatTable())
        words << QString::fromLatin1(entry.word);
    return words.join(QStringLiteral(", "));
}

std::optional<QString> knownFormat(const QString& value) {
    if (ImageExport::formatFromWord(value)) return std::nullopt;
    return QStringLiteral("one of ") + formatWords();
}

// Millimetres from 0.01 to 25, as a decimal number with a point.
std::optional<QString> millimetres(const QString& value) {
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (ok && number >= 0.01 && number <= 25) return std::nullopt;
    return QStringLiteral("millimetres from 0.01 to 25");
}

// Millimetres from 0 to 50: a gap between labels.
std::optional<QString> gapMillimetres(const QString& value) {
    bool ok = false;
    const double number = value.toDouble(&ok);
    if (ok && number >= 0 && number <= 50) return std::nullopt;
    return QStringLiteral("millimetres from 0 to 50");
}

std::optional<QString> lightWord(const QString& value) {
    if (value == u"red" || value == u"grey") return std::nullopt;
    return QStringLiteral("red or grey");
}

std::optional<QString> reportFile(const QString& value) {
    if (value.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive) ||
        value.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive))
        return std::nullopt;
    return QStringLiteral("a file name ending in .pdf or .svg");
}

// Two numbers from Low to High, "X,Y".
template <int Low, int High> std::optional<QString> numberPairWithin(const QString& value) {
    const auto pair = Labels::numberPair(value);
    if (pair && pair->x() >= Low && pair->x() <= High && pair->y() >= Low && pair->y() <= High)
        return std::nullopt;
    return QStringLiteral("two numbers from %1 to %2 with a comma between").arg(Low).arg(High);
}

std::optional<QString> scaleFactors(const QString& value) {
    const auto pair = Labels::numberPair(value);
    if (pair && pair->x() >= 0.5 && pair->x() <= 2 && pair->y() >= 0.5 && pair->y() <= 2)
        return std::nullopt;
    return QStringLiteral("two factors from 0.5 to 2 with a comma between");
}

std::optional<QString> oneDelimiter(const QString& value) {
    if (delimiterOf(value)) return std::nullopt;
    return QStringLiteral("one character other than a quote, or tab");
}

// A picture drawn anew from the symbol instead of the window's stretched output picture.
const QList<OptionRow>& symbolPictureOptions() {
    static const QList<OptionRow> options = {
        {"scale", "N",
         "Draws the symbol anew with N whole pixels per module, 1 to 20, quiet zones included "
         "(labels' --scale is a printer's correction instead).",
         wholeNumber<1, 20>},
        {"bar-height", "H",
         "The bar height in modules (default 50 for Code 39 and 128, 69 for EAN-13 and UPC-A, 55 "
         "for EAN-8); EAN and UPC-A guard bars reach 5 modules lower.",
         wholeNumber<1, 1000>},
        {"quiet-zone", "M", "Light modules on each side (default: what the symbology asks for).",
         wholeNumber<0, 100>},
        {"xdim", "MM",
         "The module width in millimetres: with --dpi for a printer's picture, or the exact "
         "width in an svg or pdf (default 0.33).",
         millimetres},
        {"dpi", "D",
         "The printer's dots per inch: whole dots per module nearest to --xdim, recorded in "
         "the file.",
         wholeNumber<1, 9600>},
    };
    return options;
}

bool vectorFormat(const Invocation& args) {
    const auto format = pictureFormat(args);
    return format && ImageExport::entryOf(*format).vector;
}

bool asksForSymbolPicture(const Invocation& args) {
    return std::any_of(symbolPictureOptions().begin(), symbolPictureOptions().end(),
                       [&](const OptionRow& option) { return args.has(option.name); });
}

// The combinations of draw and batch options that do not go together, in the order they are
// looked at.
const QList<Rule> kPictureRules = {
    [](const Invocation& args) -> std::optional<QString> {
        if (args.value(QStringLiteral("out")) != u'-' || args.has(QStringLiteral("format")))
            return std::nullopt;
        return QStringLiteral("--out - needs --format.");
    },
    [](const Invocation& args) -> std::optional<QString> {
        if (pictureFormat(args)) return std::nullopt;
        return QStringLiteral("Unknown picture format '%1'; --format names one.")
            .arg(args.value(QStringLiteral("format"),
                            QFileInfo(args.value(QStringLiteral("out"))).suffix()));
    },
    [](const Invocation& args) -> std::optional<QString> {
        if (!vectorFormat(args) && !asksForSymbolPicture(args)) return std::nullopt;
        for (const char* windowOption : {"raw", "width", "height"})
            if (args.has(QLatin1String(windowOption)))
                return QStringLiteral(
                           "--%1 sizes the window's picture; it does not go with --scale, "
                           "--bar-height, --quiet-zone, --xdim, --dpi, svg or pdf.")
                    .arg(QLatin1String(windowOption));
        return std::nullopt;
    },
    [](const Invocation& args) -> std::optional<QString> {
        if (!vectorFormat(args) || !(args.has(QStringLiteral("scale")) || args.has("dpi")))
            return std::nullopt;
        return QStringLiteral("An svg or pdf takes its size from --xdim, not --scale or --dpi.");
    },
    [](const Invocation& args) -> std::optional<QString> {
        if (vectorFormat(args) || !args.has(QStringLiteral("scale")) || !args.has("dpi"))
            return std::nullopt;
        return QStringLiteral("--scale and --dpi both size the modules; give one.");
    },
    [](const Invocation& args) -> std::optional<QString> {
        if (vectorFormat(args) || !args.has(QStringLiteral("xdim")) || args.has("dpi"))
            return std::nullopt;
        return QStringLiteral("--xdim needs --dpi for a picture of pixels.");
    },
    [](const Invocation& args) -> std::optional<QString> {
        if (!args.has(QStringLiteral("ecc")) || drawsQr(args)) return std::nullopt;
        return QStringLiteral("--ecc goes with --type qr, gs1-qr or digital-link.");
    },
    [](const Invocation& args) -> std::optional<QString> {
        if (!args.has(QStringLiteral("dl-domain")) ||
            args.value(QStringLiteral("type")) == u"digital-link")
            return std::nullopt;
        return QStringLiteral("--dl-domain goes with --type digital-link.");
    },
    [](const Invocation& args) -> std::optional<QString> {
        if (!args.has(QStringLiteral("bearer")) || args.value(QStringLiteral("type")) == u"itf14")
            return std::nullopt;
        return QStringLiteral("--bearer goes with --type itf14.");
    },
};

OptionRow required(OptionRow option) {
    option.required = true;
    return option;
}

// A new option is a row in its commands' lists (with a value check where it takes one); a new
// command is a Command value, a row here and a case in the program's dispatch.
QList<CommandRow> buildCommandTable() {
    OptionRow type{"type", "TYPE",
                   "The symbology: " + classicTypeNames() +
                       ", or one of the newer ones 'barcode-desk-cli types' lists. EAN13, EAN8 "
                       "and UPC-A take digits as the window does, filled with 0s or cut; "
                       "ean13, ean8 and upca take them as printed, with add-ons. Case, hyphens "
                       "and spaces may differ where that leaves one name (QR, GS1-128).",
                   knownType};
    type.resolve = TypeNames::resolve;
    const QList<OptionRow> zintOptions = {
        {"ecc", "L|M|Q|H", "QR Code's error correction level (default M).",
         oneWordOf<kEccLevels, std::size(kEccLevels)>},
        {"bearer", "KIND", "ITF-14's bearer bars: frame, bars or none (default frame).",
         oneWordOf<kBearerKinds, std::size(kBearerKinds)>},
        {"dl-domain", "URL",
         "The domain a Digital Link's element strings are built on, with any path (default "
         "https://id.gs1.org).",
         digitalLinkDomain},
    };
    const OptionRow raw{"raw", "",
                        "The work picture as the renderer left it, one pixel per module; "
                        "without it, the output picture as the window shows it after a Draw."};
    const OptionRow width{"width", "N", "The width slider, 1 to 50 (default 50).",
                          wholeNumber<1, DrawModel::kWidthMax>};
    const OptionRow height{"height", "N",
                           "The height slider, 0 to 160 (default 150; above 150 counts as 150).",
                           wholeNumber<0, DrawModel::kHeightMax>};
    const auto format = [](const QString& fallback) {
        return OptionRow{"format", "FMT",
                         "The picture format: " + formatWords() + " (default: " + fallback + ").",
                         knownFormat};
    };
    return {
        {Command::Draw, "draw",
         "Draws one barcode into a picture file. EAN13, EAN8 and UPC-A print the code text "
         "they drew (on standard error when the picture goes to standard output).",
         QList<OptionRow>({required(type), required({"text", "TEXT", "The code text."}),
                           required({"out", "FILE",
                                     "The picture file; - for standard output (needs --format)."}),
                           format("from FILE's extension"), raw, width, height}) +
             symbolPictureOptions() + zintOptions,
         kPictureRules},
        {Command::Read,
         "read",
         "Reads a Code 39 barcode along a pixel row, from a point left of its first bar, and "
         "prints its text (exit 0) or why it could not (exit 1).",
         {required({"in", "FILE", "The picture; - for standard input."}),
          required({"x", "X", "The column to start from, left of the first bar.", anyWholeNumber}),
          required({"y", "Y", "The pixel row to read along.", anyWholeNumber}),
          {"tries", "N", "How many rows to try, from Y downward: 1 to 12 (default 1).",
           wholeNumber<1, 12>},
          {"mode", "M",
           "What a failed read prints: 3 the ERR: text, 0 an empty line, 1 \"Error\" "
           "(default 3).",
           oneOf<0, 1, 3>}}},
        {Command::Batch, "batch",
         "Draws one barcode per line of a list into DIR/000001.FMT, DIR/000002.FMT, ... "
         "numbered by line.",
         QList<OptionRow>(
             {required(type),
              required(
                  {"in", "LIST", "The code texts, one per line (UTF-8); - for standard input."}),
              required({"out-dir", "DIR", "The folder for the pictures; made when missing."}),
              format("png"), raw, width, height}) +
             symbolPictureOptions() + zintOptions,
         kPictureRules},
        {Command::Verify,
         "verify",
         "Grades every barcode in a picture as a barcode verifier would (A to F) and prints the "
         "grades; exit 0 when one or more are found and each grades C or better, 1 otherwise.",
         {required({"in", "FILE",
                    "The picture; - for standard input. Given more than once, each picture of "
                    "one print is graded and a symbol found in all of them gets their mean."}),
          {"json", "", "Prints one JSON object instead of text."},
          {"light", "LIGHT",
           "The light the reflectances are measured in: red (660 nm, a colour picture's red "
           "channel; the default) or grey (white light).",
           lightWord},
          {"aperture", "MM",
           "The measuring aperture's diameter in millimetres at the picture's resolution "
           "(default: 0.8 times the X-dimension measured, or GS1's with --dpi).",
           millimetres},
          {"dpi", "N",
           "The picture's true resolution in dots per inch, 50 to 9600, as a scanner took it (a "
           "file's own is not trusted): apertures then follow GS1's rules, 0.15 mm for EAN and "
           "UPC, 0.25 mm for ITF-14 and GS1-128 from an X-dimension of 0.495 mm.",
           wholeNumber<50, 9600>},
          {"thorough", "",
           "Also looks for linear symbols with the verifier's own reference decodes where the "
           "reading engine found some (it always does where the engine finds no symbol)."},
          {"report", "FILE",
           "Also writes a one-page report on the first symbol (.pdf or .svg): the picture with "
           "the scan lines, the worst line's profile and every line's measurements.",
           reportFile}}},
        {Command::Labels,
         "labels",
         "Draws barcode labels, one per row of a list, on a label product of glabels-data or "
         "a roll, as a PDF, on a printer, or as ZPL for a thermal printer.",
         {
             {"list", "FILE",
              "The list: CSV or TSV, UTF-8, one label per row; - for standard input. Quoted "
              "fields may hold delimiters, doubled quotes and line breaks."},
             {"template", "NAME",
              "The label product as glabels-data names it, brand and part (\"Avery L7160\"), or a "
              "glabels template file."},
             type,
             {"column", "NAME|N",
              "The column of the codes: a header name (with --header) or a number from 1 (default "
              "1)."},
             {"text-columns", "A,B",
              "Columns printed as text lines under the symbol, names or numbers (default: every "
              "other column)."},
             {"header", "", "The first row names the columns."},
             {"delimiter", "C",
              "The field delimiter, one character or tab (default: the most frequent of tab, comma "
              "and semicolon in the first row).",
              oneDelimiter},
             {"start", "N", "The first free label of the first sheet, from 1 in reading order.",
              wholeNumber<1, 100000>},
             {"copies", "N", "Labels per row, 1 to 1000 (default 1).", wholeNumber<1, 1000>},
             {"out", "FILE",
              "The PDF of the sheets, a .zpl file, or socket://HOST[:PORT] (default port 9100) "
              "for a thermal printer's raw port."},
             {"printer", "NAME",
              "Prints the sheets on the CUPS printer NAME at its resolution instead (with --format "
              "zpl: ZPL as a raw job); --offset and --scale given with it are remembered for it."},
             {"calibration-page", "",
              "Draws one page with crosshairs at every label's corners and millimetre rulers, to "
              "measure a printer's offset and scale by; needs only --template and --out or "
              "--printer."},
             {"xdim", "MM",
              "The module width in millimetres, rounded to whole printer dots (default: the "
              "largest that fits the label, within the symbology's range).",
              millimetres},
             {"offset", "X,Y", "Moves everything X mm right and Y mm down, for a printer's offset.",
              numberPairWithin<-50, 50>},
             {"scale", "SX,SY",
              "A printer's correction: stretches positions and labels from the paper's top left "
              "corner (draw's --scale is whole pixels per module instead).",
              scaleFactors},
             {"outline", "", "Draws each label's outline."},
             {"label", "WxH",
              "A roll label instead of a sheet product: width x height in mm (50x30), or in "
              "inches (4x6in); on continuous media the length to cut."},
             {"gap", "MM", "The gap between labels down the roll (default 3).", gapMillimetres},
             {"across", "N", "Labels side by side on the roll, 1 to 10 (default 1).",
              wholeNumber<1, 10>},
             {"across-gap", "MM", "The gap between labels side by side (default 2).",
              gapMillimetres},
             {"media", "KIND",
              "How the printer finds the next label: gap (default), mark or continuous.",
              oneWordOf<kMediaKinds, std::size(kMediaKinds)>},
             {"format", "FMT",
              "pdf, or zpl for a thermal printer's own language (default: zpl for an --out "
              "ending in .zpl or a socket:// address).",
              oneWordOf<kLabelFormats, std::size(kLabelFormats)>},
             {"dpi", "D",
              "The thermal printer's resolution for ZPL: 152, 203 (default), 300 or 600.",
              oneWordOf<kPrinterDots, std::size(kPrinterDots)>},
             {"darkness", "N", "ZPL: the print darkness, 0 to 30 (~SD).", wholeNumber<0, 30>},
             {"speed", "IPS", "ZPL: the print speed in inches per second, 1 to 14 (^PR).",
              wholeNumber<1, 14>},
             {"thermal", "KIND", "ZPL: direct (thermal paper) or transfer (with a ribbon).",
              oneWordOf<kThermalKinds, std::size(kThermalKinds)>},
             {"zpl-graphics", "",
              "ZPL: every symbol as a bitmap at the printer's dots, for firmware that lacks a "
              "barcode command."},
             {"design", "FILE",
              "A gLabels 3 or 4 design (.glabels): its template, text, shapes, pictures and "
              "barcodes filled in from its own list or --list; takes the place of --type."},
             {"layout", "FILE",
              "A design in Barcode Desk's own lines (text, barcode, box, line, ellipse, image; "
              "millimetres), as the README's \"Label designs\" describes."},
             {"skip-bad", "", "Leaves out refused rows and writes the others."},
             {"strict", "",
              "Refuses (exit 1, nothing written) when a symbol grades below C in the scan check."},
             {"templates",
              "WORD",
              "Lists the label products whose brand, part or description contain WORD (optional), "
              "and nothing else.",
              nullptr,
              false,
              {},
              true},
         }},
        {Command::Types,
         "types",
         "Lists the symbologies --type takes, each with a line on what it holds.",
         {}},
    };
}

const CommandRow* findCommand(const QString& name) {
    for (const CommandRow& row : commandTable())
        if (row.name == name) return &row;
    return nullptr;
}

// -h/--help and -v/--version mean the same before and after the command word.
const OptionRow kHelp{"help", "", "Shows this help and exits.", nullptr, false, "h"};
const OptionRow kVersion{"version", "", "Shows the version and exits.", nullptr, false, "v"};

void addOptions(QCommandLineParser& parser, const QList<OptionRow>& options) {
    for (const OptionRow& option : options + QList{kHelp, kVersion}) {
        QStringList names{option.name};
        if (!option.shortName.isEmpty()) names.prepend(option.shortName);
        parser.addOption(QCommandLineOption(names, option.description, option.valueName));
    }
}

// An option whose value may be left out takes the next word only when it is no option.
QStringList withOptionalValues(const CommandRow& row, QStringList words) {
    for (const OptionRow& option : row.options) {
        if (!option.optionalValue) continue;
        const QString name = QStringLiteral("--") + option.name;
        for (qsizetype i = 0; i < words.size(); ++i) {
            if (words[i] != name) continue;
            const bool valueFollows = i + 1 < words.size() && !words[i + 1].startsWith(u'-');
            words[i] = name + u'=' + (valueFollows ? words.takeAt(i + 1) : QString());
        }
    }
    return words;
}

std::variant<Invocation, UsageProblem> parseCommand(const CommandRow& row,
                                                    const QStringList& words) {
    QCommandLineParser parser;
    addOptions(parser, row.options);
    if (!parser.parse(QStringList{QString::fromLatin1(kProgram)} + withOptionalValues(row, words)))
        return UsageProblem{parser.errorText(), row.command};
    Invocation invocation;
    invocation.command = row.command;
    if (parser.isSet(kHelp.name)) {
        invocation.request = Invocation::Request::Help;
        return invocation;
    }
    if (parser.isSet(kVersion.name)) {
        invocation.request = Invocation::Request::Version;
        return invocation;
    }
    if (!parser.positionalArguments().isEmpty())
        return UsageProblem{
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().front()),
            row.command};
    for (const OptionRow& option : row.options) {
        if (!parser.isSet(option.name)) {
            if (option.required)
                return UsageProblem{QStringLiteral("--%1 is required.").arg(option.name),
                                    row.command};
            continue;
        }
        QString value = option.valueName.isEmpty() ? QString() : parser.value(option.name);
        if (option.resolve) {
            auto resolved = option.resolve(value);
            if (auto* meant = std::get_if<QStringList>(&resolved); meant && !meant->isEmpty())
                return UsageProblem{didYouMean(option.name, value, *meant), row.command};
            if (auto* name = std::get_if<QString>(&resolved)) value = *name;
        }
        if (option.check)
            if (const auto wanted = option.check(value))
                return UsageProblem{
                    QStringLiteral("--%1 takes %2, not '%3'.").arg(option.name, *wanted, value),
                    row.command};
        invocation.values.insert(option.name, value);
        if (!option.valueName.isEmpty())
            invocation.repeated.insert(option.name, parser.values(option.name));
    }
    for (const Rule rule : row.rules)
        if (const auto problem = rule(invocation)) return UsageProblem{*problem, row.command};
    return invocation;
}

constexpr qsizetype kLineWidth = 79;

// The words of `text` in lines of at most kLineWidth, every line indented by `indent`.
QString wrapped(const QString& text, qsizetype indent) {
    QString lines, line;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > kLineWidth) {
            lines += QString(indent, u' ') + line + u'\n';
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    return lines + QString(indent, u' ') + line + u'\n';
}

// One option a line, the descriptions in a column of their own. QCommandLineParser's own help
// would show a one-letter option such as --x as -x.
QString optionList(const QList<OptionRow>& options) {
    const auto synopsis = [](const OptionRow& option) {
        QString text = QStringLiteral("  --") + option.name;
        if (!option.shortName.isEmpty())
            text = QStringLiteral("  -%1, --%2").arg(option.shortName, option.name);
        if (!option.valueName.isEmpty()) text += QStringLiteral(" <%1>").arg(option.valueName);
        return text;
    };
    qsizetype column = 0;
    for (const OptionRow& option : options)
        column = std::max(column, synopsis(option).size() + 2);
    QString text;
    for (const OptionRow& option : options)
        text += synopsis(option).leftJustified(column) +
                wrapped(option.description, column).mid(column);
    return text;
}

QString commandList() {
    QString text = QStringLiteral("\nCommands:\n");
    for (const CommandRow& row : commandTable())
        text += QStringLiteral("  %1").arg(row.name, -8) + wrapped(row.summary, 10).mid(10);
    return text;
}

} // namespace

std::optional<ImageExport::ImageFormat> pictureFormat(const Invocation& args) {
    const QString fallback = args.command == Command::Batch
                                 ? QStringLiteral("png")
                                 : QFileInfo(args.value(QStringLiteral("out"))).suffix();
    return ImageExport::formatFromWord(args.value(QStringLiteral("format"), fallback));
}

bool asksForSymbol(const Invocation& args) {
    return vectorFormat(args) || asksForSymbolPicture(args);
}

QString typeList() {
    QString text;
    for (const SymbologyChoice& choice : kSymbologyChoices)
        text +=
            choice.qName().leftJustified(16) +
            QString::fromLatin1(choice.description.data(), qsizetype(choice.description.size())) +
            u'\n';
    for (const ZintChoice& choice : kZintChoices)
        text +=
            choice.word().leftJustified(16) +
            QString::fromLatin1(choice.description.data(), qsizetype(choice.description.size())) +
            u'\n';
    return text + QStringLiteral(
                      "\nEAN13, EAN8 and UPC-A draw what the window draws, digits filled with 0s "
                      "or cut; for product codes as printed, or add-ons, use ean13, ean8 and "
                      "upca. Case, hyphens and spaces may differ where that leaves one name.\n");
}

const QList<CommandRow>& commandTable() {
    static const QList<CommandRow> table = buildCommandTable();
    // rowOf() finds a command by its place in the table.
    for (qsizetype i = 0; i < table.size(); ++i)
        Q_ASSERT(table[i].command == static_cast<Command>(i));
    return table;
}

const CommandRow& rowOf(Command command) {
    return commandTable().at(static_cast<qsizetype>(command));
}

int Invocation::number(const QString& name, int fallback) const {
    return values.contains(name) ? values.value(name).toInt() : fallback;
}

std::optional<QString> anyWholeNumber(const QString& value) {
    bool ok = false;
    value.toInt(&ok);
    if (ok) return std::nullopt;
    return QStringLiteral("a whole number");
}

std::optional<QChar> delimiterOf(const QString& value) {
    if (value.compare(QStringLiteral("tab"), Qt::CaseInsensitive) == 0 || value == u"\\t")
        return QChar(u'\t');
    if (value.size() == 1 && value[0] != u'"' && value[0] != u'\n' && value[0] != u'\r')
        return value[0];
    return std::nullopt;
}

std::variant<Invocation, UsageProblem> parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    addOptions(parser, {});
    if (!parser.parse(QStringList{QString::fromLatin1(kProgram)} + arguments))
        return UsageProblem{parser.errorText(), std::nullopt};
    QStringList words = parser.positionalArguments();
    Invocation invocation;
    if (parser.isSet(kHelp.name)) invocation.request = Invocation::Request::Help;
    if (parser.isSet(kVersion.name)) invocation.request = Invocation::Request::Version;
    if (invocation.request != Invocation::Request::Run && words.isEmpty()) return invocation;
    if (words.isEmpty()) return UsageProblem{QStringLiteral("No command given."), std::nullopt};
    const QString name = words.takeFirst();
    if (name == u"help") { // "help" and "help COMMAND"
        invocation.request = Invocation::Request::Help;
        if (words.size() > 1)
            return UsageProblem{QStringLiteral("Unexpected argument '%1'.").arg(words[1]),
                                std::nullopt};
        if (words.isEmpty()) return invocation;
        const CommandRow* row = findCommand(words.front());
        if (!row)
            return UsageProblem{QStringLiteral("Unknown command '%1'.").arg(words.front()),
                                std::nullopt};
        invocation.command = row->command;
        return invocation;
    }
    const CommandRow* row = findCommand(name);
    if (!row) return UsageProblem{QStringLiteral("Unknown command '%1'.").arg(name), std::nullopt};
    if (invocation.request != Invocation::Request::Run) {
        invocation.command = row->command;
        return invocation;
    }
    return parseCommand(*row, words);
}

QString helpText(std::optional<Command> command) {
    const QString program = QString::fromLatin1(kProgram);
    if (!command)
        return QStringLiteral("Usage: %1 COMMAND [options]\n"
                              "Draws, reads, batch-draws and grades barcodes and prints label "
                              "sheets, without a display.\n")
                   .arg(program) +
               commandList() + QStringLiteral("\nOptions:\n") + optionList({kHelp, kVersion}) +
               QStringLiteral("\n'%1 COMMAND --help' explains a command's options.\n").arg(program);
    const CommandRow& row = rowOf(*command);
    return QStringLiteral("Usage: %1 %2 [options]\n").arg(program, row.name) +
           wrapped(row.summary, 0) + QStringLiteral("\nOptions:\n") +
           optionList(row.options + QList{kHelp, kVersion});
}

QString versionText() {
    return QStringLiteral("%1 %2\n").arg(QString::fromLatin1(kProgram),
                                         QStringLiteral(BARCODE_DESK_VERSION));
}

} // namespace CommandLine
