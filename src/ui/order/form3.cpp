// The order line editor and its product maintenance.

#include "ui/order/form3.h"

#include "app/appconnection.h"
#include "app/dialogs.h"
#include "app/errortrap.h"
#include "app/folders.h"
#include "data/bookstatements.h"
#include "data/recordset.h"
#include "text/sqltext.h"
#include "text/textconv.h"
#include "ui/controls/accessible.h"
#include "ui/controls/listview.h"
#include "ui/controls/lookandfeel.h"
#include "ui/controls/pushbutton.h"
#include "ui/controls/twips.h"
#include "ui/order/keyboard.h"
#include "ui/order/orderstatements.h"
#include "ui/order/storabletext.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace qd::ui {

namespace {

double regionalNumber(const QString& text) {
    const std::optional<double> value = text::parseRegionalNumber(text);
    if (!value) throw Error(QStringLiteral("Type mismatch: \"%1\" is not a number.").arg(text), 13);
    return *value;
}

}  // namespace

Form3::Form3(ListView* orderLines, QWidget* parent) : Form(parent), m_orderLines(orderLines) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Add Product"));
    buildControls();
    setFixedSize(toPixels(4080), toPixels(3480));
}

void Form3::buildControls() {
    auto label = [this](int index, const char* caption, double top, double width) {
        auto* l = new QLabel(QString::fromUtf8(caption), this);
        l->setProperty("Index", index);
        setTwipsGeometry(l, 120, top, width, 225);
        return l;
    };
    auto button = [this](const char* name, const char* caption, double left, double top,
                         double width, double height) {
        auto* b = makePushButton(this, name, QString::fromUtf8(caption));
        setTwipsGeometry(b, left, top, width, height);
        return b;
    };
    auto textBox = [this](const char* name, double top) {
        auto* t = new QLineEdit(this);
        t->setObjectName(QLatin1String(name));
        setTwipsGeometry(t, 120, top, 3840, 345);
        setDefaultOnHover(t);
        t->installEventFilter(this);
        return t;
    };

    Combo1 = new QComboBox(this);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    setTwipsGeometry(Combo1, 120, 450, 2880, 345);
    PushButton5 = button("PushButton5", "+", 3120, 450, 360, 345);
    PushButton6 = button("PushButton6", "-", 3600, 450, 360, 345);
    lblDetails = label(4, "Product", 165, 675);
    lblDetails->setObjectName(QStringLiteral("lblDetails"));
    Text1 = textBox("Text1", 1125);
    Label1[2] = label(2, "Quantity", 870, 705);
    Text2 = textBox("Text2", 1815);
    Label1[0] = label(0, "Unit Price", 1560, 705);
    Text3 = textBox("Text3", 2490);
    Label1[1] = label(1, "Discount (%)", 2250, 1050);
    for (QLabel* l : Label1) l->setObjectName(QStringLiteral("Label1"));
    PushButton2 = button("PushButton2", "Save", 120, 2970, 1920, 405);
    PushButton1 = button("PushButton1", "Cancel", 2160, 2970, 1800, 405);
    setDefaultOnHover(this);

    nameAfterLabel(lblDetails, Combo1);
    nameAfterLabel(Label1[2], Text1);
    nameAfterLabel(Label1[0], Text2);
    nameAfterLabel(Label1[1], Text3);
    PushButton5->setAccessibleName(QStringLiteral("Add product"));
    PushButton6->setAccessibleName(QStringLiteral("Delete product"));

    const QList<QWidget*> tabOrder{Combo1, PushButton5, PushButton6, Text1,
                                   Text2,  Text3,       PushButton2, PushButton1};
    for (int i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

    connect(Combo1, &QComboBox::activated, this, &Form3::Combo1_Click);
    connect(PushButton1, &QPushButton::clicked, this, &Form3::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form3::PushButton2_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form3::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form3::PushButton6_Click);
}

bool Form3::eventFilter(QObject* watched, QEvent* event) {
    using Handler = void (Form3::*)();
    struct Box {
        QObject* box;
        Handler got, lost;
    };
    const Box boxes[] = {{Text1, &Form3::Text1_GotFocus, &Form3::Text1_LostFocus},
                         {Text2, &Form3::Text2_GotFocus, &Form3::Text2_LostFocus},
                         {Text3, &Form3::Text3_GotFocus, &Form3::Text3_LostFocus}};
    for (const Box& b : boxes) {
        if (watched != b.box) continue;
        if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut) break;
        if (!isFieldFocusChange(event)) break;
        // The selection is made after the click that gave the focus has placed the cursor.
        if (event->type() == QEvent::FocusIn) QTimer::singleShot(0, this, b.got);
        if (event->type() == QEvent::FocusOut) (this->*b.lost)();
    }
    return Form::eventFilter(watched, event);
}

