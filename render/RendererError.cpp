#include "RendererError.h"

RendererError::RendererError(std::int32_t number, QString source, QString description)
    : std::runtime_error(description.toStdString()), number_(number), source_(std::move(source)),
      description_(std::move(description)) {}

RendererError RendererError::refusal(const QString& source, const QString& description) {
    return {kRefusal, source, description};
}

RendererError RendererError::overflow(const QString& source) {
    return {kOverflow, source, QStringLiteral("Overflow")};
}

RendererError RendererError::subscriptOutOfRange(const QString& source) {
    return {kSubscriptOutOfRange, source, QStringLiteral("Subscript out of range")};
}

RendererError RendererError::typeMismatch(const QString& source) {
    return {kTypeMismatch, source, QStringLiteral("Type mismatch")};
}
