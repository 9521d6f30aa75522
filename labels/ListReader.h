#pragma once

#include <QChar>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

#include <functional>
#include <optional>

class QIODevice;

namespace Labels {

// The rows of a CSV or TSV list, read a row at a time so that a list of any length needs the
// memory of one row. Quoting as RFC 4180 has it: a field in double quotes may hold delimiters,
// line breaks and doubled quotes. UTF-8, with or without a byte order mark; line ends LF, CRLF
// or CR.
//
// Rows are numbered as a spreadsheet numbers them: the header, when there is one, is row 1, and
// an empty line is a row of its own (skipped, but counted).
class ListReader {
  public:
    struct Options {
        std::optional<QChar> delimiter; // detected from the first row when not given
        bool header = false;
    };

    // A row longer than this is refused rather than held: mostly a quote that never ends.
    static constexpr qsizetype kMaxRowChars = 1 << 20;

    ListReader(QIODevice& device, Options options);

    enum class Status { Row, End, Error };
    // The next row with text in it; after End or Error it stays there.
    Status next(QStringList& fields);

    // The row last returned (or that failed), 1-based.
    qint64 rowNumber() const { return row_; }
    // Why reading stopped with Error, naming the row.
    const QString& error() const { return error_; }

    // Reads the header row when the options ask for one; false when the list fails there.
    // Called by next() on its own; call it early to know the columns first.
    bool readHeader();
    const QStringList& header() const { return header_; }
    // The 0-based column that a header name (case and surrounding blanks ignored) or a
    // 1-based column number names; nullopt when neither fits.
    std::optional<int> column(const QString& nameOrNumber) const;

    QChar delimiter() const { return delimiter_.value_or(u','); }

  private:
    enum class Field { Plain, Quoted };
    bool fill();
    bool peek(QChar& c);
    void detectDelimiter();
    Status readRecord(QStringList& fields, bool& empty);
    Status fail(const QString& message);

    QIODevice& device_;
    QStringDecoder decoder_{QStringDecoder::Utf8};
    std::optional<QChar> delimiter_;
    bool wantsHeader_;
    bool headerRead_ = false;
    QStringList header_;
    QByteArray pending_; // bytes of a character the last chunk cut
    QString buffer_;
    qsizetype pos_ = 0;
    bool atEnd_ = false;
    bool invalidText_ = false;
    qint64 row_ = 0;
    qint64 line_ = 1; // the line the reader stands on, for errors inside a long quoted field
    Status state_ = Status::Row;
    QString error_;
};

// Whether the first of a list's rows names its columns: no field of it is a code that `accepts`
// takes, while every row after it, one at least, has one.
bool looksLikeHeader(const QList<QStringList>& rows,
                     const std::function<bool(const QString&)>& accepts);

} // namespace Labels
