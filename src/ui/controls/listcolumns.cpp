#include "ui/controls/listcolumns.h"

#include "ui/controls/textorder.h"

#include <QDate>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <numeric>

namespace qd::ui {

namespace {

// Folded UTF-16 units of UTF-8 text, four from position `from` (see textorder::chunk), and
// the text's length in UTF-16 units.
class Utf8Units {
public:
    explicit Utf8Units(QByteArrayView text) : m_p(text.data()), m_end(text.data() + text.size()) {}

    // The next UTF-16 unit, or -1 at the end.
    int next() {
        if (m_low) return std::exchange(m_low, 0);
        if (m_p >= m_end) return -1;
        const auto b = static_cast<unsigned char>(*m_p);
        if (b < 0x80) {
            ++m_p;
            return b;
        }
        const int extra = b >= 0xf0 ? 3 : b >= 0xe0 ? 2 : 1;
        char32_t code = b & (0x3f >> extra);
        ++m_p;
        for (int i = 0; i < extra && m_p < m_end; ++i, ++m_p)
            code = (code << 6) | (static_cast<unsigned char>(*m_p) & 0x3f);
        if (code >= 0x10000) {
            code -= 0x10000;
            m_low = int(0xdc00 + (code & 0x3ff));
            return int(0xd800 + (code >> 10));
        }
        return int(code);
    }

private:
    const char* m_p;
    const char* m_end;
    int m_low = 0;
};

std::uint64_t utf8Chunk(QByteArrayView text, std::uint32_t from) {
    // Plain ASCII, the usual case, is read in place.
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::uint32_t n = std::uint32_t(text.size());
    const std::uint32_t upto = std::min(n, from + 4);
    bool ascii = true;
    for (std::uint32_t i = 0; i < upto && ascii; ++i) ascii = p[i] < 0x80;
    std::uint64_t key = 0;
    if (ascii) {
        for (std::uint32_t i = from; i < from + 4; ++i)
            key = (key << 16) | (i < n ? textorder::fold(p[i]) : 0u);
        return key;
    }
    Utf8Units units(text);
    for (std::uint32_t i = 0; i < from && units.next() >= 0; ++i) {
    }
    for (int i = 0; i < 4; ++i) {
        const int u = units.next();
        key = (key << 16) | (u < 0 ? 0u : textorder::fold(char16_t(u)));
    }
    return key;
}

std::uint32_t utf8Length(QByteArrayView text) {
    std::uint32_t units = 0;
    for (char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if ((b & 0xc0) != 0x80) ++units;  // a character starts here
        if (b >= 0xf0) ++units;           // beyond 16 bits: two units
    }
    return units;
}

bool isAscii(QByteArrayView text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c + 32) : c; }

// Whether ASCII text holds an ASCII needle (already lower case), letter case ignored.
bool containsAscii(QByteArrayView text, const QByteArray& needle) {
    const qsizetype n = needle.size();
    if (n == 0) return true;
    for (qsizetype i = 0; i + n <= text.size(); ++i) {
        qsizetype j = 0;
        while (j < n && lowerAscii(text[i + j]) == needle[j]) ++j;
        if (j == n) return true;
    }
    return false;
}

// Texts kept as QStrings, for the rare sorts that need the shown texts themselves.
class StringSource : public textorder::TextSource {
public:
    explicit StringSource(std::vector<QString> texts) : m_texts(std::move(texts)) {}
    std::uint64_t chunk(std::uint32_t row, std::uint32_t from) const override {
        return textorder::chunk(m_texts[row], from);
    }
    std::uint32_t length(std::uint32_t row) const override {
        return std::uint32_t(m_texts[row].size());
    }

private:
    std::vector<QString> m_texts;
};

void sortByShownText(const ListColumn& column, std::vector<std::uint32_t>& rows, bool descending) {
    std::uint32_t count = 0;
    for (std::uint32_t row : rows) count = std::max(count, row + 1);
    std::vector<QString> texts(count);
    for (std::uint32_t row : rows) texts[row] = column.text(row);
    textorder::sortByText(rows, StringSource(std::move(texts)), descending);
}

}  // namespace

std::unique_ptr<ListColumn> ListColumn::make(Kind kind, const QString& numberFormat) {
    switch (kind) {
        case Kind::Repeating: return std::make_unique<RepeatingColumn>(numberFormat);
        case Kind::Integer: return std::make_unique<IntegerColumn>();
        case Kind::Date: return std::make_unique<DateColumn>();
        case Kind::Text: break;
    }
    return std::make_unique<TextColumn>();
}

// ---- Text ---------------------------------------------------------------------------------

QString TextColumn::text(std::uint32_t row) const {
    const QByteArrayView bytes = utf8(row);
    return bytes.isEmpty() ? QString() : QString::fromUtf8(bytes);
}

bool TextColumn::setText(std::uint32_t row, const QString& text) {
    setUtf8(row, text.toUtf8());
    return true;
}

void TextColumn::setUtf8(std::uint32_t row, QByteArrayView text) {
    m_cells[row] = text.isEmpty() ? Cell{} : Cell{m_texts.append(text), std::uint32_t(text.size())};
}

