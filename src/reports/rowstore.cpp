#include "reports/rowstore.h"

#include "reports/document.h"

#include <QDate>
#include <QHash>

namespace qd::reports {

struct RowStore::Column {
    enum class Kind { Null, Integer, Real, Text, Date, Any };

    Kind kind = Kind::Null;  // nothing but Null so far
    int rows = 0;
    std::vector<bool> null;
    std::vector<qint64> integers;
    std::vector<double> reals;
    std::vector<qint32> days;
    // Texts: a code per row into the distinct texts while they repeat; once most rows differ
    // (PO numbers), each row's characters, packed.
    std::vector<quint32> codes;
    std::vector<QString> distinct;
    QHash<QString, quint32> index;
    bool packed = false;
    std::vector<char16_t> chars;
    std::vector<quint32> starts{0};  // packed: row r's characters are [starts[r], starts[r + 1])
    std::vector<QVariant> any;

    static Kind kindOf(const QVariant& v) {
        switch (v.typeId()) {
        case QMetaType::LongLong: case QMetaType::Int: return Kind::Integer;
        case QMetaType::Double: return Kind::Real;
        case QMetaType::QString: return Kind::Text;
        case QMetaType::QDate: return Kind::Date;
        default: return Kind::Any;
        }
    }

    void append(const QVariant& v) {
        const bool isNull = !v.isValid() || v.isNull();
        if (!isNull) {
            const Kind k = kindOf(v);
            if (kind == Kind::Null) {
                kind = k;
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

    void pushDefault() {
        switch (kind) {
        case Kind::Null: break;
        case Kind::Integer: integers.push_back(0); break;
        case Kind::Real: reals.push_back(0); break;
        case Kind::Date: days.push_back(0); break;
        case Kind::Text: pushText(QString()); break;
        case Kind::Any: any.emplace_back(); break;
        }
    }

    void push(const QVariant& v) {
        switch (kind) {
        case Kind::Null: break;
        case Kind::Integer: integers.push_back(v.toLongLong()); break;
        case Kind::Real: reals.push_back(v.toDouble()); break;
        case Kind::Date: days.push_back(qint32(v.toDate().toJulianDay())); break;
        case Kind::Text: pushText(v.toString()); break;
        case Kind::Any: any.push_back(v); break;
        }
    }

    void pushText(const QString& text) {
        if (packed) {
            chars.insert(chars.end(), text.utf16(), text.utf16() + text.size());
            starts.push_back(quint32(chars.size()));
            return;
        }
        auto it = index.constFind(text);
        if (it == index.constEnd()) {
            it = index.insert(text, quint32(distinct.size()));
            distinct.push_back(text);
        }
        codes.push_back(*it);
        if (distinct.size() > 4096 && distinct.size() * 2 > codes.size()) pack();
    }

    void pack() {
        packed = true;
        for (quint32 code : codes) {
            const QString& text = distinct[code];
            chars.insert(chars.end(), text.utf16(), text.utf16() + text.size());
            starts.push_back(quint32(chars.size()));
        }
        codes = {};
        distinct = {};
        index = {};
    }

    QVariant value(int row) const {
        if (null[size_t(row)]) return QVariant();
        switch (kind) {
        case Kind::Null: return QVariant();
        case Kind::Integer: return qlonglong(integers[size_t(row)]);
        case Kind::Real: return reals[size_t(row)];
        case Kind::Date: return QDate::fromJulianDay(days[size_t(row)]);
        case Kind::Text:
            if (packed)
                return QString::fromUtf16(chars.data() + starts[size_t(row)],
                                          qsizetype(starts[size_t(row) + 1] - starts[size_t(row)]));
            return distinct[codes[size_t(row)]];
        case Kind::Any: return any[size_t(row)];
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
    }

    std::size_t bytes() const {
        std::size_t b = null.capacity() / 8 + integers.capacity() * 8 + reals.capacity() * 8 +
                        days.capacity() * 4 + codes.capacity() * 4 + chars.capacity() * 2 +
                        starts.capacity() * 4 + any.capacity() * sizeof(QVariant);
        for (const QString& t : distinct) b += sizeof(QString) + size_t(t.capacity()) * 2;
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

std::size_t RowStore::bytes() const {
    std::size_t b = 0;
    for (const auto& c : m_columns) b += c->bytes();
    return b;
}

}  // namespace qd::reports
