#pragma once

// Comma-separated values as spreadsheets write and read them (RFC 4180 with the habits of real
// files): UTF-8 with or without a byte-order mark, CR LF or LF, fields quoted when they hold a
// comma, a quote or a line break, quotes doubled inside.
//
// Texts are kept formula-safe: a spreadsheet takes a text starting with =, +, -, @, a tab or a
// carriage return for a formula, so such a text is written with a leading apostrophe, which
// spreadsheets read as "this is text"; a text that starts with an apostrophe before one of
// those (or before another apostrophe) gets one too, so that reading takes exactly one off
// and every text comes back as it was written.

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

namespace qd::text {

enum class CsvBreaks {
    Blank,  // tabs and line breaks become blanks, other control characters U+FFFD (reports)
    Keep,   // every character kept, the field quoted (data meant to be read back)
};

// One field as written. A number (`number` true) is written as it is: a minus sign does not
// make it a formula.
QByteArray csvField(const QString& text, bool number, CsvBreaks breaks = CsvBreaks::Blank);

// The text a field read back stands for: the apostrophe that csvField put before a
// formula-like text taken off.
QString csvUnprotect(const QString& field);

// Reads records from a device a block at a time, so a file of any size takes little memory.
class CsvReader {
public:
    explicit CsvReader(QIODevice& device);
    // The next record's fields; false at the end of the data. Throws qd::Error for a quoted
    // field that never ends or bytes that are not UTF-8 text.
    bool next(QStringList& fields);
    // The line of the file the last record started on, from 1.
    qint64 line() const { return m_recordLine; }

private:
    bool fill();
    QIODevice& m_device;
    QByteArray m_buffer;
    qsizetype m_at = 0;
    bool m_end = false;
    bool m_started = false;
    qint64 m_line = 1;
    qint64 m_recordLine = 0;
};

}  // namespace qd::text
