#include "labels/ListReader.h"

#include <QIODevice>

#include <algorithm>

namespace Labels {

namespace {

constexpr qint64 kChunk = 64 * 1024;

// Where the bytes stop being whole UTF-8 characters: a character cut by the chunk's end waits
// for the next chunk rather than being taken for a wrong byte.
qsizetype wholeCharactersEnd(const QByteArray& bytes) {
    const qsizetype size = bytes.size();
    for (qsizetype back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(bytes[size - back]);
        if ((byte & 0xC0) == 0x80) continue; // a continuation byte: look further back
        const int length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return length > back ? size - back : size;
    }
    return size;
}

// How many of the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
qsizetype validUtf8Prefix(QByteArrayView bytes) {
    qsizetype i = 0;
    const qsizetype size = bytes.size();
    while (i < size) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        int length = 1;
        unsigned char low = 0x80, high = 0xBF; // the second byte's range
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return i;
        }
        if (i + length > size) return i;
        for (int k = 1; k < length; ++k) {
            const auto byte = static_cast<unsigned char>(bytes[i + k]);
            if (byte < (k == 1 ? low : 0x80) || byte > (k == 1 ? high : 0xBF)) return i;
        }
        i += length;
    }
    return i;
}

} // namespace

ListReader::ListReader(QIODevice& device, Options options)
    : device_(device), delimiter_(options.delimiter), wantsHeader_(options.header) {}

bool ListReader::fill() {
    if (atEnd_) return false;
    buffer_.remove(0, pos_);
    pos_ = 0;
    const qsizetype before = buffer_.size();
    while (buffer_.size() == before && !atEnd_) {
        const QByteArray chunk = device_.read(kChunk);
        pending_ += chunk;
        if (chunk.isEmpty()) atEnd_ = true;
        // At the end a cut character is a wrong one; before it, it waits for the next chunk.
        const qsizetype whole = atEnd_ ? pending_.size() : wholeCharactersEnd(pending_);
        const qsizetype valid = validUtf8Prefix(QByteArrayView(pending_).first(whole));
        buffer_ += decoder_.decode(QByteArrayView(pending_).first(valid));
        pending_.remove(0, valid);
        // The text stops before a wrong byte; the row that reaches it fails.
        if (valid < whole) {
            invalidText_ = true;
            atEnd_ = true;
        }
    }
    return buffer_.size() > before;
}

bool ListReader::peek(QChar& c) {
    if (pos_ >= buffer_.size() && !fill()) return false;
    c = buffer_[pos_];
    return true;
}

void ListReader::detectDelimiter() {
    // The first line, outside quotes, decides: the most frequent of tab, comma and semicolon.
    int tabs = 0, commas = 0, semicolons = 0;
    bool quoted = false;
    for (qsizetype i = pos_;; ++i) {
        if (i >= buffer_.size()) {
            const qsizetype seen = i - pos_;
            if (seen > kMaxRowChars || !fill()) break;
            i = pos_ + seen; // fill() moved the unread text to the front
            if (i >= buffer_.size()) break;
        }
        const QChar c = buffer_[i];
        if (c == u'"') quoted = !quoted;
        if (quoted) continue;
        if (c == u'\n' || c == u'\r') break;
        tabs += c == u'\t';
        commas += c == u',';
        semicolons += c == u';';
    }
    if (tabs > 0 && tabs >= commas && tabs >= semicolons)
        delimiter_ = u'\t';
    else if (semicolons > commas)
        delimiter_ = u';';
    else
        delimiter_ = u',';
}

ListReader::Status ListReader::fail(const QString& message) {
    error_ = QStringLiteral("row %1: %2").arg(row_).arg(message);
    state_ = Status::Error;
    return state_;
}

ListReader::Status ListReader::readRecord(QStringList& fields, bool& empty) {
    fields.clear();
    empty = true;
    QChar c;
    if (!peek(c)) {
        if (!invalidText_) return Status::End;
        ++row_;
        return fail(QStringLiteral("the list is not UTF-8 text"));
    }
    if (!delimiter_) detectDelimiter();
    const QChar delimiter = *delimiter_;
    ++row_;
    QString field;
    bool inQuotes = false, afterQuote = false;
    qint64 quoteLine = 0;
    qsizetype total = 0;
    for (;;) {
        if (!peek(c)) {
            if (invalidText_) return fail(QStringLiteral("the list is not UTF-8 text"));
            if (inQuotes)
                return fail(
                    QStringLiteral("the quote opened on line %1 is never closed").arg(quoteLine));
            fields << field;
            return Status::Row;
        }
        ++pos_;
        if (++total > kMaxRowChars)
            return fail(QStringLiteral("longer than %1 characters").arg(kMaxRowChars));
        QChar after;
        if (inQuotes) {
            if (c == u'"') {
                if (peek(after) && after == u'"') {
                    ++pos_;
                    field += c;
                } else {
                    inQuotes = false;
                    afterQuote = true;
                }
                continue;
            }
            if (c == u'\n' || (c == u'\r' && !(peek(after) && after == u'\n'))) ++line_;
            field += c;
        } else if (c == delimiter) {
            fields << field;
            field.clear();
            afterQuote = false;
            empty = false;
        } else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && peek(after) && after == u'\n') ++pos_;
            ++line_;
            fields << field;
            return Status::Row;
        } else if (afterQuote) {
            return fail(QStringLiteral("'%1' after the closing quote of field %2 (a quote inside "
                                       "a quoted field is written twice)")
                            .arg(c)
                            .arg(fields.size() + 1));
        } else if (c == u'"' && field.isEmpty()) {
            inQuotes = true;
            quoteLine = line_;
            empty = false;
        } else {
            field += c;
            empty = false;
        }
    }
}

bool ListReader::readHeader() {
    if (!wantsHeader_ || headerRead_) return state_ != Status::Error;
    headerRead_ = true;
    bool empty = true;
    QStringList fields;
    Status status = Status::Row;
    while (status == Status::Row && empty)
        status = readRecord(fields, empty);
    if (status == Status::Error) return false;
    if (status == Status::End) {
        state_ = Status::End;
        return true;
    }
    header_ = fields;
    return true;
}

ListReader::Status ListReader::next(QStringList& fields) {
    if (state_ != Status::Row) return state_;
    if (!readHeader()) return state_;
    if (state_ != Status::Row) return state_;
    for (;;) {
        bool empty = true;
        const Status status = readRecord(fields, empty);
        if (status != Status::Row) return state_ = status;
        if (!empty && !fields.join(QString()).isEmpty()) return Status::Row;
    }
}

std::optional<int> ListReader::column(const QString& nameOrNumber) const {
    const QString wanted = nameOrNumber.trimmed();
    for (qsizetype i = 0; i < header_.size(); ++i)
        if (header_[i].trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    bool ok = false;
    const int number = wanted.toInt(&ok);
    if (ok && number >= 1) return number - 1;
    return std::nullopt;
}

bool looksLikeHeader(const QList<QStringList>& rows,
                     const std::function<bool(const QString&)>& accepts) {
    const auto hasCode = [&](const QStringList& fields) {
        return std::any_of(fields.begin(), fields.end(), accepts);
    };
    return rows.size() >= 2 && !hasCode(rows.front()) &&
           std::all_of(rows.begin() + 1, rows.end(), hasCode);
}

} // namespace Labels
