#include "reports/catalogue.h"

#include "app/settings.h"
#include "core/error.h"
#include "reports/designs.h"

namespace qd::reports {

const std::vector<ReportKind>& reportKinds() {
    static const std::vector<ReportKind> kinds{
        {QStringLiteral("Orders by Customer"),
         QStringLiteral("select * from [Orders by Customer]"), &rptOrderbyCustomer, {}},
        {QStringLiteral("Total Price of Orders"),
         QStringLiteral("select * from [Total Price of Orders]"), &rptTotalPriceOrders,
         {QStringLiteral("Text4")}},
        {QStringLiteral("Total Price of Each Order Detail"),
         QStringLiteral("select * from [Total Price of Order Details]"), &rptTotalPriceOrderDetail,
         {QStringLiteral("Text4"), QStringLiteral("Text3"), QStringLiteral("Text6"),
          QStringLiteral("Text9")}},
    };
    return kinds;
}

const ReportKind* findReportKind(const QString& entryText) {
    for (const ReportKind& kind : reportKinds())
        if (kind.entryText == entryText) return &kind;
    return nullptr;
}

QString moneyFormat(const QString& symbol, bool before) {
    // A symbol is shown as typed. Characters that mean something in a number format ("Fr."
    // and "Rs." end in a decimal point, "%" would multiply the amount by 100) are escaped, so
    // that the amount itself is never changed by the symbol; other symbols join unchanged.
    QString literal;
    for (QChar c : symbol) {
        if (QStringLiteral("0#.,%;\\\"").contains(c)) literal += QLatin1Char('\\');
        literal += c;
    }
    const QString number = QStringLiteral("#,##0.00");
    return before ? literal + number : number + literal;
}

QString defaultCurrencyList() {
    const QString separator = QStringLiteral(";;;");
    return QString(QChar(0x0024)) + separator + QChar(0x00A3) + separator + QChar(0x00A5) +
           separator + QChar(0x20AC);
}

QStringList splitCurrencyList(const QString& listText) {
    if (listText.isEmpty()) return {};
    return listText.split(QStringLiteral(";;;"));
}

CurrencyChoice storedCurrencyChoice() {
    auto get = [](const char* key, const QString& fallback) {
        return GetSetting(kSettingsApp, kSettingsSection, QLatin1String(key), fallback);
    };
    const QStringList symbols = splitCurrencyList(get("CurrList", defaultCurrencyList()));
    CurrencyChoice choice;
    try {
        const int position = toInteger16(get("Currency", QStringLiteral("0")));
        if (position >= 0 && position < symbols.size()) {
            choice.selected = true;
            choice.symbol = symbols.at(position);
        }
    } catch (const Error&) {
    }
    // The options window sets "Before number" first, and turning it on stores "After number"
    // as off before that key is read; so only a stored "Before number" counts.
    bool option1 = false;
    try {
        option1 = toBoolean(get("Option1", QStringLiteral("1")));
    } catch (const Error&) {
    }
    choice.before = option1;
    return choice;
}

void applyCurrency(ReportLayout& layout, const ReportKind& kind, const CurrencyChoice& choice) {
    if (!choice.selected) return;
    Section& detail = layout.section(QStringLiteral("Section1"));
    for (const QString& name : kind.moneyFields)
        detail.control(name).setFormat(moneyFormat(choice.symbol, choice.before));
}

}  // namespace qd::reports
