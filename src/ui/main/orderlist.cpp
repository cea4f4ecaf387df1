// The order list and the lines of the selected order.

#include "ui/main/form1.h"

#include "app/appconnection.h"
#include "app/bookwatcher.h"
#include "app/errortrap.h"
#include "data/bookstatements.h"
#include "data/recordset.h"
#include "text/textcache.h"
#include "text/textconv.h"
#include "ui/controls/listmodel.h"
#include "ui/controls/listview.h"

#include <algorithm>

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

// One order row of a statement written into the order list's columns as they are typed (IDs
// as numbers, dates as day numbers, texts as UTF-8); the texts the user sees are made from them
// when shown, the same texts a value-by-value conversion gives.
class OrderCells {
public:
    enum Column { Id, Customer, Employee, OrderDate, PoNumber, ShipDate, Shipping, TaxRate, Count };

    explicit OrderCells(const data::Recordset& rs) : m_rs(rs) {
        static const char* const names[Count] = {
            "OrderID", "CompanyName", "EmployeeName", "OrderDate", "PurchaseOrderNumber",
            "ShipDate", "ShippingMethod", "SalesTaxRate"};
        for (int c = 0; c < Count; ++c) {
            m_field[c] = m_rs.fieldIndex(QLatin1String(names[c]));
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

    qint64 orderId() const { return m_rs.integer(m_field[Id]); }

    // Writes the current row into the stored row `handle` of the model; a row written again
    // has every cell replaced.
    void write(ListModel& model, int handle) const {
        plainCell(model, handle, Id);
        plainCell(model, handle, Customer);
        plainCell(model, handle, Employee);
        dateCell(model, handle, OrderDate);
        plainCell(model, handle, PoNumber);
        dateCell(model, handle, ShipDate);
        plainCell(model, handle, Shipping);
        rateCell(model, handle);
    }

private:
    void plainCell(ListModel& model, int row, int column) const {
        const int at = m_field[column];
        switch (m_rs.type(at)) {
        case data::ValueType::Null: model.setCell(row, column, QString()); break;
        case data::ValueType::Integer: model.setInteger(row, column, m_rs.integer(at)); break;
        case data::ValueType::Real:
            model.setCell(row, column, text::numberTextRegional(m_rs.real(at)));
            break;
        case data::ValueType::Text:
            if (m_rs.isDateColumn(at))
                model.setCell(row, column, plain(m_rs.field(at)));
            else
                model.setUtf8(row, column, m_rs.text(at));
            break;
        }
    }

    void dateCell(ListModel& model, int row, int column) const {
        const int at = m_field[column];
        const data::ValueType type = m_rs.type(at);
        if (type == data::ValueType::Null) return model.setCell(row, column, QString());
        qint64 day = 0;
        if (type == data::ValueType::Text && m_rs.isDateColumn(at) && text::isoDay(m_rs.text(at), day))
            model.setDay(row, column, day);
        else
            model.setCell(row, column, dateText(m_rs.field(at)));  // not a date as kept
    }

    void rateCell(ListModel& model, int row) const {
        const int at = m_field[TaxRate];
        switch (m_rs.type(at)) {
        case data::ValueType::Null: model.setCell(row, TaxRate, QString()); break;
        case data::ValueType::Integer: model.setNumber(row, TaxRate, double(m_rs.integer(at))); break;
        case data::ValueType::Real: model.setNumber(row, TaxRate, m_rs.real(at)); break;
        case data::ValueType::Text:
            model.setCell(row, TaxRate, numberFormat(m_rs.field(at), kPercent));
            break;
        }
    }

    const data::Recordset& m_rs;
    int m_field[Count];
};

// The order list's rows, read from the open statement as the list asks for them.
class OrderRows : public ListFill {
public:
    OrderRows(Form1& form, std::unique_ptr<data::Recordset> rs)
        : m_form(form), m_rs(std::move(rs)), m_cells(*m_rs) {}

    bool addRows(ListModel& model, int rows) override {
        for (int n = 0; n < rows && !m_rs->eof(); ++n) {
            m_cells.write(model, model.appendRow());
            m_rs->moveNext();
        }
        if (!m_rs->eof()) return true;
        m_rs->close();
        return false;
    }

    void finished() override { m_form.orderListFilled(); }

    void failed(const std::exception& error) override { m_form.orderListFailed(error); }

private:
    Form1& m_form;
    std::unique_ptr<data::Recordset> m_rs;
    OrderCells m_cells;
};

}  // namespace

// An empty list shows its first rows at once and the rest between events (see ListFill). A
// list that shows orders keeps them, in sight and selected, while every order is read again
// beside them, and takes the new rows in their place when all are read; a statement that
// cannot be opened, or a book that goes half-way, leaves them as they were. When every order
// is in, the detail list shows the selected order's lines.
void Form1::RefreshOrderList() {
    auto rs = std::make_unique<data::Recordset>();
    rs->open(data::statements::kOrderRows, AppConnection(), data::Recordset::OpenStatic,
             data::Recordset::ReadOnly);
    // Whatever was committed before is in what is read now.
    m_waiting = data::BookChanges();
    if (m_watcher) m_watcher->discard();
    ListModel& model = *ListView1->listModel();
    // A list without rows (a fill that just began has some) starts with fresh columns, with
    // today's regional settings.
    if (model.rowCount() == 0) ListView1->clear();
    OrderCells::describe(model);
    model.startFill(std::make_unique<OrderRows>(*this, std::move(rs)), ListModel::FillMode::Replace);
}

void Form1::takeOrders(const QSet<qint64>& orderIds, const QSet<qint64>& gone) {
    ListModel& model = *ListView1->listModel();
    const int selected = ListView1->selectedIndex();
    QSet<qint64> missing = gone;
    missing.unite(orderIds);
    // Looked up in one pass: a few changed orders in a list of a million rows, or many.
    const QHash<qint64, int> listed = model.handlesOfKeys(missing);
    QList<qint64> ids;
    for (const qint64 id : orderIds)
        if (!gone.contains(id)) ids << id;
    std::sort(ids.begin(), ids.end());
    // A few hundred numbers to a statement.
    for (qsizetype from = 0; from < ids.size(); from += 500) {
        QStringList numbers;
        for (qsizetype i = from; i < std::min(ids.size(), from + 500); ++i) numbers << QString::number(ids[i]);
        data::Recordset rs;
        // In the order of their numbers: new rows join an unsorted list as a full read puts them.
        rs.open(data::statements::kOrderRows + QStringLiteral(" where OrderID in (") +
                    numbers.join(u',') + QStringLiteral(") order by OrderID"),
                AppConnection(), data::Recordset::OpenStatic, data::Recordset::ReadOnly);
        const OrderCells cells(rs);
        for (; !rs.eof(); rs.moveNext()) {
            const qint64 id = cells.orderId();
            missing.remove(id);
            const int handle = listed.value(id, -1);
            if (handle >= 0) {
                cells.write(model, handle);
                model.rowChanged(handle);
            } else {
                const int added = model.addRowInPlace();
                cells.write(model, added);
                model.showNewRow(added);
            }
        }
    }
    // The orders no longer there; the highest rows first, so that the others stay put.
    std::vector<int> handles;
    for (const qint64 id : missing)
        if (const int handle = listed.value(id, -1); handle >= 0) handles.push_back(handle);
    std::sort(handles.rbegin(), handles.rend());
    for (const int handle : handles) model.removeHandle(handle);
    // The selected order went, or a list without a selection got rows: the one now in its
    // place (or the first) is shown, as the list control selects a row by itself.
    if (ListView1->count() == 0)
        ListView2->clear();
    else if (ListView1->selectedIndex() == 0)
        ListView1->chooseIndex(std::clamp(selected, 1, ListView1->count()));
}

void Form1::orderListFilled() {
    if (ListView1->count() > 0)
        ListView1_ItemClick();
    else
        ListView2->clear();  // no order left, so no lines of one either
    // Changes that came while the list was read: the rows read may be older than they.
    if (!m_waiting.isEmpty()) takeOrderChanges(std::exchange(m_waiting, data::BookChanges()));
    emit orderListComplete();
}

bool Form1::orderListFilling() const { return ListView1->listModel()->filling(); }

void Form1::ListView1_ItemClick() {
    data::Recordset rs;
    rs.open(data::statements::listLinesStatement(ListView1->selectedText()), AppConnection(),
            data::Recordset::OpenStatic, data::Recordset::ReadOnly);
    // Cleared once the lines can be read: a book out of reach leaves the lines shown.
    ListView2->clear();
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
