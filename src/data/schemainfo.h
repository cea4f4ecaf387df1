#pragma once

// What the statement translators know of the order book's tables: which columns hold text and
// which column is a table's integer key, read from the one description of the order book
// (data/schema.h) that also makes the template book and a server book.

#include <QString>
#include <QStringView>

#include <optional>

namespace qd::data::schema {

enum class ColumnKind { Key, Integer, Real, Money, Date, Text };

// The kind of a column named as statements name it: "CompanyName", "Employees.FirstName",
// "[Order Details].UnitPrice", letter case ignored. An unqualified name that several tables
// share has a kind only when they all agree on it. nullopt for a name the schema lacks.
std::optional<ColumnKind> columnKind(QStringView name);

// The integer key column of a table ("Orders" -> "OrderID", "[Shipping Methods]" ->
// "ShippingMethodID"), or an empty text for a name that is not a table.
QString integerKey(QStringView table);

// A name without its brackets: "[Order Details]" -> "Order Details".
QString unbracketed(QStringView name);

}  // namespace qd::data::schema
