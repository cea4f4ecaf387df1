// The order editor: its controls, its load, the lookup lists, the loaded order and the small
// commands. Save is in ordersave.cpp, the "+" and "-" buttons in lookups.cpp.

#include "ui/order/form2.h"

#include "app/appconnection.h"
#include "app/bookwatcher.h"
#include "app/dialogs.h"
#include "app/errortrap.h"
#include "app/folders.h"
#include "data/bookstatements.h"
#include "data/recordset.h"
#include "text/recordnumber.h"
#include "text/textconv.h"
#include "ui/controls/accessible.h"
#include "ui/controls/listview.h"
#include "ui/controls/lookandfeel.h"
#include "ui/controls/noticebar.h"
#include "ui/controls/pushbutton.h"
#include "ui/order/orderstatements.h"
#include "ui/controls/twips.h"
#include "ui/order/form3.h"
#include "ui/order/keyboard.h"

#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace qd::ui {

namespace {

qlonglong recordId(const QVariant& value) {
    bool ok = false;
    const qlonglong id = value.toLongLong(&ok);
    if (value.isNull() || !ok) throw Error(QStringLiteral("Invalid use of Null"), 94);
    return id;
}

QDate dateOf(const QVariant& value) {
    if (value.typeId() == QMetaType::QDateTime) return value.toDateTime().date();
    if (value.typeId() == QMetaType::QDate) return value.toDate();
    const QDateTime parsed = text::parseDate(value.toString());
    return parsed.isValid() ? parsed.date() : QDate();
}

// A date picker always holds a date: a loaded order without one keeps the picker's date.
void setPickerDate(QDateEdit* picker, const QVariant& value) {
    const QDate date = dateOf(value);
    if (date.isValid()) picker->setDate(date);
}

// Adding the first entry to a list makes the toolkit select it; the program's lists stay
// without a selection until the user picks one.
void appendEntry(QComboBox* list, const QString& entry) {
    const int selected = list->currentIndex();
    list->addItem(entry);
    if (selected == -1) list->setCurrentIndex(-1);
}

void fillList(QComboBox* list, Collection<qlonglong>& ids, const QString& statement,
              const QString& idColumn, QString (*entryText)(const data::Recordset&)) {
    ids = Collection<qlonglong>();
    list->clear();
    data::Recordset rs;
    rs.open(statement, AppConnection(), data::Recordset::OpenStatic, data::Recordset::ReadOnly);
    while (!rs.eof()) {
        ids.add(recordId(rs.field(idColumn)));
        appendEntry(list, entryText(rs));
        rs.moveNext();
    }
    rs.close();
}

QString fieldText(const data::Recordset& rs, const char* name) {
    return text::generalText(rs.field(QLatin1String(name)));
}

// The customer, employee and shipping method of an order: the loaded row names them only by
// their names, which two rows may share.
QVariantList ownIdentifiers(const QString& orderId) {
    data::Recordset rs;
    rs.open(data::statements::orderIdentifiersStatement(orderId), AppConnection(), data::Recordset::OpenStatic,
            data::Recordset::ReadOnly);
    QVariantList ids{QVariant(), QVariant(), QVariant()};
    if (!rs.eof()) ids = {rs.field(0), rs.field(1), rs.field(2)};
    rs.close();
    return ids;
}

}  // namespace

Form2::Form2(QWidget* parent) : Form(parent) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Add New"));
    buildControls();
    setFixedSize(toPixels(8040), toPixels(6705));
    m_notice = new NoticeBar(ListView1);
    if (BookWatcher* watcher = AppBookWatcher())
        connect(watcher, &BookWatcher::changed, this, &Form2::changedElsewhere);
}

Form2::~Form2() = default;