void TextColumn::squeeze() {
    m_texts.squeeze();
    m_cells.shrink_to_fit();
}

std::size_t TextColumn::bytes() const {
    return m_texts.bytes() + m_cells.capacity() * sizeof(Cell);
}

void TextColumn::sort(std::vector<std::uint32_t>& rows, bool descending) const {
    class Source : public textorder::TextSource {
    public:
        explicit Source(const TextColumn& column) : m_column(column) {}
        std::uint64_t chunk(std::uint32_t row, std::uint32_t from) const override {
            return utf8Chunk(m_column.utf8(row), from);
        }
        std::uint32_t length(std::uint32_t row) const override {
            return utf8Length(m_column.utf8(row));
        }

    private:
        const TextColumn& m_column;
    };
    textorder::sortByText(rows, Source(*this), descending);
}

std::function<bool(std::uint32_t)> TextColumn::matcher(const QString& needle) const {
    const bool asciiNeedle =
        std::all_of(needle.begin(), needle.end(), [](QChar c) { return c.unicode() < 0x80; });
    QByteArray lower = needle.toLatin1();
    for (char& c : lower) c = lowerAscii(c);
    return [this, needle, asciiNeedle, lower](std::uint32_t row) {
        const QByteArrayView bytes = utf8(row);
        if (asciiNeedle && isAscii(bytes)) return containsAscii(bytes, lower);
        return QString::fromUtf8(bytes).contains(needle, Qt::CaseInsensitive);
    };
}

// ---- Repeating ------------------------------------------------------------------------------

RepeatingColumn::RepeatingColumn(const QString& numberFormat) : m_numbers(numberFormat) {
    m_texts.emplace_back();  // code 0: the empty text, which also stands for Null
    m_keys.code(QByteArrayView("", 1));
}

template <class MakeText>
std::uint32_t RepeatingColumn::codeOf(char tag, QByteArrayView bytes, MakeText&& makeText) {
    const std::size_t length = std::size_t(bytes.size()) + 1;
    char small[64];
    std::string large;
    char* key = small;
    if (length > sizeof small) {
        large.resize(length);
        key = large.data();
    }
    key[0] = tag;
    if (!bytes.isEmpty()) std::memcpy(key + 1, bytes.data(), bytes.size());
    bool added = false;
    const std::uint32_t code = m_keys.code(QByteArrayView(key, qsizetype(length)), &added);
    if (added) m_texts.push_back(makeText());
    return code;
}

void RepeatingColumn::setUtf8(std::uint32_t row, QByteArrayView text) {
    m_codes.set(row, text.isEmpty() ? 0 : codeOf('T', text, [&] { return QString::fromUtf8(text); }));
}

bool RepeatingColumn::setText(std::uint32_t row, const QString& text) {
    setUtf8(row, text.toUtf8());
    return true;
}

void RepeatingColumn::setNumber(std::uint32_t row, double value) {
    const QByteArrayView bits(reinterpret_cast<const char*>(&value), sizeof value);
    m_codes.set(row, codeOf('N', bits, [&] { return m_numbers.text(value); }));
}

std::size_t RepeatingColumn::bytes() const {
    std::size_t bytes = m_codes.bytes() + m_keys.bytes();
    for (const QString& t : m_texts) bytes += sizeof(QString) + std::size_t(t.capacity()) * 2;
    return bytes;
}

void RepeatingColumn::sort(std::vector<std::uint32_t>& rows, bool descending) const {
    // The few distinct texts are ranked once; the rows follow their texts' ranks in one
    // counting pass.
    std::vector<QStringView> texts(m_texts.begin(), m_texts.end());
    std::vector<std::uint32_t> rankOfCode;
    const std::uint32_t ranks = textorder::rankTexts(texts, rankOfCode);
    std::vector<std::uint32_t> rankOfRow(m_codes.size());
    for (std::size_t row = 0; row < m_codes.size(); ++row) rankOfRow[row] = rankOfCode[m_codes.at(row)];
    textorder::sortByRank(rows, rankOfRow, ranks, descending);
}

std::function<bool(std::uint32_t)> RepeatingColumn::matcher(const QString& needle) const {
    // Each distinct text is searched once; rows then only look up their text's answer.
    auto hits = std::make_shared<std::vector<bool>>(m_texts.size());
    for (std::size_t code = 0; code < m_texts.size(); ++code)
        (*hits)[code] = m_texts[code].contains(needle, Qt::CaseInsensitive);
    return [this, hits](std::uint32_t row) { return bool((*hits)[m_codes.at(row)]); };
}

// ---- Integer --------------------------------------------------------------------------------

QString IntegerColumn::text(std::uint32_t row) const {
    const qint64 v = m_values[row];
    return v == kEmpty ? QString() : QString::number(v);
}

bool IntegerColumn::setText(std::uint32_t row, const QString& text) {
    if (text.isEmpty()) {
        m_values[row] = kEmpty;
        return true;
    }
    // Only the decimal digits the column would show again: no sign but "-", no leading zeros.
    bool ok = false;
    const qint64 v = text.toLongLong(&ok);
    if (!ok || v == kEmpty || QString::number(v) != text) return false;
    m_values[row] = v;
    return true;
}

