#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>
#include <vector>

namespace qd::data {

// The order book's tables, indexes and saved queries as described once in orderbook.schema,
// and the two things made from that description: the SQLite script of the template dbBlank.mdb
// and the PostgreSQL script of a server order book. The statement translators of both engines
// read the kinds of columns from it too.
class Schema {
public:
    enum class Kind { Key, Integer, Text, Money, Number, Date };

    struct Column {
        QString name;  // canonical letter case, without brackets
        Kind kind;
    };
    struct Table {
        QString name;
        std::vector<Column> columns;
        QString key() const { return columns.empty() ? QString() : columns.front().name; }
    };
    struct Index {
        QString name;
        QString table;
        QStringList columns;
    };
    struct Query {
        QString name;
        QString body;  // a SELECT in the program's dialect, no final ";"
    };

    // Reads a description; throws qd::Error naming the line that cannot be read.
    static Schema parse(const QString& text);
    // The description built into the program.
    static const Schema& book();

    const std::vector<Table>& tables() const { return m_tables; }
    const std::vector<Index>& indexes() const { return m_indexes; }
    const std::vector<Query>& queries() const { return m_queries; }

    // Lookups without regard to letter case; nullptr when there is no such name.
    const Table* table(const QString& name) const;
    const Column* column(const QString& table, const QString& column) const;
    // The canonical spelling of a table, query or column name, or an empty text.
    QString canonicalName(const QString& name) const;
    // The kind of a column named as statements name it: "CompanyName", "Employees.FirstName",
    // "[Order Details].UnitPrice", letter case ignored. An unqualified name that several tables
    // share has a kind only when they all agree on it. nullopt for a name the schema lacks.
    std::optional<Kind> kindOf(QStringView name) const;
    // Whether a column of this name holds text (isTextColumn) or money (isMoneyColumn) in every
    // table that has one.
    bool isTextColumn(const QString& name) const { return kindOf(name) == Kind::Text; }
    bool isMoneyColumn(const QString& name) const { return kindOf(name) == Kind::Money; }
    // The integer key column of a table named as statements name it ("[Shipping Methods]" ->
    // "ShippingMethodID"), or an empty text for a name that is not a table.
    QString keyOf(QStringView table) const;

    // The statements that make an empty order book, in the order they must run.
    QStringList sqliteScript() const;
    QStringList postgresScript() const;

private:
    std::vector<Table> m_tables;
    std::vector<Index> m_indexes;
    std::vector<Query> m_queries;
};

// A name as written in a statement, brackets added when it holds anything but word characters.
QString bracketed(const QString& name);
// A name without its brackets: "[Order Details]" -> "Order Details".
QString unbracketed(QStringView name);

}  // namespace qd::data