void Form2::readTogether() {
    QStringList statements{data::statements::kCustomerList, data::statements::kEmployeeList, data::statements::kShippingMethodList,
                           data::statements::kProductList};
    bool number = false;
    const qlonglong id = m_ID.toLongLong(&number);
    if (!m_ID.isEmpty() && number) {
        // The order's version first: a change that slips in between the reads then shows as a
        // change at the save, never as none.
        const QString digits = QString::number(id);
        statements = order::versionStatements(digits) + statements;
        statements << data::statements::orderRowStatement(m_ID) << data::statements::orderIdentifiersStatement(digits)
                   << data::statements::orderLinesStatement(digits);
    }
    m_kept = std::make_unique<data::KeptReads>(AppConnection(), statements);
}

void Form2::buildControls() {
    auto label = [this](const char* name, int index, const char* caption, double left, double top,
                        double width, double height) {
        auto* l = new QLabel(QString::fromUtf8(caption), this);
        l->setObjectName(QLatin1String(name));
        l->setProperty("Index", index);
        setTwipsGeometry(l, left, top, width, height);
        return l;
    };
    auto button = [this](const char* name, const char* caption, double left, double top,
                         double width, double height) {
        auto* b = makePushButton(this, name, QString::fromUtf8(caption));
        setTwipsGeometry(b, left, top, width, height);
        return b;
    };
    auto combo = [this](const char* name, double left, double top) {
        auto* c = new QComboBox(this);
        c->setObjectName(QLatin1String(name));
        c->setEditable(false);
        setTwipsGeometry(c, left, top, 2880, 345);
        return c;
    };
    auto picker = [this](const char* name, double left, double top) {
        auto* d = new QDateEdit(this);
        d->setObjectName(QLatin1String(name));
        d->setCalendarPopup(true);
        // The regional short date, with the year in full.
        QString format = QLocale().dateFormat(QLocale::ShortFormat);
        if (!format.contains(QLatin1String("yyyy")))
            format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
        d->setDisplayFormat(format);
        d->installEventFilter(this);
        setTwipsGeometry(d, left, top, 3840, 345);
        return d;
    };
    auto textBox = [this](const char* name, double left, double top) {
        auto* t = new QLineEdit(this);
        t->setObjectName(QLatin1String(name));
        setTwipsGeometry(t, left, top, 3840, 345);
        return t;
    };

    lblDetails[4] = label("lblDetails", 4, "Customer", 120, 120, 840, 225);
    Combo1 = combo("Combo1", 120, 405);
    PushButton5 = button("PushButton5", "+", 3120, 405, 360, 345);
    PushButton6 = button("PushButton6", "-", 3600, 405, 360, 345);
    Label1[3] = label("Label1", 3, "Shipping Date", 4080, 120, 930, 225);
    DateTimePicker2 = picker("DateTimePicker2", 4080, 405);
    lblDetails[0] = label("lblDetails", 0, "Employee", 120, 840, 825, 225);
    Combo2 = combo("Combo2", 120, 1125);
    PushButton3 = button("PushButton3", "+", 3120, 1125, 360, 345);
    PushButton4 = button("PushButton4", "-", 3600, 1125, 360, 345);
    lblDetails[1] = label("lblDetails", 1, "Shipping Method", 4080, 840, 1410, 225);
    Combo3 = combo("Combo3", 4080, 1125);
    PushButton7 = button("PushButton7", "+", 7080, 1125, 360, 345);
    PushButton8 = button("PushButton8", "-", 7560, 1125, 360, 345);
    Label1[0] = label("Label1", 0, "Order Date", 120, 1560, 930, 225);
    DateTimePicker1 = picker("DateTimePicker1", 120, 1845);
    Label1[1] = label("Label1", 1, "Sales Tax Rate", 4080, 1590, 1275, 225);
    Text2 = textBox("Text2", 4080, 1845);
    Label1[2] = label("Label1", 2, "PO Number", 120, 2280, 975, 225);
    Text1 = textBox("Text1", 120, 2535);
    ListView1 = new ListView(this);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    setTwipsGeometry(ListView1, 120, 2970, 7800, 2595);
    setDefaultOnHover(ListView1);
    PushButton9 = button("PushButton9", "Add Product", 120, 5670, 3840, 405);
    PushButton10 = button("PushButton10", "Delete Selected", 4080, 5670, 3840, 405);
    PushButton2 = button("PushButton2", "Save", 120, 6180, 3840, 405);
    PushButton1 = button("PushButton1", "Cancel", 4080, 6180, 3840, 405);
    setDefaultOnHover(this);
    wireControls();
}

