#include "reports/rowstore.h"

#include "reports/document.h"
#include "text/packedtexts.h"

#include <QDate>

#include <cmath>
#include <cstring>
#include <limits>

namespace qd::reports {

namespace {

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

    // While the values repeat: a code per row (of one, two or four bytes as the distinct
    // values grow) into the distinct values, each kept as its tag and bytes: 'W' and a whole
    // number, 'R' and another number's bits, 'D' and a day number, 'T' and UTF-8.
    bool coded = true;
    text::CodeVector codes;
    text::Dictionary distinct;

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
    text::PackedTexts texts;  // row r's text is texts.at(r)
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
    template <class T>
    void pushCode(char tag, const T& value) {
        char key[1 + sizeof(T)];
        key[0] = tag;
        std::memcpy(key + 1, &value, sizeof(T));
        pushCode(QByteArrayView(key, sizeof key));
    }
    void pushCode(QByteArrayView key) {
        codes.push(distinct.code(key));
        if (distinct.size() > kMostDistinct && std::size_t(distinct.size()) * 8 > codes.size()) uncode();
    }

    template <class T>
    static T payload(QByteArrayView key) {
        T value;
        std::memcpy(&value, key.data() + 1, sizeof(T));
        return value;
    }

    void pushNumber(double value, bool isWhole) {
        if (coded) {
            if (isWhole) pushCode('W', qint64(value));
            else pushCode('R', value);
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
        if (coded) pushCode('D', day);
        else days.push_back(day);
    }

    void pushText(const QString& text) { pushUtf8(text.toUtf8()); }
    void pushUtf8(QByteArrayView bytes) {
        if (!coded) {
            texts.push(bytes);
            return;
        }
        QByteArray key;
        key.reserve(bytes.size() + 1);
        key.append('T').append(bytes);
        pushCode(key);
    }

    // Too many distinct values: every row gets its own value, and the codes go.
    void uncode() {
        const text::CodeVector old = std::move(codes);
        const text::Dictionary values = std::move(distinct);
        coded = false;
        codes.clear();
        distinct = text::Dictionary();
        for (std::size_t r = 0, n = old.size(); r < n; ++r) {
            const QByteArrayView key = values.key(old.at(r));
            switch (key[0]) {
            case 'W': pushNumber(double(payload<qint64>(key)), true); break;
            case 'R': pushNumber(payload<double>(key), false); break;
            case 'D': pushDay(payload<qint32>(key)); break;
            default: pushUtf8(key.sliced(1)); break;
            }
        }
    }

    QVariant distinctValue(quint32 code) const {
        const QByteArrayView key = distinct.key(code);
        switch (key[0]) {
        case 'W': return qlonglong(payload<qint64>(key));
        case 'R': return payload<double>(key);
        case 'D': return QDate::fromJulianDay(payload<qint32>(key));
        default: return QString::fromUtf8(key.sliced(1));
        }
    }

    QVariant value(int row) const {
        const std::size_t r = std::size_t(row);
        if (null[r]) return QVariant();
        if (coded && kind != Kind::Null && kind != Kind::Any) return distinctValue(codes.at(r));
        switch (kind) {
        case Kind::Null: return QVariant();
        case Kind::Number: {
            const double number = small ? double(ints[r]) / scale : numbers[r];
            if (whole[r]) return qlonglong(number);
            return number;
        }
        case Kind::Date: return QDate::fromJulianDay(days[r]);
        case Kind::Text: return QString::fromUtf8(texts.at(quint32(r)));
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

    // Every row is in: the hash table of the distinct values is no longer needed.
    void squeeze() {
        distinct.squeeze();
        null.shrink_to_fit();
        codes.squeeze();
        ints.shrink_to_fit();
        numbers.shrink_to_fit();
        whole.shrink_to_fit();
        days.shrink_to_fit();
        texts.squeeze();
        any.shrink_to_fit();
    }

    std::size_t bytes() const {
        return null.capacity() / 8 + codes.bytes() + distinct.bytes() + ints.capacity() * 4 +
               numbers.capacity() * 8 + whole.capacity() / 8 + days.capacity() * 4 +
               texts.bytes() + any.capacity() * sizeof(QVariant);
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
