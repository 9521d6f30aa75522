// The type list's names and commands, the classic seven's and the newer symbologies'.
#include "app/DrawCommands.h"

#include "symbology/ZintChoices.h"

namespace DrawCommands {

const QStringList& symbologyNames() {
    static const QStringList names = [] {
        QStringList list;
        for (const SymbologyChoice& choice : kSymbologyChoices)
            list << choice.qName();
        for (const ZintChoice& choice : kZintChoices)
            list << choice.word();
        return list;
    }();
    return names;
}

Command commandFor(const QString& typeText) {
    if (Command classic = classicCommandFor(typeText)) return classic;
    if (const std::optional<ZintChoice> choice = zintChoice(typeText))
        return [choice = *choice](DrawModel& model) { drawZintChoice(model, choice); };
    return nullptr;
}

} // namespace DrawCommands
