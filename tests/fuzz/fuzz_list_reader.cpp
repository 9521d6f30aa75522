// The list reader on any bytes: it ends with rows or a row-numbered error, and reads the same
// whether the bytes come all at once or a few at a time.
#include "FuzzInput.h"
#include "labels/ListReader.h"

#include <QBuffer>

#include <cstdlib>

namespace {

// Hands out the bytes a few at a time, as a pipe may.
class Trickle : public QIODevice {
  public:
    Trickle(const QByteArray& bytes, std::uint8_t step) : bytes_(bytes), step_(step % 7 + 1) {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

  protected:
    qint64 readData(char* data, qint64 size) override {
        const qint64 count = std::min({size, qint64(step_), qint64(bytes_.size() - at_)});
        std::memcpy(data, bytes_.constData() + at_, static_cast<size_t>(count));
        at_ += count;
        return count;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

  private:
    QByteArray bytes_;
    qint64 step_;
    qint64 at_ = 0;
};

QStringList readAll(QIODevice& device, Labels::ListReader::Options options) {
    Labels::ListReader reader(device, options);
    QStringList seen;
    QStringList fields;
    qint64 lastRow = 0;
    Labels::ListReader::Status status;
    while ((status = reader.next(fields)) == Labels::ListReader::Status::Row) {
        if (fields.isEmpty() || reader.rowNumber() <= lastRow) std::abort();
        lastRow = reader.rowNumber();
        seen << QString::number(lastRow) + u':' + fields.join(QChar(0));
    }
    if (status == Labels::ListReader::Status::Error) {
        if (!reader.error().startsWith(QStringLiteral("row "))) std::abort();
        seen << reader.error();
    }
    if (reader.next(fields) != status) std::abort(); // it stays where it ended
    return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    const std::uint8_t flags = input.byte();
    const std::uint8_t step = input.byte();
    Labels::ListReader::Options options;
    options.header = flags & 1;
    if (flags & 2) options.delimiter = QChar(flags & 4 ? u';' : u'\t');
    const QByteArray bytes = input.rest();
    QBuffer whole;
    whole.setData(bytes);
    whole.open(QIODevice::ReadOnly);
    Trickle trickle(bytes, step);
    if (readAll(whole, options) != readAll(trickle, options)) std::abort();
    return 0;
}
