#pragma once

// The reports the program offers, the saved query each one reads, and the currency symbol
// that the money fields of the "Total Price" reports carry.

#include "reports/reportlayout.h"

#include <QStringList>

#include <vector>

namespace qd::reports {

struct ReportKind {
    QString entryText;         // as listed in the reports window
    QString statement;         // the statement that reads its saved query
    ReportLayout (*create)();  // a fresh layout instance
    QStringList moneyFields;   // detail fields given the chosen currency, in this order
};

// The three reports in list order.
const std::vector<ReportKind>& reportKinds();
// The report of an entry text, matched exactly; nullptr when there is none.
const ReportKind* findReportKind(const QString& entryText);

// "#,##0.00" with the symbol joined on as typed, before or after; characters of the symbol
// that a number format would read as placeholders or separators are escaped with "\".
QString moneyFormat(const QString& symbol, bool before);

// The symbols offered when nothing is stored: dollar, pound, yen and euro signs joined with
// ";;;".
QString defaultCurrencyList();
// A stored list text split into symbols; the empty text holds none.
QStringList splitCurrencyList(const QString& listText);

struct CurrencyChoice {
    bool selected = false;  // false: the reports keep the formats of their layouts
    QString symbol;
    bool before = true;
};

// The choice stored by the currency options window, read the way that window's load reads it:
// a stored position outside the list selects nothing, the number is preceded by the symbol
// exactly when the stored "Option1" reads as True (a value that does not read leaves it off).
CurrencyChoice storedCurrencyChoice();

// Gives the report's money fields the chosen currency; nothing changes without a selection.
void applyCurrency(ReportLayout& layout, const ReportKind& kind, const CurrencyChoice& choice);

}  // namespace qd::reports
