#include "cli/ThermalOutput.h"

#include "cli/Jobs.h"

#include "labels/RollLabel.h"

namespace Thermal {

namespace {

using CommandLine::Invocation;

double millimetresOf(const Invocation& args, const char* option, double fallback) {
    const QString key = QLatin1String(option);
    return args.has(key) ? args.value(key).toDouble() : fallback;
}

Labels::ZplSettings settingsOf(const Invocation& args) {
    Labels::ZplSettings settings;
    settings.dotsPerInch = args.number(QStringLiteral("dpi"), 203);
    if (args.has(QStringLiteral("darkness")))
        settings.darkness = args.number(QStringLiteral("darkness"), 0);
    if (args.has(QStringLiteral("speed"))) settings.speed = args.number(QStringLiteral("speed"), 0);
    settings.media = Labels::mediaNamed(args.value(QStringLiteral("media"), QStringLiteral("gap")))
                         .value_or(Labels::Media::Gap);
    if (args.has(QStringLiteral("thermal")))
        settings.thermal = args.value(QStringLiteral("thermal")) == u"direct"
                               ? Labels::Thermal::Direct
                               : Labels::Thermal::Transfer;
    settings.graphicsOnly = args.has(QStringLiteral("zpl-graphics"));
    return settings;
}

} // namespace

std::optional<QString> misplacedOption(const Invocation& args) {
    const bool roll = args.has(QStringLiteral("label"));
    for (const char* option : {"gap", "across", "across-gap", "media"})
        if (!roll && args.has(QLatin1String(option)))
            return QStringLiteral("--%1 is for roll labels: give --label.")
                .arg(QLatin1String(option));
    const bool zpl = Jobs::wantsZpl(args);
    for (const char* option : {"dpi", "darkness", "speed", "thermal", "zpl-graphics"})
        if (!zpl && args.has(QLatin1String(option)))
            return QStringLiteral("--%1 is for ZPL: write a .zpl file, a socket:// address or "
                                  "give --format zpl.")
                .arg(QLatin1String(option));
    return std::nullopt;
}

std::variant<Labels::LabelTemplate, QString> rollOf(const Invocation& args) {
    const auto size = Labels::labelSizeOf(args.value(QStringLiteral("label")));
    if (const auto* problem = std::get_if<QString>(&size)) return *problem;
    Labels::Roll roll;
    roll.labelMm = std::get<QSizeF>(size);
    roll.media = *Labels::mediaNamed(args.value(QStringLiteral("media"), QStringLiteral("gap")));
    roll.gapMm = roll.media == Labels::Media::Continuous ? 0 : millimetresOf(args, "gap", 3);
    roll.across = args.number(QStringLiteral("across"), 1);
    roll.acrossGapMm = millimetresOf(args, "across-gap", 2);
    if (args.has(QStringLiteral("start")) && roll.across == 1)
        return QStringLiteral("--start skips used labels of the first row of a roll with "
                              "labels side by side; this roll has one label across.");
    if (roll.media == Labels::Media::Continuous && args.has(QStringLiteral("gap")))
        return QStringLiteral("Continuous media has no gap; --label gives the length to cut.");
    return Labels::rollTemplate(roll);
}

std::variant<std::unique_ptr<Labels::ZplOutput>, OutputProblem>
zplOutput(const Invocation& args, const Labels::LabelTemplate& roll) {
    for (const char* sheetOnly : {"template", "calibration-page", "outline", "offset", "scale"})
        if (args.has(QLatin1String(sheetOnly)))
            return OutputProblem{QStringLiteral("--%1 is for sheets; ZPL goes with --label.")
                                     .arg(QLatin1String(sheetOnly)),
                                 true};
    const QString out = args.value(QStringLiteral("out"));
    Labels::ZplTarget target;
    if (args.has(QStringLiteral("printer"))) {
        target.queue = args.value(QStringLiteral("printer"));
    } else if (out.startsWith(QStringLiteral("socket://"), Qt::CaseInsensitive)) {
        const auto socket = Labels::socketTarget(out);
        if (!socket)
            return OutputProblem{QStringLiteral("'%1' is no printer address: socket://HOST or "
                                                "socket://HOST:PORT.")
                                     .arg(out),
                                 true};
        target = *socket;
    } else {
        target.file = out;
    }
    auto opened =
        Labels::ZplOutput::open(target, roll, args.value(QStringLiteral("type")), settingsOf(args));
    if (auto* problem = std::get_if<QString>(&opened)) return OutputProblem{*problem, false};
    return std::move(std::get<std::unique_ptr<Labels::ZplOutput>>(opened));
}

} // namespace Thermal