void Form2::wireControls() {
    // For a screen reader: each field named after its label, each "+" and "-" after what it
    // does, the lines list after what it holds.
    nameAfterLabel(lblDetails[4], Combo1);
    nameAfterLabel(Label1[3], DateTimePicker2);
    nameAfterLabel(lblDetails[0], Combo2);
    nameAfterLabel(lblDetails[1], Combo3);
    nameAfterLabel(Label1[0], DateTimePicker1);
    nameAfterLabel(Label1[1], Text2);
    nameAfterLabel(Label1[2], Text1);
    ListView1->setAccessibleName(QStringLiteral("Order lines"));
    const std::pair<QPushButton*, const char*> buttons[] = {
        {PushButton5, "Add customer"}, {PushButton6, "Delete customer"},
        {PushButton3, "Add employee"}, {PushButton4, "Delete employee"},
        {PushButton7, "Add shipping method"}, {PushButton8, "Delete shipping method"}};
    for (const auto& [b, name] : buttons) b->setAccessibleName(QString::fromUtf8(name));

    const QList<QWidget*> tabOrder{
        Combo1,      Combo2,      DateTimePicker1, Text1,        DateTimePicker2, Combo3,
        Text2,       ListView1,   PushButton9,     PushButton10, PushButton2,     PushButton1,
        PushButton5, PushButton6, PushButton3,     PushButton4,  PushButton7,     PushButton8};
    for (int i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

    Text2->installEventFilter(this);
    ListView1->installEventFilter(this);
    // The command runs once the double-click has been handled in full.
    connect(ListView1, &QAbstractItemView::doubleClicked, this,
            [this] { QMetaObject::invokeMethod(this, &Form2::ChangeSelectedLine, Qt::QueuedConnection); });
    connect(PushButton1, &QPushButton::clicked, this, &Form2::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form2::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form2::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form2::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form2::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form2::PushButton6_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form2::PushButton7_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form2::PushButton8_Click);
    connect(PushButton9, &QPushButton::clicked, this, &Form2::PushButton9_Click);
    connect(PushButton10, &QPushButton::clicked, this, &Form2::PushButton10_Click);
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView1 && event->type() == QEvent::KeyPress) {
        // A list's habits: Enter changes the selected line, Delete deletes it.
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && !key->isAutoRepeat()) {
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                QMetaObject::invokeMethod(this, &Form2::ChangeSelectedLine, Qt::QueuedConnection);
                return true;
            }
            if (key->key() == Qt::Key_Delete) {
                QMetaObject::invokeMethod(this, &Form2::PushButton10_Click, Qt::QueuedConnection);
                return true;
            }
        }
    }
    if ((watched == DateTimePicker1 || watched == DateTimePicker2) &&
        event->type() == QEvent::KeyPress) {
        // Tab goes to the next field, as everywhere else in the window; the arrow keys move
        // between day, month and year.
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            const bool back =
                key->key() == Qt::Key_Backtab || (key->modifiers() & Qt::ShiftModifier);
            focusNextPrevChild(!back);
            return true;
        }
    }
    if (watched == Text2 &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) &&
        isFieldFocusChange(event)) {
        // The selection is made after the click that gave the focus has placed the cursor.
        if (event->type() == QEvent::FocusIn)
            QTimer::singleShot(0, this, &Form2::Text2_GotFocus);
        else if (event->type() == QEvent::FocusOut)
            Text2_LostFocus();
    }
    return Form::eventFilter(watched, event);
}