void Form3::Form_Load() {
    ErrorTrap trap(QStringLiteral("Form3"), QStringLiteral("Form_Load"));
    // One number per step: the cursor test and its load share 104, the three boxes 106.
    loadLook(trap, 104);
    trap(106, [&] { Text1->setText(QStringLiteral("0")); });
    trap(106, [&] { Text2->setText(QStringLiteral("0")); });
    trap(106, [&] { Text3->setText(QStringLiteral("0")); });
    trap(108, [&] { FillProductList(); });
    if (m_lineToChange > 0) trap(108, [&] { fillFromLine(); });
}

void Form3::changeLine(int index) {
    m_lineToChange = index;
    setWindowTitle(QStringLiteral("Change Product"));
}

// The line's texts back into the fields, as the user typed them: the unit price and the
// discount without their formats, in the regional number form.
void Form3::fillFromLine() {
    const int index = m_lineToChange;
    const int position = m_ProductIDs.indexOf(m_orderLines->itemText(index).toLongLong());
    Combo1->setCurrentIndex(position - 1);  // a product deleted since is chosen again
    Text1->setText(m_orderLines->subItemText(index, 2));
    const std::optional<double> price = text::parseRegionalNumber(m_orderLines->subItemText(index, 3));
    if (price) Text2->setText(text::numberTextRegional(*price));
    QString discount = m_orderLines->subItemText(index, 4).trimmed();
    if (discount.endsWith(QLatin1Char('%'))) discount.chop(1);
    if (const std::optional<double> percent = text::parseRegionalNumber(discount))
        Text3->setText(text::numberTextRegional(*percent));
}

void Form3::FillProductList() {
    m_ProductIDs = Collection<qlonglong>();
    m_UnitPrices = Collection<QVariant>();
    Combo1->clear();
    data::Recordset rs;
    rs.open(data::statements::kProductList, AppConnection(),
            data::Recordset::OpenStatic, data::Recordset::ReadOnly);
    while (!rs.eof()) {
        const QVariant id = rs.field(QStringLiteral("ProductID"));
        bool ok = false;
        const qlonglong productId = id.toLongLong(&ok);
        if (id.isNull() || !ok) throw Error(QStringLiteral("Invalid use of Null"), 94);
        m_ProductIDs.add(productId);
        // The toolkit selects the first entry added; the list starts with none selected.
        const int selected = Combo1->currentIndex();
        Combo1->addItem(text::generalText(rs.field(QStringLiteral("ProductName"))));
        if (selected == -1) Combo1->setCurrentIndex(-1);
        m_UnitPrices.add(rs.field(QStringLiteral("UnitPrice")));
        rs.moveNext();
    }
    rs.close();
}

void Form3::Combo1_Click() {
    if (Combo1->currentIndex() == -1) {
        Text1->setText(QStringLiteral("0"));
        Text2->setText(QStringLiteral("0"));
        Text3->setText(QStringLiteral("0"));
        return;
    }
    // A product stored without a price is offered at 0.
    const QVariant price = m_UnitPrices.item(Combo1->currentIndex() + 1);
    Text2->setText(price.isNull() ? QStringLiteral("0")
                                  : text::numberTextRegional(price.toDouble()));
}

void Form3::Combo1_Change() {
    Combo1_Click();
}

void Form3::Text1_GotFocus() {
    Text1->selectAll();
}
void Form3::Text2_GotFocus() {
    Text2->selectAll();
}
void Form3::Text3_GotFocus() {
    Text3->selectAll();
}

void Form3::Text1_LostFocus() {
    if (!text::isNumeric(Text1->text())) Text1->setText(QStringLiteral("0"));
}

void Form3::Text2_LostFocus() {
    if (!text::isNumeric(Text2->text())) Text2->setText(QStringLiteral("0"));
}

void Form3::Text3_LostFocus() {
    const std::optional<double> percent = text::parseRegionalNumber(Text3->text());
    if (!percent || *percent < 0 || *percent > 100) Text3->setText(QStringLiteral("0"));
}

void Form3::PushButton1_Click() {
    ErrorTrap trap(QStringLiteral("Form3"), QStringLiteral("PushButton1_Click"));
    trap(100, [&] { Unload(); });
}

