#pragma once

// Orders as data: every order line as one row of comma-separated values, for moving orders
// between Quarrydesk books and spreadsheets or other programs.
//
//     quarrydesk --export-orders orders.csv
//     quarrydesk --import-orders orders.csv [--dry-run]
//
// The columns, by their headings: Order, Customer, Employee, Order Date, Ship Date, PO Number,
// Shipping Method, Sales Tax Rate, Product, Quantity, Unit Price, Discount. Numbers are plain
// (a "." and no grouping, rates and discounts as fractions), dates ISO 8601, texts formula-safe
// (see text/csv.h). An order without lines is one row with empty line fields.

#include <QString>
#include <QStringList>

class QIODevice;

namespace qd::data {
class Connection;
}

namespace qd::transfer {

// The headings in the order the export writes them.
const QStringList& orderColumns();

// The statement the export reads: every order line with the names it refers to.
const QString& exportStatement();

// Writes every order line of the book, the orders by number and their lines in the order they
// were added. Returns the number of rows written after the heading.
qint64 writeOrders(data::Connection& book, QIODevice& out);

struct ImportSummary {
    qint64 orders = 0;
    qint64 lines = 0;
    qint64 customers = 0, employees = 0, shippingMethods = 0, products = 0;  // created
    QStringList ignoredColumns;  // headings the import does not know
    // Rows that could not be read: "line 7, Quantity: 'ten' is not a number"; the first 50.
    QStringList problems;
    qint64 problemCount = 0;
    qint64 badRows = 0;  // rows with at least one problem
    bool stored = false;

    // What was done (or would be, on a dry run), in a sentence or two.
    QString text() const;
};

// Reads orders in that shape into the book, all in one transaction: when any row cannot be
// read nothing is stored and every problem is in the summary. A dry run checks everything and
// stores nothing. A file that is empty, not CSV or of another shape throws qd::Error with one
// clear message.
ImportSummary readOrders(data::Connection& book, QIODevice& in, bool dryRun);

}  // namespace qd::transfer
