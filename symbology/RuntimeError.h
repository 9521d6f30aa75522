#pragma once

#include <QString>

#include <stdexcept>

// Why an encoder, a painter or the scanner port could not do what was asked: a kind, and the
// message that the window and the command line show as it stands.
class RuntimeError : public std::runtime_error {
  public:
    enum class Kind {
        Refused,     // the code text cannot be encoded; the message says why
        Overflow,    // a bar height past what the renderers count in
        NoValue,     // a character the symbology has no value for
        NotADigit,   // a digit was expected
        InvalidSize, // a picture size out of range
        PortFailed,  // the scanner's serial port; the system's message
    };

    RuntimeError(Kind kind, QString description);

    static RuntimeError refusal(const QString& description);
    static RuntimeError overflow();
    static RuntimeError noValue();
    static RuntimeError notADigit();
    static RuntimeError invalidSize();
    static RuntimeError portFailure(const QString& description);

    Kind kind() const { return kind_; }
    const QString& description() const { return description_; }

  private:
    Kind kind_;
    QString description_;
};
