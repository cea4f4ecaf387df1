#include "reports/rowstore.h"

#include "reports/document.h"

#include <QDate>

#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>

namespace qd::reports {

namespace {

// Each row's code into a column's distinct values, in as few bytes as the number of distinct
// values needs: one byte for up to 256 of them (products, rates), two up to 65,536 (company
// names, dates, amounts that repeat), four beyond.
class Codes {
public:
    void push(quint32 code) {
        while (code > largest()) widen();
        switch (m_width) {
        case 1: put<quint8>(code); break;
        case 2: put<quint16>(code); break;
        default: put<quint32>(code); break;
        }
    }
    quint32 at(std::size_t i) const {
        switch (m_width) {
        case 1: return get<quint8>(i);
        case 2: return get<quint16>(i);
        default: return get<quint32>(i);
        }
    }
    std::size_t size() const { return m_bytes.size() / std::size_t(m_width); }
    std::size_t bytes() const { return m_bytes.capacity(); }
    void squeeze() { m_bytes.shrink_to_fit(); }
    void clear() {
        m_bytes = {};
        m_width = 1;
    }

private:
    quint32 largest() const {
        return m_width == 4 ? std::numeric_limits<quint32>::max() : (quint32(1) << (8 * m_width)) - 1;
    }
    template <class T>
    void put(quint32 code) {
        const T value = T(code);
        const std::size_t at = m_bytes.size();
        m_bytes.resize(at + sizeof(T));
        std::memcpy(m_bytes.data() + at, &value, sizeof(T));
    }
    template <class T>
    quint32 get(std::size_t i) const {
        T value;
        std::memcpy(&value, m_bytes.data() + i * sizeof(T), sizeof(T));
        return value;
    }
    void widen() {
        Codes wider;
        wider.m_width = m_width * 2;
        wider.m_bytes.reserve(size() * std::size_t(wider.m_width));
        for (std::size_t i = 0, n = size(); i < n; ++i) wider.push(at(i));
        *this = std::move(wider);
    }

    int m_width = 1;
    std::vector<quint8> m_bytes;
};

// Codes pay while values repeat; once a column holds more than this many distinct values and
// they are more than an eighth of its rows, each row keeps its own value instead.
constexpr std::size_t kMostDistinct = 4096;

}  // namespace

struct RowStore::Column {
    // Whole numbers and other numbers share one kind: a column of prices holds both (25 and
    // 12.5), and each value keeps its own type.
    enum class Kind { Null, Number, Text, Date, Any };

    Kind kind = Kind::Null;  // nothing but Null so far
    int rows = 0;
    std::vector<bool> null;

    // While the values repeat: a code per row into the distinct values of the column's kind.
    bool coded = true;
    Codes codes;
    std::size_t distinct = 0;
    std::vector<double> distinctNumbers;
    std::vector<bool> distinctWhole;
    std::vector<QString> distinctTexts;
    std::vector<qint32> distinctDays;
    // Where each distinct value stands, while rows are still to come.
    std::unordered_map<qint64, quint32> wholeIndex;  // whole numbers by value
    std::unordered_map<quint64, quint32> realIndex;  // other numbers by their bits
    std::unordered_map<qint32, quint32> dayIndex;
    std::unordered_map<QString, quint32> textIndex;

    // Once most values differ (order numbers, PO numbers, totals), each row's own value:
    // numbers in four bytes as whole numbers or as ten-thousandths (amounts are kept to four
    // decimals) while every value fits and comes back exactly, else in eight; each number's
    // type in a bit; dates as day numbers; texts as UTF-8, one after the other.
    bool small = true;
    int scale = 1;  // small: the value is ints[r] / scale
    std::vector<qint32> ints;
    std::vector<double> numbers;
    std::vector<bool> whole;
    std::vector<qint32> days;
    std::vector<char> utf8;
    std::vector<quint32> starts{0};  // row r's text is utf8[starts[r], starts[r + 1])
    std::vector<QVariant> any;

    static Kind kindOf(const QVariant& v) {
        switch (v.typeId()) {
        case QMetaType::LongLong: case QMetaType::Int: case QMetaType::Double:
            return Kind::Number;
        case QMetaType::QString: return Kind::Text;
        case QMetaType::QDate: return Kind::Date;
        default: return Kind::Any;
        }
    }

