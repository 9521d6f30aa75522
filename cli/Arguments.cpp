#include "Arguments.h"

Arguments::Arguments(const QStringList& words, const QStringList& switches) {
    if (words.isEmpty()) throw UsageError("no command given");
    command_ = words.front();
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString& word = words[i];
        if (!word.startsWith(QStringLiteral("--")) || word.size() < 3)
            throw UsageError(("unexpected argument: " + word).toStdString());
        const QString name = word.mid(2);
        if (switches.contains(name)) {
            values_.insert(name, QString());
            continue;
        }
        if (i + 1 >= words.size()) throw UsageError(("--" + name + " needs a value").toStdString());
        values_.insert(name, words[++i]);
    }
}

QString Arguments::required(const QString& name) const {
    if (!values_.contains(name)) throw UsageError(("--" + name + " is required").toStdString());
    return values_.value(name);
}

std::optional<QString> Arguments::optional(const QString& name) const {
    if (!values_.contains(name)) return std::nullopt;
    return values_.value(name);
}

int Arguments::integer(const QString& name, int low, int high, std::optional<int> fallback) const {
    if (!values_.contains(name)) {
        if (fallback) return *fallback;
        throw UsageError(("--" + name + " is required").toStdString());
    }
    bool ok = false;
    const int value = values_.value(name).toInt(&ok);
    if (!ok || value < low || value > high)
        throw UsageError(QStringLiteral("--%1 takes a whole number from %2 to %3")
                             .arg(name)
                             .arg(low)
                             .arg(high)
                             .toStdString());
    return value;
}

void Arguments::allowOnly(const QStringList& known) const {
    for (auto it = values_.cbegin(); it != values_.cend(); ++it)
        if (!known.contains(it.key()))
            throw UsageError(("unknown option --" + it.key()).toStdString());
}
