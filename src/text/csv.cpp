#include "text/csv.h"

#include "core/error.h"

#include <QIODevice>

namespace qd::text {

namespace {

bool formulaStart(QChar c) { return QStringLiteral("=+-@\t\r").contains(c); }

// Whether a text needs the apostrophe: formula-like, or one that reading would otherwise
// take an apostrophe off.
bool needsApostrophe(const QString& text) {
    if (text.isEmpty()) return false;
    if (formulaStart(text[0])) return true;
    return text[0] == u'\'' && text.size() > 1 && (formulaStart(text[1]) || text[1] == u'\'');
}

// A number as written by the program or a spreadsheet: digits with a sign, a point, grouping,
// a percent or currency sign around them; nothing a spreadsheet would compute.
bool plainNumber(const QString& text) {
    bool digit = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isDigit()) digit = true;
        else if (!(c == u'.' || c == u',' || c == u'%' || c == u' ' || c == QChar(0xA0) ||
                   c.category() == QChar::Symbol_Currency || (i == 0 && c == u'-')))
            return false;
    }
    return digit;
}

constexpr qsizetype kBlock = 1 << 16;

}  // namespace

QByteArray csvField(const QString& text, bool number, CsvBreaks breaks) {
    QString cell;
    cell.reserve(text.size() + 1);
    if (needsApostrophe(text) && !(number && plainNumber(text))) cell += QLatin1Char('\'');
    bool quote = false;
    for (const QChar c : text) {
        if (breaks == CsvBreaks::Keep) {
            quote = quote || c == u'\r' || c == u'\n';
            cell += c;
        } else if (c == u'\t' || c == u'\r' || c == u'\n') {
            cell += QLatin1Char(' ');
        } else if (c.category() == QChar::Other_Control) {
            cell += QChar(QChar::ReplacementCharacter);
        } else {
            cell += c;
        }
    }
    QByteArray bytes = cell.toUtf8();
    if (quote || bytes.contains(',') || bytes.contains('"')) {
        bytes.replace("\"", "\"\"");
        bytes = '"' + bytes + '"';
    }
    return bytes;
}

QString csvUnprotect(const QString& field) {
    if (field.size() > 1 && field[0] == u'\'' && (formulaStart(field[1]) || field[1] == u'\''))
        return field.mid(1);
    return field;
}

CsvReader::CsvReader(QIODevice& device) : m_device(device) {}

// Appends the next block of the device to the buffer; false when there is no more.
bool CsvReader::fill() {
    if (m_end) return false;
    if (m_at > 0) {
        m_buffer.remove(0, m_at);
        m_at = 0;
    }
    const QByteArray block = m_device.read(kBlock);
    if (block.isEmpty()) {
        m_end = true;
        return false;
    }
    m_buffer += block;
    return true;
}

bool CsvReader::next(QStringList& fields) {
    fields.clear();
    if (!m_started) {
        m_started = true;
        while (m_buffer.size() < 3 && fill()) {
        }
        if (m_buffer.startsWith("\xEF\xBB\xBF")) m_at = 3;
    }
    if (m_at >= m_buffer.size() && !fill()) return false;
    m_recordLine = m_line;
    QByteArray field;
    bool quoted = false;  // inside quotes
    bool wasQuoted = false;
    auto finishField = [&] {
        if (!QByteArrayView(field).isValidUtf8())
            throw Error(QStringLiteral("The file is not comma-separated text: line %1 is not "
                                       "UTF-8 text.")
                            .arg(m_line));
        fields << QString::fromUtf8(field);
        field.clear();
        wasQuoted = false;
    };
    for (;;) {
        if (m_at >= m_buffer.size() && !fill()) {
            if (quoted)
                throw Error(QStringLiteral("The quoted field that starts on line %1 never ends.")
                                .arg(m_recordLine));
            finishField();
            return true;
        }
        // The plain characters up to the next one that means something, taken at once.
        const char* data = m_buffer.constData();
        const qsizetype end = m_buffer.size();
        qsizetype run = m_at;
        if (quoted) {
            while (run < end && data[run] != '"' && data[run] != '\n') ++run;
        } else {
            while (run < end && data[run] != '"' && data[run] != ',' && data[run] != '\n' &&
                   data[run] != '\r')
                ++run;
        }
        if (run > m_at) {
            field.append(data + m_at, run - m_at);
            m_at = run;
            continue;
        }
        const char c = m_buffer[m_at++];
        if (quoted) {
            if (c == '"') {
                if (m_at >= m_buffer.size()) fill();
                if (m_at < m_buffer.size() && m_buffer[m_at] == '"') {
                    field += '"';
                    ++m_at;
                } else {
                    quoted = false;
                }
            } else {  // a line break inside the field
                ++m_line;
                field += c;
            }
        } else if (c == '"' && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == ',') {
            finishField();
        } else if (c == '\n' || c == '\r') {
            if (c == '\r') {
                if (m_at >= m_buffer.size()) fill();
                if (m_at < m_buffer.size() && m_buffer[m_at] == '\n') ++m_at;
            }
            ++m_line;
            finishField();
            return true;
        } else {
            field += c;  // a quote inside an unquoted field is taken as it is
        }
    }
}

}  // namespace qd::text