    void append(const QVariant& v) {
        const bool isNull = !v.isValid() || v.isNull();
        if (!isNull) {
            Kind k = kindOf(v);
            // A whole number a double cannot hold exactly is kept as it is.
            constexpr qint64 kExact = qint64(1) << 53;
            if (k == Kind::Number && v.typeId() != QMetaType::Double &&
                (v.toLongLong() > kExact || v.toLongLong() < -kExact))
                k = Kind::Any;
            if (kind == Kind::Null) {
                kind = k;
                coded = kind != Kind::Any;
                for (int r = 0; r < rows; ++r) pushDefault();
            } else if (k != kind && kind != Kind::Any) {
                toAny();
            }
        }
        null.push_back(isNull);
        if (isNull) {
            if (kind != Kind::Null) pushDefault();
        } else {
            push(v);
        }
        ++rows;
    }

    // The value standing in a Null row: any value of the column's kind does.
    void pushDefault() {
        switch (kind) {
        case Kind::Null: break;
        case Kind::Number: pushNumber(0, true); break;
        case Kind::Date: pushDay(0); break;
        case Kind::Text: pushText(QString()); break;
        case Kind::Any: any.emplace_back(); break;
        }
    }

    void push(const QVariant& v) {
        switch (kind) {
        case Kind::Null: break;
        case Kind::Number:
            if (v.typeId() == QMetaType::Double) pushNumber(v.toDouble(), false);
            else pushNumber(double(v.toLongLong()), true);
            break;
        case Kind::Date: pushDay(qint32(v.toDate().toJulianDay())); break;
        case Kind::Text: pushText(v.toString()); break;
        case Kind::Any: any.push_back(v); break;
        }
    }

    // A code for a value: its place among the distinct values, added when new; then the
    // column stops coding if distinct values have become too many.
    template <class Map, class Key, class Add>
    void pushCode(Map& index, const Key& key, Add add) {
        auto it = index.find(key);
        if (it == index.end()) {
            it = index.emplace(key, quint32(distinct)).first;
            add();
            ++distinct;
        }
        codes.push(it->second);
        if (distinct > kMostDistinct && distinct * 8 > codes.size()) uncode();
    }

    void pushNumber(double value, bool isWhole) {
        if (coded) {
            auto add = [&] {
                distinctNumbers.push_back(value);
                distinctWhole.push_back(isWhole);
            };
            if (isWhole) {
                pushCode(wholeIndex, qint64(value), add);
            } else {
                quint64 bits;
                std::memcpy(&bits, &value, sizeof bits);
                pushCode(realIndex, bits, add);
            }
            return;
        }
        whole.push_back(isWhole);
        if (small) {
            qint32 n;
            if (scaled(value, scale, n) ||
                (scale == 1 && rescale(10000) && scaled(value, scale, n))) {
                ints.push_back(n);
                return;
            }
            // The first value that four bytes cannot give back exactly: all take eight.
            small = false;
            numbers.reserve(ints.size() + 1);
            for (qint32 i : ints) numbers.push_back(double(i) / scale);
            ints = {};
        }
        numbers.push_back(value);
    }

    // The value as a multiple of 1 / scale in four bytes, if that gives it back exactly.
    static bool scaled(double value, int scale, qint32& n) {
        const double times = value * scale;
        if (!(times >= std::numeric_limits<qint32>::min() &&
              times <= std::numeric_limits<qint32>::max()))
            return false;
        n = qint32(std::llround(times));
        return double(n) / scale == value;
    }

    // Counts the small numbers kept so far in a finer unit; false when one would not fit.
    bool rescale(int newScale) {
        const qint64 factor = newScale / scale;
        for (qint32 i : ints)
            if (qint64(i) * factor > std::numeric_limits<qint32>::max() ||
                qint64(i) * factor < std::numeric_limits<qint32>::min())
                return false;
        for (qint32& i : ints) i = qint32(i * factor);
        scale = newScale;
        return true;
    }

    void pushDay(qint32 day) {
        if (coded) pushCode(dayIndex, day, [&] { distinctDays.push_back(day); });
        else days.push_back(day);
    }

    void pushText(const QString& text) {
        if (coded) {
            pushCode(textIndex, text, [&] { distinctTexts.push_back(text); });
            return;
        }
        const QByteArray bytes = text.toUtf8();
        utf8.insert(utf8.end(), bytes.begin(), bytes.end());
        starts.push_back(quint32(utf8.size()));
    }