void Form3::PushButton2_Click() {
    ErrorTrap trap(QStringLiteral("Form3"), QStringLiteral("PushButton2_Click"));
    // Each check is one step: its test, message and focus share the step's number.
    auto missing = [&](int line, bool absent, const char* message, QWidget* field) {
        if (!absent) return false;
        trap(line, [&] { dialogs().message(QString::fromUtf8(message)); });
        trap(line, [&] { field->setFocus(); });
        return true;
    };
    bool absent = trap.test(100, [&] { return Combo1->currentIndex() == -1; });
    if (missing(100, absent, "You forgot to select Product.", Combo1)) return;
    absent = trap.test(102, [&] { return order::isBlank(Text1->text()); });
    if (missing(102, absent, "You forgot to input Quantity.", Text1)) return;
    absent = trap.test(104, [&] { return order::isBlank(Text2->text()); });
    if (missing(104, absent, "You forgot to input Unit Price.", Text2)) return;
    absent = trap.test(106, [&] { return order::isBlank(Text3->text()); });
    if (missing(106, absent, "You forgot to input Discount.", Text3)) return;

    qlonglong productId = 0;
    trap(108, [&] { productId = m_ProductIDs.item(Combo1->currentIndex() + 1); });
    int item = -1;
    trap(110, [&] {
        if (m_lineToChange > 0) {
            item = m_orderLines->handleOfIndex(m_lineToChange);
            m_orderLines->setItemText(item, QString::number(productId));
        } else {
            item = m_orderLines->addItem(QString::number(productId));
        }
    });
    trap(112, [&] { m_orderLines->setSubItem(item, 1, Combo1->currentText()); });
    trap(114, [&] { m_orderLines->setSubItem(item, 2, Text1->text()); });
    trap(116, [&] {
        m_orderLines->setSubItem(
            item, 3, text::formatNumber(regionalNumber(Text2->text()), QStringLiteral("#,##0.00")));
    });
    trap(118, [&] {
        m_orderLines->setSubItem(
            item, 4,
            text::formatNumber(regionalNumber(Text3->text()) / 100, QStringLiteral("0.00%")));
    });
    trap(120, [&] { Unload(); });
}

void Form3::PushButton5_Click() {
    ErrorTrap trap(QStringLiteral("Form3"), QStringLiteral("PushButton5_Click"));
    QString name, price;
    trap(100, [&] {
        name =
            dialogs().input(QStringLiteral("Enter new Product: "), QStringLiteral("Input Product"));
    });
    trap(102, [&] {
        price = dialogs().input(QStringLiteral("Enter Unit Price: "),
                                QStringLiteral("Input Unit Price"));
    });
    if (trap.test(104, [&] { return name.isEmpty(); })) return;
    if (refusedText(trap, 104, QStringLiteral("product name"), name)) return;
    const bool added = trap.action(106, AppConnection(), [&] {
        trap(106, [&] {
            AppConnection().execute(
                QStringLiteral("insert into Products (ProductName,UnitPrice) values ('") +
                text::apostrophesDoubled(name) + QStringLiteral("',") +
                text::numberText(text::leadingNumber(price)) + QStringLiteral(")"));
        });
    });
    if (!added) return;
    trap(108, [&] { FillProductList(); });
}

void Form3::PushButton6_Click() {
    ErrorTrap trap(QStringLiteral("Form3"), QStringLiteral("PushButton6_Click"));
    if (trap.test(100, [&] { return Combo1->currentIndex() == -1; })) return;
    Answer answer = Answer::No;
    trap(102, [&] {
        answer = dialogs().message(
            QStringLiteral("Warning: Deleting product will also delete order data that is linked "
                           "to this product.\r\nDo you wish to continue?"),
            Buttons::YesNo);
    });
    if (answer != Answer::Yes) return;
    // The product and the lines that name it go together or not at all.
    const bool deleted = trap.action(104, AppConnection(), [&] {
        trap(104, [&] {
            AppConnection().execute(QStringLiteral("delete from Products where ProductID=") +
                                    QString::number(m_ProductIDs.item(Combo1->currentIndex() + 1)));
        });
        trap(106, [&] {
            AppConnection().execute(
                QStringLiteral("delete from [Order Details] where ProductID=") +
                QString::number(m_ProductIDs.item(Combo1->currentIndex() + 1)));
            // Lines went, but no order's row changed: the lists show the lines anew.
            AppConnection().noteChanges(data::BookChanges::otherThanOrders());
        });
    });
    if (!deleted) return;
    trap(108, [&] { FillProductList(); });
}

}  // namespace qd::ui
