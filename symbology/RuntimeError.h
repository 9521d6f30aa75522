#pragma once

#include <QString>

#include <cstdint>
#include <stdexcept>

// The numbered run-time error of the classic paths (encoders, renderers, the serial port): a
// number, the name of whoever raised it and a description that the window shows as it stands.
class RuntimeError : public std::runtime_error {
  public:
    // An encoder refusing a code text carries this number (hexadecimal 80040201).
    static constexpr std::int32_t kRefusal = static_cast<std::int32_t>(0x80040201u);
    static constexpr std::int32_t kOverflow = 6;
    static constexpr std::int32_t kSubscriptOutOfRange = 9;
    static constexpr std::int32_t kTypeMismatch = 13;

    RuntimeError(std::int32_t number, QString source, QString description);

    static RuntimeError refusal(const QString& source, const QString& description);
    static RuntimeError overflow(const QString& source);
    static RuntimeError subscriptOutOfRange(const QString& source);
    static RuntimeError typeMismatch(const QString& source);

    std::int32_t number() const { return number_; }
    const QString& source() const { return source_; }
    const QString& description() const { return description_; }

  private:
    std::int32_t number_;
    QString source_;
    QString description_;
};
