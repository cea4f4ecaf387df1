// The import of order lines: every row checked, the orders and the lookups they name stored
// in one transaction, or nothing stored and every problem named.

#include "transfer/orderfile.h"

#include "core/error.h"
#include "data/changes.h"
#include "data/connection.h"
#include "data/engine.h"
#include "data/textfield.h"
#include "text/csv.h"

#include <QDateTime>
#include <QHash>
#include <QIODevice>
#include <QVariant>

#include <cmath>
#include <memory>
#include <optional>

namespace qd::transfer {

namespace {

enum Column { Order, Customer, Employee, OrderDate, ShipDate, PoNumber, Method, Rate, Product,
              Quantity, UnitPrice, Discount, kColumns };

// Without these a row is no order line; the others may be left out of a file.
constexpr Column kRequired[] = {Order, Customer, OrderDate, Product, Quantity, UnitPrice};
constexpr int kProblemsKept = 50;

// One kind of lookup: its names in the book, and the rows added for names it lacks.
struct Lookup {
    QString table;
    QStringList columns;  // the name's columns (and a product's price)
    QHash<QString, qint64> ids;
    qint64 created = 0;
    std::unique_ptr<data::RowAppender> appender;
};

class Import {
public:
    Import(data::Connection& book, bool dryRun) : m_book(book), m_dryRun(dryRun) {}
    ImportSummary run(QIODevice& in);

private:
    void readHeading(text::CsvReader& reader);
    void readLookups();
    void row(const QStringList& fields, qint64 line);
    std::optional<qint64> newOrder(const QStringList& fields, qint64 line);
    void problem(qint64 line, Column column, const QString& value, const QString& why);
    // The cell of a column, empty for a column the file does not have.
    QString cell(const QStringList& fields, Column column) const;
    std::optional<QString> name(const QStringList& fields, qint64 line, Column column);
    QVariant number(const QStringList& fields, qint64 line, Column column, bool fraction);
    QVariant date(const QStringList& fields, qint64 line, Column column);
    QVariant lookupId(Lookup& lookup, const QString& name, const QVariantList& values);
    bool writing() const { return !m_dryRun && m_summary.problemCount == 0; }

