// The order list and the lines of the selected order.

#include "ui/main/form1.h"

#include "app/appconnection.h"
#include "app/errortrap.h"
#include "data/recordset.h"
#include "text/textcache.h"
#include "text/textconv.h"
#include "ui/controls/listmodel.h"
#include "ui/order/orderstatements.h"
#include "ui/controls/listview.h"

namespace qd::ui {

namespace {

// A plain value as the list shows it. A missing value shows as an empty cell instead of
// stopping the fill, so one incomplete row never hides the orders after it.
QString plain(const QVariant& value) { return text::generalText(value); }

QString dateText(const QVariant& value) {
    if (value.isNull()) return QString();
    if (value.typeId() == QMetaType::QDateTime) return text::shortDate(value.toDateTime().date());
    if (value.typeId() == QMetaType::QDate) return text::shortDate(value.toDate());
    return plain(value);
}

QString numberFormat(const QVariant& value, const QString& format) {
    return text::formatValue(value, format);
}

const QString kPercent = QStringLiteral("0.00%");

// The order list's rows, read from the open statement as the list asks for them. Values go
// from the statement into the list's columns as they are typed (IDs as numbers, dates as day
// numbers, texts as UTF-8); the texts the user sees are made from them when shown, the same
// texts a value-by-value conversion gives.
class OrderRows : public ListFill {
public:
    enum Column { Id, Customer, Employee, OrderDate, PoNumber, ShipDate, Shipping, TaxRate, Count };

    OrderRows(Form1& form, std::unique_ptr<data::Recordset> rs) : m_form(form), m_rs(std::move(rs)) {
        static const char* const names[Count] = {
            "OrderID", "CompanyName", "EmployeeName", "OrderDate", "PurchaseOrderNumber",
            "ShipDate", "ShippingMethod", "SalesTaxRate"};
        for (int c = 0; c < Count; ++c) {
            m_field[c] = m_rs->fieldIndex(QLatin1String(names[c]));
            if (m_field[c] < 0)
                throw Error(QStringLiteral("Item cannot be found in the collection corresponding "
                                           "to the requested name or ordinal: %1.")
                                .arg(QLatin1String(names[c])));
        }
    }

    // The columns' kinds, for a list about to be filled.
    static void describe(ListModel& model) {
        model.setColumnKind(Id, ListModel::ColumnKind::Integer);
        model.setColumnKind(Customer, ListModel::ColumnKind::Repeating);
        model.setColumnKind(Employee, ListModel::ColumnKind::Repeating);
        model.setColumnKind(OrderDate, ListModel::ColumnKind::Date);
        model.setColumnKind(PoNumber, ListModel::ColumnKind::Text);
        model.setColumnKind(ShipDate, ListModel::ColumnKind::Date);
        model.setColumnKind(Shipping, ListModel::ColumnKind::Repeating);
        model.setColumnKind(TaxRate, ListModel::ColumnKind::Repeating, kPercent);
    }

    bool addRows(ListModel& model, int rows) override {
        for (int n = 0; n < rows && !m_rs->eof(); ++n) {
            const int row = model.appendRow();
            plainCell(model, row, Id);
            plainCell(model, row, Customer);
            plainCell(model, row, Employee);
            dateCell(model, row, OrderDate);
            plainCell(model, row, PoNumber);
            dateCell(model, row, ShipDate);
            plainCell(model, row, Shipping);
            rateCell(model, row);
            m_rs->moveNext();
        }
        if (!m_rs->eof()) return true;
        m_rs->close();
        return false;
    }

    void finished() override { m_form.orderListFilled(); }

    void failed(const std::exception& error) override {
        reportUntrapped(QStringLiteral("The order list could not be read to its end."), error);
    }

private:
    void plainCell(ListModel& model, int row, int column) {
        const int at = m_field[column];
        switch (m_rs->type(at)) {
        case data::ValueType::Null: break;
        case data::ValueType::Integer: model.setInteger(row, column, m_rs->integer(at)); break;
        case data::ValueType::Real:
            model.setCell(row, column, text::numberTextRegional(m_rs->real(at)));
            break;
        case data::ValueType::Text:
            if (m_rs->isDateColumn(at))
                model.setCell(row, column, plain(m_rs->field(at)));
            else
                model.setUtf8(row, column, m_rs->text(at));
            break;
        }
    }