void IntegerColumn::sort(std::vector<std::uint32_t>& rows, bool descending) const {
    // Digits left-aligned, then their count, order numbers as their texts do ("10" before "9",
    // "1" before "10"); the empty cell first. Beyond 17 digits or below zero, by the texts.
    constexpr qint64 kLimit = 100000000000000000LL;  // 10^17
    std::vector<std::uint64_t> keys(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const qint64 v = m_values[rows[i]];
        if (v == kEmpty) {
            keys[i] = 0;
        } else if (v < 0 || v >= kLimit) {
            sortByShownText(*this, rows, descending);
            return;
        } else {
            std::uint64_t padded = std::uint64_t(v);
            int digits = 1;
            for (qint64 p = 10; p <= v; p *= 10) ++digits;
            for (int d = digits; d < 17; ++d) padded *= 10;
            keys[i] = padded * 18 + std::uint64_t(digits);
        }
        if (descending) keys[i] = ~keys[i];
    }
    textorder::sortByKey(rows, keys);
}

std::function<bool(std::uint32_t)> IntegerColumn::matcher(const QString& needle) const {
    const bool possible = std::all_of(needle.begin(), needle.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || c == u'-';
    });
    if (!possible) return [](std::uint32_t) { return false; };
    const std::string digits = needle.toStdString();
    return [this, digits](std::uint32_t row) {
        const qint64 v = m_values[row];
        if (v == kEmpty) return digits.empty();
        char buf[24];
        const auto end = std::to_chars(buf, buf + sizeof buf, v).ptr;
        return std::string_view(buf, std::size_t(end - buf)).find(digits) != std::string_view::npos;
    };
}

// ---- Date -------------------------------------------------------------------------------------

const QString& DateColumn::dayText(std::int32_t day) const {
    static const QString empty;
    return day == kEmpty ? empty : m_texts.text(day);
}

QString DateColumn::text(std::uint32_t row) const { return dayText(m_days[row]); }

bool DateColumn::setText(std::uint32_t row, const QString& text) {
    if (!text.isEmpty()) return false;
    m_days[row] = kEmpty;
    return true;
}

bool DateColumn::setDay(std::uint32_t row, qint64 julianDay) {
    if (julianDay <= kEmpty || julianDay > std::numeric_limits<std::int32_t>::max()) return false;
    m_days[row] = std::int32_t(julianDay);
    return true;
}

std::vector<std::int32_t> DateColumn::distinctDays(const std::vector<std::uint32_t>& rows,
                                                   std::vector<std::uint32_t>& indexOfRow) const {
    std::vector<std::int32_t> days;
    indexOfRow.assign(m_days.size(), 0);
    std::int32_t low = std::numeric_limits<std::int32_t>::max(), high = kEmpty;
    for (std::uint32_t row : rows) {
        const std::int32_t d = m_days[row];
        if (d == kEmpty) continue;
        low = std::min(low, d);
        high = std::max(high, d);
    }
    // Dates of an order book span a few thousand days: one slot per day of the span.
    const bool dense = high != kEmpty && std::int64_t(high) - low < (1 << 22);
    std::vector<std::uint32_t> slot(dense ? std::size_t(high - low + 1) : 0, 0);
    std::unordered_map<std::int32_t, std::uint32_t> sparse;
    for (std::uint32_t row : rows) {
        const std::int32_t d = m_days[row];
        std::uint32_t* index;
        if (d != kEmpty && dense) {
            index = &slot[std::size_t(d - low)];
        } else {
            index = &sparse[d];
        }
        if (*index == 0) {
            days.push_back(d);
            *index = std::uint32_t(days.size());
        }
        indexOfRow[row] = *index - 1;
    }
    return days;
}

void DateColumn::sort(std::vector<std::uint32_t>& rows, bool descending) const {
    // Dates sort by their text: each distinct day is formatted and ranked once.
    std::vector<std::uint32_t> indexOfRow;
    const std::vector<std::int32_t> days = distinctDays(rows, indexOfRow);
    std::vector<QStringView> texts;
    texts.reserve(days.size());
    for (std::int32_t d : days) texts.push_back(dayText(d));
    std::vector<std::uint32_t> rank;
    const std::uint32_t ranks = textorder::rankTexts(texts, rank);
    for (std::uint32_t row : rows) indexOfRow[row] = rank[indexOfRow[row]];
    textorder::sortByRank(rows, indexOfRow, ranks, descending);
}

std::function<bool(std::uint32_t)> DateColumn::matcher(const QString& needle) const {
    auto hits = std::make_shared<std::unordered_map<std::int32_t, bool>>();
    return [this, needle, hits](std::uint32_t row) {
        const std::int32_t d = m_days[row];
        auto it = hits->find(d);
        if (it == hits->end())
            it = hits->emplace(d, dayText(d).contains(needle, Qt::CaseInsensitive)).first;
        return it->second;
    };
}

}  // namespace qd::ui