    data::Connection& m_book;
    bool m_dryRun;
    ImportSummary m_summary;
    int m_position[kColumns];  // each column's position in the file, -1 when it has none
    int m_fieldCount = 0;
    Lookup m_customers, m_employees, m_methods, m_products;
    std::unique_ptr<data::RowAppender> m_orders, m_lines;
    struct Known {
        qint64 id;
        size_t facts;  // what the order's first row said of it
        qint64 line;
    };
    QHash<QString, Known> m_known;  // the file's order numbers
    qint64 m_nextDryId = 1;
};

QString heading(Column c) { return orderColumns()[c]; }

void Import::problem(qint64 line, Column column, const QString& value, const QString& why) {
    if (++m_summary.problemCount > kProblemsKept) return;
    QString shown = value;
    if (shown.size() > 40) shown = shown.left(40) + QStringLiteral("...");
    shown.replace(QChar(0), QStringLiteral("\\0")).replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
    m_summary.problems << QStringLiteral("line %1, %2: '%3' %4").arg(line).arg(heading(column), shown, why);
}

QString Import::cell(const QStringList& fields, Column column) const {
    const int at = m_position[column];
    return at < 0 ? QString() : text::csvUnprotect(fields[at]);
}

std::optional<QString> Import::name(const QStringList& fields, qint64 line, Column column) {
    const QString text = cell(fields, column);
    if (text.contains(QChar(0))) {
        problem(line, column, text, QStringLiteral("holds the character NUL, which an order book cannot keep"));
        return std::nullopt;
    }
    if (text.size() > data::kTextFieldLength) {
        problem(line, column, text, QStringLiteral("is %1 characters long; an order book keeps at most %2")
                                        .arg(text.size()).arg(data::kTextFieldLength));
        return std::nullopt;
    }
    return text;
}

QVariant Import::number(const QStringList& fields, qint64 line, Column column, bool fraction) {
    const QString text = cell(fields, column).trimmed();
    if (text.isEmpty()) return QVariant();
    QByteArray digits = text.toLatin1();
    const bool percent = fraction && digits.endsWith('%');
    if (percent) digits = digits.chopped(1).trimmed() + "e-2";  // the point moved, not divided
    bool ok = !digits.isEmpty();
    for (const char c : digits)
        ok = ok && (std::isdigit(static_cast<unsigned char>(c)) || QByteArrayView(".+-eE").contains(c));
    const double value = ok ? digits.toDouble(&ok) : 0;
    if (!ok || !std::isfinite(value)) {
        problem(line, column, text, fraction ? QStringLiteral("is not a number (write 0.05 or 5%)")
                                             : QStringLiteral("is not a number (write it as 1234.5, "
                                                              "with a point and no grouping)"));
        return QVariant();
    }
    if (column == Discount && (value < 0 || value > 1)) {
        problem(line, column, text, QStringLiteral("is outside 0 to 100%"));
        return QVariant();
    }
    return value;
}

QVariant Import::date(const QStringList& fields, qint64 line, Column column) {
    const QString text = cell(fields, column).trimmed();
    if (text.isEmpty()) return QVariant();
    const QDate day = QDate::fromString(text.left(10), Qt::ISODate);
    if (day.isValid() && text.size() == 10) return day;
    if (day.isValid() && text.size() > 11 && (text[10] == u' ' || text[10] == u'T')) {
        const QString clock = text.mid(11);
        const QTime time = QTime::fromString(clock, clock.size() == 5 ? QStringLiteral("HH:mm")
                                                                      : QStringLiteral("HH:mm:ss"));
        if (time.isValid()) return time == QTime(0, 0) ? QVariant(day) : QVariant(QDateTime(day, time));
    }
    problem(line, column, text, QStringLiteral("is not a date (write dates as 2026-12-09)"));
    return QVariant();
}

QVariant Import::lookupId(Lookup& lookup, const QString& name, const QVariantList& values) {
    if (name.isEmpty()) return QVariant();
    const auto known = lookup.ids.constFind(name);
    if (known != lookup.ids.constEnd()) return *known;
    ++lookup.created;
    qint64 id = -lookup.created;  // stands for the row a dry run does not add
    if (writing()) {
        if (!lookup.appender) lookup.appender = m_book.engine().appender(lookup.table, lookup.columns);
        id = lookup.appender->append(values, true);
    }
    lookup.ids.insert(name, id);
    return id;
}

void Import::readHeading(text::CsvReader& reader) {
    QStringList names;
    if (!reader.next(names) || (names.size() == 1 && names[0].trimmed().isEmpty()))
        throw Error(QStringLiteral("The file is empty: its first line should name the columns %1.")
                        .arg(orderColumns().join(QStringLiteral(", "))));
    std::fill(std::begin(m_position), std::end(m_position), -1);
    m_fieldCount = int(names.size());
    for (int i = 0; i < names.size(); ++i) {
        const QString n = names[i].trimmed();
        int column = -1;
        for (int k = 0; k < kColumns && column < 0; ++k)
            if (orderColumns()[k].compare(n, Qt::CaseInsensitive) == 0) column = k;
        if (column < 0) {
            m_summary.ignoredColumns << n;
        } else if (m_position[column] >= 0) {
            throw Error(QStringLiteral("The column %1 is in the file twice.").arg(heading(Column(column))));
        } else {
            m_position[column] = i;
        }
    }
    QStringList missing;
    for (const Column c : kRequired)
        if (m_position[c] < 0) missing << heading(c);
    if (missing.size() == int(std::size(kRequired)))
        throw Error(QStringLiteral("This is not a file of order lines: its first line should name "
                                   "the columns %1.")
                        .arg(orderColumns().join(QStringLiteral(", "))));
    if (!missing.isEmpty())
        throw Error(QStringLiteral("The file has no column %1.").arg(missing.join(QStringLiteral(", "))));
}

void Import::readLookups() {
    auto read = [&](Lookup& lookup, const QString& table, const QStringList& columns,
                    const QString& statement) {
        lookup.table = table;
        lookup.columns = columns;
        const auto rows = m_book.query(statement);
        while (rows->next()) {
            QStringList parts;
            for (int i = 1; i < rows->columnCount(); ++i)
                if (rows->type(i) != data::ValueType::Null && !rows->text(i).isEmpty())
                    parts << QString::fromUtf8(rows->text(i));
            // Read newest first: of several of one name, the oldest is the one matched.
            lookup.ids.insert(parts.join(QLatin1Char(' ')), rows->integer(0));
        }
    };
    read(m_customers, QStringLiteral("Customers"), {QStringLiteral("CompanyName")},
         QStringLiteral("select CustomerID, CompanyName from Customers order by CustomerID desc"));
    read(m_employees, QStringLiteral("Employees"), {QStringLiteral("FirstName"), QStringLiteral("LastName")},
         QStringLiteral("select EmployeeID, FirstName, LastName from Employees order by EmployeeID desc"));
    read(m_methods, QStringLiteral("Shipping Methods"), {QStringLiteral("ShippingMethod")},
         QStringLiteral("select ShippingMethodID, ShippingMethod from [Shipping Methods] order by ShippingMethodID desc"));
    read(m_products, QStringLiteral("Products"), {QStringLiteral("ProductName"), QStringLiteral("UnitPrice")},
         QStringLiteral("select ProductID, ProductName from Products order by ProductID desc"));
}

// The order of a file's first row of it: its lookups matched or made, the order added.
// Nothing when the row cannot be read.
std::optional<qint64> Import::newOrder(const QStringList& fields, qint64 line) {
    const qint64 before = m_summary.problemCount;
    const auto customer = name(fields, line, Customer);
    const auto employee = name(fields, line, Employee);
    const QVariant ordered = date(fields, line, OrderDate);
    const QVariant shipped = date(fields, line, ShipDate);
    const auto po = name(fields, line, PoNumber);
    const auto method = name(fields, line, Method);
    const QVariant rate = number(fields, line, Rate, true);
    if (m_summary.problemCount != before) return std::nullopt;
    // An employee is written "first last"; a new one is split at the last blank.
    const qsizetype blank = employee->lastIndexOf(u' ');
    const QVariantList employeeName =
        blank < 0 ? QVariantList{*employee, QVariant()}
                  : QVariantList{employee->left(blank), employee->mid(blank + 1)};
    const QVariantList values{lookupId(m_customers, *customer, {*customer}),
                              lookupId(m_employees, *employee, employeeName),
                              ordered, po->isEmpty() ? QVariant() : QVariant(*po), shipped,
                              lookupId(m_methods, *method, {*method}), rate};
    qint64 id = m_nextDryId++;
    if (writing()) {
        if (!m_orders)
            m_orders = m_book.engine().appender(
                QStringLiteral("Orders"),
                {QStringLiteral("CustomerID"), QStringLiteral("EmployeeID"), QStringLiteral("OrderDate"),
                 QStringLiteral("PurchaseOrderNumber"), QStringLiteral("ShipDate"),
                 QStringLiteral("ShippingMethodID"), QStringLiteral("SalesTaxRate")});
        id = m_orders->append(values, true);
    }
    ++m_summary.orders;
    return id;
}

void Import::row(const QStringList& fields, qint64 line) {
    if (fields.size() == 1 && fields[0].trimmed().isEmpty()) return;  // a blank line
    if (fields.size() != m_fieldCount) {
        ++m_summary.badRows;
        if (++m_summary.problemCount <= kProblemsKept)
            m_summary.problems << QStringLiteral("line %1: %2 fields where the first line names %3 columns")
                                      .arg(line).arg(fields.size()).arg(m_fieldCount);
        return;
    }
    const qint64 before = m_summary.problemCount;
    struct BadRow {  // a row with any problem counts once
        ImportSummary& summary;
        qint64 before;
        ~BadRow() { summary.badRows += summary.problemCount > before ? 1 : 0; }
    } bad{m_summary, before};
    const QString order = cell(fields, Order).trimmed();
    if (order.isEmpty()) {
        problem(line, Order, order, QStringLiteral("is empty: every row needs the number of its order"));
        return;
    }
    // The order is made at its first row; its other rows must say the same of it, and are
    // not read again.
    size_t facts = 0;
    for (const Column c : {Customer, Employee, OrderDate, ShipDate, PoNumber, Method, Rate})
        facts = qHashMulti(facts, m_position[c] < 0 ? QString() : fields[m_position[c]]);
    auto known = m_known.find(order);
    if (known != m_known.end() && known->facts != facts) {
        problem(line, Order, order,
                QStringLiteral("says other things of the order than line %1 (its customer, "
                               "employee, dates, PO number, shipping method or tax rate)")
                    .arg(known->line));
        return;
    }
    const auto product = name(fields, line, Product);
    const QVariant quantity = number(fields, line, Quantity, false);
    const QVariant price = number(fields, line, UnitPrice, false);
    const QVariant discount = number(fields, line, Discount, true);
    if (known == m_known.end()) {
        const std::optional<qint64> id = newOrder(fields, line);
        if (!id) return;
        known = m_known.insert(order, {*id, facts, line});
    }
    if (m_summary.problemCount != before) return;
    if (product->isEmpty() && quantity.isNull() && price.isNull() && discount.isNull())
        return;  // an order without lines
    const QVariantList values{known->id, lookupId(m_products, *product, {*product, price}),
                              quantity, price, discount};
    if (writing()) {
        if (!m_lines)
            m_lines = m_book.engine().appender(
                QStringLiteral("Order Details"),
                {QStringLiteral("OrderID"), QStringLiteral("ProductID"), QStringLiteral("Quantity"),
                 QStringLiteral("UnitPrice"), QStringLiteral("Discount")});
        m_lines->append(values, false);
    }
    ++m_summary.lines;
}

ImportSummary Import::run(QIODevice& in) {
    text::CsvReader reader(in);
    readHeading(reader);
    readLookups();
    if (!m_dryRun) m_book.begin();
    try {
        QStringList fields;
        while (reader.next(fields)) row(fields, reader.line());
        // Rows an engine holds back are sent before the commit.
        for (data::RowAppender* a : {m_customers.appender.get(), m_employees.appender.get(),
                                     m_methods.appender.get(), m_products.appender.get(),
                                     m_orders.get(), m_lines.get()})
            if (a && writing()) a->flush();
        if (m_summary.problemCount > 0 || m_dryRun) {
            if (!m_dryRun) m_book.rollback();
        } else {
            m_book.noteChanges(data::BookChanges::all());
            m_book.commit();
            m_summary.stored = true;
        }
    } catch (...) {
        if (!m_dryRun) m_book.rollback();
        throw;
    }
    m_summary.customers = m_customers.created;
    m_summary.employees = m_employees.created;
    m_summary.shippingMethods = m_methods.created;
    m_summary.products = m_products.created;
    return m_summary;
}

}  // namespace

QString ImportSummary::text() const {
    auto counted = [](qint64 n, const char* one, const char* many) {
        return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    QStringList made;
    if (customers > 0) made << counted(customers, "customer", "customers");
    if (employees > 0) made << counted(employees, "employee", "employees");
    if (shippingMethods > 0) made << counted(shippingMethods, "shipping method", "shipping methods");
    if (products > 0) made << counted(products, "product", "products");
    QString out;
    if (problemCount > 0) {
        out = problems.join(QLatin1Char('\n')) + QLatin1Char('\n');
        if (problemCount > problems.size())
            out += QStringLiteral("... and %1 more.\n").arg(problemCount - problems.size());
        out += QStringLiteral("%1 cannot be read; nothing was imported.\n")
                   .arg(counted(badRows, "row", "rows"));
        return out;
    }
    out = QStringLiteral("%1 %2 with %3")
              .arg(stored ? QStringLiteral("Imported") : QStringLiteral("Checked: would import"),
                   counted(orders, "order", "orders"), counted(lines, "line", "lines"));
    out += made.isEmpty() ? QStringLiteral(", all they name already in the book")
                          : QStringLiteral(", adding %1").arg(made.join(QStringLiteral(", ")));
    out += stored ? QStringLiteral(".\n") : QStringLiteral("; nothing was stored.\n");
    if (!ignoredColumns.isEmpty())
        out += QStringLiteral("Columns not read: %1.\n").arg(ignoredColumns.join(QStringLiteral(", ")));
    return out;
}

ImportSummary readOrders(data::Connection& book, QIODevice& in, bool dryRun) {
    Import import(book, dryRun);
    return import.run(in);
}

}  // namespace qd::transfer