    void dateCell(ListModel& model, int row, int column) {
        const int at = m_field[column];
        const data::ValueType type = m_rs->type(at);
        if (type == data::ValueType::Null) return;
        qint64 day = 0;
        if (type == data::ValueType::Text && m_rs->isDateColumn(at) && text::isoDay(m_rs->text(at), day))
            model.setDay(row, column, day);
        else
            model.setCell(row, column, dateText(m_rs->field(at)));  // not a date as kept
    }

    void rateCell(ListModel& model, int row) {
        const int at = m_field[TaxRate];
        switch (m_rs->type(at)) {
        case data::ValueType::Null: break;
        case data::ValueType::Integer: model.setNumber(row, TaxRate, double(m_rs->integer(at))); break;
        case data::ValueType::Real: model.setNumber(row, TaxRate, m_rs->real(at)); break;
        case data::ValueType::Text:
            model.setCell(row, TaxRate, numberFormat(m_rs->field(at), kPercent));
            break;
        }
    }

    Form1& m_form;
    std::unique_ptr<data::Recordset> m_rs;
    int m_field[Count];
};

}  // namespace

// The list is cleared and its first rows read at once; the rest follow between events (see
// ListFill). When every order is in, the detail list shows the selected order's lines.
void Form1::RefreshOrderList() {
    ListView1->clear();  // also ends a fill still going on
    auto rs = std::make_unique<data::Recordset>();
    rs->open(order::kOrderRows, AppConnection(), data::Recordset::OpenStatic,
             data::Recordset::ReadOnly);
    ListModel& model = *ListView1->listModel();
    OrderRows::describe(model);
    model.startFill(std::make_unique<OrderRows>(*this, std::move(rs)));
}

void Form1::orderListFilled() {
    if (ListView1->count() > 0)
        ListView1_ItemClick();
    else
        ListView2->clear();  // no order left, so no lines of one either
    emit orderListComplete();
}

bool Form1::orderListFilling() const { return ListView1->listModel()->filling(); }

void Form1::ListView1_ItemClick() {
    ListView2->clear();
    data::Recordset rs;
    rs.open(QStringLiteral("select OrderDetailID,ProductName,Quantity,[Order Details].UnitPrice,"
                           "Discount from (([Order Details] ") +
                QStringLiteral("inner join Orders on Orders.OrderID=[Order Details].OrderID) ") +
                QStringLiteral("inner join Products on Products.ProductID=[Order Details].ProductID) "
                               "where [Order Details].OrderID=") +
                ListView1->selectedText(),
            AppConnection(), data::Recordset::OpenStatic, data::Recordset::ReadOnly);
    while (!rs.eof()) {
        const int item = ListView2->addItem(plain(rs.field(QStringLiteral("OrderDetailID"))));
        ListView2->setSubItem(item, 1, plain(rs.field(QStringLiteral("ProductName"))));
        ListView2->setSubItem(item, 2, plain(rs.field(QStringLiteral("Quantity"))));
        ListView2->setSubItem(item, 3,
                              numberFormat(rs.field(QStringLiteral("UnitPrice")),
                                           QStringLiteral("#,##0.00")));
        ListView2->setSubItem(item, 4, numberFormat(rs.field(QStringLiteral("Discount")), kPercent));
        rs.moveNext();
    }
    rs.close();
}

// A row chosen by the user in the order list: nothing is trapped here, so a failure (the
// order book unavailable, say) is told in a plain message instead of ending the program.
void Form1::userItemClick() {
    try {
        ListView1_ItemClick();
    } catch (const std::exception& e) {
        reportUntrapped(QStringLiteral("The lines of the selected order cannot be shown."), e);
    }
}

void Form1::ListView1_ColumnClick(int position) { ListView1->sortByColumnClick(position); }

void Form1::ListView2_ColumnClick(int position) { ListView2->sortByColumnClick(position); }

}  // namespace qd::ui