    // Too many distinct values: every row gets its own value, and the codes go.
    void uncode() {
        Codes old = std::move(codes);
        coded = false;
        codes.clear();
        for (std::size_t r = 0, n = old.size(); r < n; ++r) {
            const quint32 code = old.at(r);
            switch (kind) {
            case Kind::Number: pushNumber(distinctNumbers[code], distinctWhole[code]); break;
            case Kind::Date: pushDay(distinctDays[code]); break;
            case Kind::Text: pushText(distinctTexts[code]); break;
            default: break;
            }
        }
        dropIndex();
        distinct = 0;
        distinctNumbers = {};
        distinctWhole = {};
        distinctTexts = {};
        distinctDays = {};
    }

    void dropIndex() {
        wholeIndex = {};
        realIndex = {};
        dayIndex = {};
        textIndex = {};
    }

    QVariant value(int row) const {
        const std::size_t r = std::size_t(row);
        if (null[r]) return QVariant();
        switch (kind) {
        case Kind::Null: return QVariant();
        case Kind::Number: {
            if (coded) {
                const quint32 code = codes.at(r);
                if (distinctWhole[code]) return qlonglong(distinctNumbers[code]);
                return distinctNumbers[code];
            }
            const double number = small ? double(ints[r]) / scale : numbers[r];
            if (whole[r]) return qlonglong(number);
            return number;
        }
        case Kind::Date:
            return QDate::fromJulianDay(coded ? distinctDays[codes.at(r)] : days[r]);
        case Kind::Text:
            if (coded) return distinctTexts[codes.at(r)];
            return QString::fromUtf8(utf8.data() + starts[r], qsizetype(starts[r + 1] - starts[r]));
        case Kind::Any: return any[r];
        }
        return QVariant();
    }

    // A value of another kind than the column's: every value is kept as it is.
    void toAny() {
        std::vector<QVariant> values;
        values.reserve(size_t(rows) + 1);
        for (int r = 0; r < rows; ++r) values.push_back(value(r));
        *this = Column{};
        for (const QVariant& v : values) {
            null.push_back(!v.isValid() || v.isNull());
            any.push_back(v);
        }
        rows = int(values.size());
        kind = Kind::Any;
        coded = false;
    }

    // Every row is in: the index of the distinct values is no longer needed.
    void squeeze() {
        dropIndex();
        null.shrink_to_fit();
        codes.squeeze();
        ints.shrink_to_fit();
        numbers.shrink_to_fit();
        whole.shrink_to_fit();
        days.shrink_to_fit();
        utf8.shrink_to_fit();
        starts.shrink_to_fit();
        any.shrink_to_fit();
    }

    std::size_t bytes() const {
        std::size_t b = null.capacity() / 8 + codes.bytes() + distinctNumbers.capacity() * 8 +
                        distinctWhole.capacity() / 8 + distinctDays.capacity() * 4 +
                        ints.capacity() * 4 + numbers.capacity() * 8 + whole.capacity() / 8 +
                        days.capacity() * 4 + utf8.capacity() + starts.capacity() * 4 +
                        any.capacity() * sizeof(QVariant);
        for (const QString& t : distinctTexts) b += sizeof(QString) + size_t(t.capacity()) * 2;
        // An index entry: the key, the code and the hash node around them.
        b += (wholeIndex.size() + realIndex.size() + dayIndex.size()) * 32 +
             textIndex.size() * 48;
        return b;
    }
};

RowStore::RowStore(std::vector<int> f) : fields(std::move(f)) {}
RowStore::RowStore(RowStore&&) noexcept = default;
RowStore& RowStore::operator=(RowStore&&) noexcept = default;
RowStore::~RowStore() = default;

void RowStore::append(const RowTable& table) {
    while (m_columns.size() < fields.size()) m_columns.push_back(std::make_unique<Column>());
    for (int row = 0; row < table.rowCount; ++row)
        for (size_t column = 0; column < fields.size(); ++column)
            m_columns[column]->append(table.cell(row, int(column)));
    rowCount += table.rowCount;
}

QVariant RowStore::cell(int row, int column) const {
    return m_columns[size_t(column)]->value(row);
}

void RowStore::squeeze() {
    for (auto& c : m_columns) c->squeeze();
}

std::size_t RowStore::bytes() const {
    std::size_t b = 0;
    for (const auto& c : m_columns) b += c->bytes();
    return b;
}

}  // namespace qd::reports
