#include "symbology/RuntimeError.h"

RuntimeError::RuntimeError(std::int32_t number, QString source, QString description)
    : std::runtime_error(description.toStdString()), number_(number), source_(std::move(source)),
      description_(std::move(description)) {}

RuntimeError RuntimeError::refusal(const QString& source, const QString& description) {
    return {kRefusal, source, description};
}

RuntimeError RuntimeError::overflow(const QString& source) {
    return {kOverflow, source, QStringLiteral("Overflow")};
}

RuntimeError RuntimeError::subscriptOutOfRange(const QString& source) {
    return {kSubscriptOutOfRange, source, QStringLiteral("Subscript out of range")};
}

RuntimeError RuntimeError::typeMismatch(const QString& source) {
    return {kTypeMismatch, source, QStringLiteral("Type mismatch")};
}
