#include "symbology/RuntimeError.h"

RuntimeError::RuntimeError(Kind kind, QString description)
    : std::runtime_error(description.toStdString()), kind_(kind),
      description_(std::move(description)) {}

RuntimeError RuntimeError::refusal(const QString& description) {
    return {Kind::Refused, description};
}

RuntimeError RuntimeError::overflow() {
    return {Kind::Overflow, QStringLiteral("Overflow")};
}

RuntimeError RuntimeError::noValue() {
    return {Kind::NoValue, QStringLiteral("Subscript out of range")};
}

RuntimeError RuntimeError::notADigit() {
    return {Kind::NotADigit, QStringLiteral("Type mismatch")};
}

RuntimeError RuntimeError::invalidSize() {
    return {Kind::InvalidSize, QStringLiteral("Invalid property value")};
}

RuntimeError RuntimeError::portFailure(const QString& description) {
    return {Kind::PortFailed, description};
}
