#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstring>

// The fuzzer's bytes taken from the front, a field at a time; zeros once they run out.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t byte() { return size_ > 0 ? (--size_, *data_++) : 0; }
    std::int32_t int32() {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value = value << 8 | byte();
        return static_cast<std::int32_t>(value);
    }
    // The rest, as it is.
    QByteArray rest() {
        const QByteArray bytes(reinterpret_cast<const char*>(data_), static_cast<qsizetype>(size_));
        data_ += size_;
        size_ = 0;
        return bytes;
    }
    std::size_t left() const { return size_; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
};
