#pragma once

// How a list keeps the cells of one column: by column, each kind in the form its values take
// least room and sort fastest in, and made into the text the user sees only when shown.
//   Text       a text per row (UTF-8, packed), for texts that mostly differ (PO numbers)
//   Repeating  a code per row into the column's distinct texts (customers, employees,
//              shipping methods, formatted rates), in one, two or four bytes as the distinct
//              texts grow: each distinct value is kept and formatted once
//   Integer    a whole number per row, shown in decimal (IDs)
//   Date       a day number per row, shown as the regional short date (order and ship dates)
// Every kind shows, sorts and finds by the text the user sees, under the list's one text order.
// A column formats with the regional settings of the moment it was made; a list makes its
// columns afresh for every fill, so each distinct date or number is formatted once per fill.

#include "text/packedtexts.h"
#include "text/textcache.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace qd::ui {

class ListColumn {
public:
    enum class Kind { Text, Repeating, Integer, Date };

    virtual ~ListColumn() = default;
    virtual Kind kind() const = 0;
    // The column now has `rows` rows; new ones are empty.
    virtual void resize(std::uint32_t rows) = 0;
    virtual QString text(std::uint32_t row) const = 0;
    // Sets a cell from the text shown; false when this kind cannot hold that text (the list
    // then keeps the column as Text).
    virtual bool setText(std::uint32_t row, const QString& text) = 0;
    virtual void erase(std::uint32_t row) = 0;
    // Gives back spare room once the rows are complete.
    virtual void squeeze() = 0;
    virtual std::size_t bytes() const = 0;
    // Orders rows (stored row numbers) stably by the cells' texts.
    virtual void sort(std::vector<std::uint32_t>& rows, bool descending) const = 0;
    // A test of whether a row's text holds the needle, letter case ignored.
    virtual std::function<bool(std::uint32_t)> matcher(const QString& needle) const = 0;

    // Makes the column of a kind; numberFormat is how a Repeating column shows numbers (general
    // when empty).
    static std::unique_ptr<ListColumn> make(Kind kind, const QString& numberFormat = QString());
};

class TextColumn : public ListColumn {
public:
    Kind kind() const override { return Kind::Text; }
    void resize(std::uint32_t rows) override { m_cells.resize(rows); }
    QString text(std::uint32_t row) const override;
    bool setText(std::uint32_t row, const QString& text) override;
    void setUtf8(std::uint32_t row, QByteArrayView text);
    void erase(std::uint32_t row) override { m_cells.erase(m_cells.begin() + row); }
    void squeeze() override;
    std::size_t bytes() const override;
    void sort(std::vector<std::uint32_t>& rows, bool descending) const override;
    std::function<bool(std::uint32_t)> matcher(const QString& needle) const override;

    QByteArrayView utf8(std::uint32_t row) const {
        const Cell& c = m_cells[row];
        return m_texts.at(c.offset, c.length);
    }

private:
    struct Cell {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
    };
    text::TextArena m_texts;
    std::vector<Cell> m_cells;
};

class RepeatingColumn : public ListColumn {
public:
    explicit RepeatingColumn(const QString& numberFormat);
    Kind kind() const override { return Kind::Repeating; }
    void resize(std::uint32_t rows) override { m_codes.resize(rows); }
    QString text(std::uint32_t row) const override { return m_texts[m_codes.at(row)]; }
    bool setText(std::uint32_t row, const QString& text) override;
    void setUtf8(std::uint32_t row, QByteArrayView text);
    void setNumber(std::uint32_t row, double value);
    void erase(std::uint32_t row) override { m_codes.erase(row); }
    void squeeze() override {
        m_codes.squeeze();
        m_keys.squeeze();
    }
    std::size_t bytes() const override;
    void sort(std::vector<std::uint32_t>& rows, bool descending) const override;
    std::function<bool(std::uint32_t)> matcher(const QString& needle) const override;

    std::uint32_t distinct() const { return std::uint32_t(m_texts.size()); }

private:
    // The code of a value given by its kind and bytes, made (with its text) when new.
    template <class MakeText>
    std::uint32_t codeOf(char tag, QByteArrayView bytes, MakeText&& makeText);

    text::CodeVector m_codes;      // per row; code 0 is the empty text
    std::vector<QString> m_texts;  // per code
    text::Dictionary m_keys;       // per code: tag and bytes
    text::NumberTexts m_numbers;
};

class IntegerColumn : public ListColumn {
public:
    static constexpr qint64 kEmpty = std::numeric_limits<qint64>::min();
    Kind kind() const override { return Kind::Integer; }
    void resize(std::uint32_t rows) override { m_values.resize(rows, kEmpty); }
    QString text(std::uint32_t row) const override;
    bool setText(std::uint32_t row, const QString& text) override;
    void setInteger(std::uint32_t row, qint64 value) { m_values[row] = value; }
    qint64 value(std::uint32_t row) const { return m_values[row]; }
    void erase(std::uint32_t row) override { m_values.erase(m_values.begin() + row); }
    void squeeze() override { m_values.shrink_to_fit(); }
    std::size_t bytes() const override { return m_values.capacity() * sizeof(qint64); }
    void sort(std::vector<std::uint32_t>& rows, bool descending) const override;
    std::function<bool(std::uint32_t)> matcher(const QString& needle) const override;

private:
    std::vector<qint64> m_values;
};

class DateColumn : public ListColumn {
public:
    static constexpr std::int32_t kEmpty = std::numeric_limits<std::int32_t>::min();
    Kind kind() const override { return Kind::Date; }
    void resize(std::uint32_t rows) override { m_days.resize(rows, kEmpty); }
    QString text(std::uint32_t row) const override;
    bool setText(std::uint32_t row, const QString& text) override;
    // False for a day beyond what the column holds (the list then keeps the column as Text).
    bool setDay(std::uint32_t row, qint64 julianDay);
    void erase(std::uint32_t row) override { m_days.erase(m_days.begin() + row); }
    void squeeze() override { m_days.shrink_to_fit(); }
    std::size_t bytes() const override { return m_days.capacity() * sizeof(std::int32_t); }
    void sort(std::vector<std::uint32_t>& rows, bool descending) const override;
    std::function<bool(std::uint32_t)> matcher(const QString& needle) const override;

private:
    const QString& dayText(std::int32_t day) const;
    // The distinct days of the rows (the empty cell as kEmpty) and each row's index among them.
    std::vector<std::int32_t> distinctDays(const std::vector<std::uint32_t>& rows,
                                           std::vector<std::uint32_t>& indexOfRow) const;

    std::vector<std::int32_t> m_days;
    mutable text::DateTexts m_texts;
};

}  // namespace qd::ui
