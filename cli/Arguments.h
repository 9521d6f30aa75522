#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

// A usage error: the command line asked for something the tool does not offer.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "--name value" options and "--flag" switches after the command word.
class Arguments {
  public:
    Arguments(const QStringList& words, const QStringList& switches);

    const QString& command() const { return command_; }
    bool has(const QString& name) const { return values_.contains(name); }
    QString required(const QString& name) const;
    std::optional<QString> optional(const QString& name) const;
    // A whole number within [low, high]; `fallback` when the option is absent.
    int integer(const QString& name, int low, int high, std::optional<int> fallback) const;
    // Throws for any option not in `known`.
    void allowOnly(const QStringList& known) const;

  private:
    QString command_;
    QMap<QString, QString> values_;
};