void Form2::Form_Load() {
    ErrorTrap trap(QStringLiteral("Form2"), QStringLiteral("Form_Load"));
    loadLook(trap);
    // What the editor and its line windows read travels together; a book out of reach is told
    // once and the editor does not open.
    trap(108, [&] {
        try {
            readTogether();
        } catch (const Error& e) {
            if (e.kind() == Error::Kind::Fault) return FillCustomerList();  // each list reads alone
            m_unavailable = true;
            throw;
        }
        FillCustomerList();
    });
    if (m_unavailable) return;
    trap(110, [&] { FillEmployeeList(); });
    trap(112, [&] { FillShippingMethodList(); });
    trap(114, [&] { Combo1->setCurrentIndex(-1); });
    trap(116, [&] { Text1->setText(QString()); });
    trap(118, [&] { Text2->setText(QStringLiteral("0")); });
    trap(120, [&] { DateTimePicker1->setDate(QDate::currentDate()); });
    trap(122, [&] { DateTimePicker2->setDate(QDate::currentDate()); });
    const char* const captions[] = {"ID", "Product Name", "Quantity", "Unit Price", "Discount"};
    int line = 124;
    for (const char* caption : captions) {
        trap(line, [&] { ListView1->addColumn(QString::fromUtf8(caption)); });
        line += 2;
    }
    const double widths[] = {1, 2000, 1500, 1500, 1500};
    for (int column = 1; column <= 5; ++column) {
        trap(line, [&] { ListView1->setColumnWidth(column, widths[column - 1]); });
        line += 2;
    }
    if (trap.test(144, [&] { return !m_ID.isEmpty(); })) trap(146, [&] { LoadOrder(); });
    // An order deleted on another desk since the list showed it: said, and not opened empty.
    if (!m_ID.isEmpty() && m_loaded && !m_loaded->exists) {
        m_gone = m_unavailable = true;
        dialogs().message(QStringLiteral("Order %1 is no longer in the order book: it was deleted "
                                         "on another desk. It is taken off the list.")
                              .arg(m_ID));
    }
}

void Form2::FillCustomerList() {
    fillList(Combo1, m_CustomerIDs, data::statements::kCustomerList,
             QStringLiteral("CustomerID"),
             [](const data::Recordset& rs) { return fieldText(rs, "CompanyName"); });
}

void Form2::FillEmployeeList() {
    fillList(Combo2, m_EmployeeIDs,
             data::statements::kEmployeeList,
             QStringLiteral("EmployeeID"), [](const data::Recordset& rs) {
                 return fieldText(rs, "FirstName") + QLatin1Char(' ') + fieldText(rs, "LastName");
             });
}

void Form2::FillShippingMethodList() {
    fillList(Combo3, m_ShippingMethodIDs,
             data::statements::kShippingMethodList,
             QStringLiteral("ShippingMethodID"),
             [](const data::Recordset& rs) { return fieldText(rs, "ShippingMethod"); });
}

void positionList(QComboBox* list, const Collection<qlonglong>& ids, const QVariant& id,
                  const QString& text) {
    // By identifier first: two customers may share a name, and saving the order untouched
    // must keep the one it has.
    bool ok = false;
    const qlonglong wanted = id.toLongLong(&ok);
    const int position = (ok && !id.isNull()) ? ids.indexOf(wanted) : 0;
    if (position > 0 && position <= list->count()) {
        list->setCurrentIndex(position - 1);
        return;
    }
    const int entry = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (entry < 0) throw Error(QStringLiteral("\"%1\" is not in the list.").arg(text), 383);
    list->setCurrentIndex(entry);
}

void Form2::LoadOrder() {
    data::Recordset rs;
    rs.open(data::statements::orderRowStatement(m_ID), AppConnection(), data::Recordset::OpenStatic,
            data::Recordset::ReadOnly);
    QString orderId;
    if (!rs.eof()) {
        orderId = text::generalText(rs.field(QStringLiteral("OrderID")));
        const QVariantList own = ownIdentifiers(orderId);
        positionList(Combo1, m_CustomerIDs, own[0], fieldText(rs, "CompanyName"));
        positionList(Combo2, m_EmployeeIDs, own[1], fieldText(rs, "EmployeeName"));
        setPickerDate(DateTimePicker1, rs.field(QStringLiteral("OrderDate")));
        Text1->setText(fieldText(rs, "PurchaseOrderNumber"));
        setPickerDate(DateTimePicker2, rs.field(QStringLiteral("ShipDate")));
        positionList(Combo3, m_ShippingMethodIDs, own[2], fieldText(rs, "ShippingMethod"));
        Text2->setText(
            text::numberTextRegional(rs.field(QStringLiteral("SalesTaxRate")).toDouble() * 100));
    }
    rs.close();
    ListView1->clear();
    // What the order is as stored now, for the save to see whether another desk changed it.
    m_loaded = orderId.isEmpty() ? order::OrderVersion() : order::readVersion(AppConnection(), orderId);
    if (orderId.isEmpty()) return;
    rs.open(data::statements::orderLinesStatement(orderId), AppConnection(), data::Recordset::OpenStatic,
            data::Recordset::ReadOnly);
    while (!rs.eof()) {
        const int item = ListView1->addItem(fieldText(rs, "ProductID"));
        ListView1->setSubItem(item, 1, fieldText(rs, "ProductName"));
        ListView1->setSubItem(item, 2, fieldText(rs, "Quantity"));
        ListView1->setSubItem(
            item, 3,
            text::formatValue(rs.field(QStringLiteral("UnitPrice")), QStringLiteral("#,##0.00")));
        ListView1->setSubItem(
            item, 4,
            text::formatValue(rs.field(QStringLiteral("Discount")), QStringLiteral("0.00%")));
        rs.moveNext();
    }
    rs.close();
}

void Form2::Text2_GotFocus() {
    Text2->selectAll();
}

void Form2::Text2_LostFocus() {
    if (!text::isNumeric(Text2->text())) Text2->setText(QStringLiteral("0"));
}

void Form2::PushButton1_Click() {
    ErrorTrap trap(QStringLiteral("Form2"), QStringLiteral("PushButton1_Click"));
    trap(100, [&] { Unload(); });
}

void Form2::PushButton9_Click() {
    ErrorTrap trap(QStringLiteral("Form2"), QStringLiteral("PushButton9_Click"));
    trap(100, [&] {
        Form3 lineEditor(ListView1, this);
        dialogs().showModal(&lineEditor);
    });
}

void Form2::ChangeSelectedLine() {
    ErrorTrap trap(QStringLiteral("Form2"), QStringLiteral("ChangeSelectedLine"));
    int selected = 0;
    if (!trap(100, [&] { selected = ListView1->selectedIndex(); }) || selected == 0) return;
    trap(102, [&] {
        Form3 lineEditor(ListView1, this);
        lineEditor.changeLine(selected);
        dialogs().showModal(&lineEditor);
    });
}

void Form2::PushButton10_Click() {
    ErrorTrap trap(QStringLiteral("Form2"), QStringLiteral("PushButton10_Click"));
    if (trap.test(100, [&] { return ListView1->count() >= 1; }))
        trap(102, [&] {
            const int selected = ListView1->selectedIndex();
            if (selected == 0)
                throw Error(QStringLiteral("Object variable or With block variable not set"), 91);
            ListView1->removeItem(selected);
        });
}

qlonglong Form2::selectedId(const QComboBox* list, const Collection<qlonglong>& ids) {
    return ids.item(list->currentIndex() + 1);
}

}  // namespace qd::ui
