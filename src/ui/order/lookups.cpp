// The "+" and "-" buttons beside the customer, employee and shipping method lists. What they
// write stays written whether the order is saved or not.

#include "ui/order/form2.h"

#include "app/appconnection.h"
#include "app/dialogs.h"
#include "app/errortrap.h"
#include "text/sqltext.h"
#include "text/textconv.h"
#include "ui/order/storabletext.h"

#include <QComboBox>

namespace qd::ui {

void Form2::addLookup(const QString& handler, const QString& prompt, const QString& title,
                      const QString& what, const QString& insertHead, void (Form2::*fill)()) {
    ErrorTrap trap(QStringLiteral("Form2"), handler);
    QString name;
    trap(100, [&] { name = dialogs().input(prompt, title); });
    if (trap.test(102, [&] { return name.isEmpty(); })) return;
    if (refusedText(trap, 102, what, name)) return;
    const bool added = trap.action(104, AppConnection(), [&] {
        trap(104, [&] {
            AppConnection().execute(insertHead + text::apostrophesDoubled(name) + QStringLiteral("')"));
        });
    });
    if (!added) return;
    trap(106, [&] { (this->*fill)(); });
}

void Form2::deleteLookup(const QString& handler, QComboBox* list, const Collection<qlonglong>& ids,
                         const QString& warning, const QString& firstDelete,
                         const QString& secondDelete, void (Form2::*fill)()) {
    ErrorTrap trap(QStringLiteral("Form2"), handler);
    if (trap.test(100, [&] { return list->currentIndex() == -1; })) return;
    Answer answer = Answer::No;
    trap(102, [&] {
        answer = dialogs().message(warning + QStringLiteral("\r\nDo you wish to continue?"),
                                   Buttons::YesNo);
    });
    if (answer != Answer::Yes) return;
    // The row and the orders that refer to it go together or not at all.
    const bool deleted = trap.action(104, AppConnection(), [&] {
        trap(104, [&] {
            AppConnection().execute(firstDelete + QString::number(selectedId(list, ids)));
        });
        trap(106, [&] {
            AppConnection().execute(secondDelete + QString::number(selectedId(list, ids)));
        });
    });
    if (!deleted) return;
    trap(108, [&] { (this->*fill)(); });
}

void Form2::PushButton5_Click() {
    addLookup(QStringLiteral("PushButton5_Click"), QStringLiteral("Enter new Customer: "),
              QStringLiteral("Input Customer"), QStringLiteral("customer name"),
              QStringLiteral("insert into Customers (CompanyName) values ('"),
              &Form2::FillCustomerList);
}

void Form2::PushButton7_Click() {
    addLookup(QStringLiteral("PushButton7_Click"), QStringLiteral("Enter new Shipping Method: "),
              QStringLiteral("Input Shipping Method"), QStringLiteral("shipping method"),
              QStringLiteral("insert into [Shipping Methods] (ShippingMethod) values ('"),
              &Form2::FillShippingMethodList);
}

void Form2::PushButton3_Click() {
    ErrorTrap trap(QStringLiteral("Form2"), QStringLiteral("PushButton3_Click"));
    QString firstName, lastName;
    // Both names are asked for before either is looked at.
    trap(100, [&] {
        firstName = dialogs().input(QStringLiteral("Enter new Employee's Firstname: "),
                                    QStringLiteral("Input Employee's Firstname"));
    });
    trap(102, [&] {
        lastName = dialogs().input(QStringLiteral("Enter new Employee's Lastname: "),
                                   QStringLiteral("Input Employee's Lastname"));
    });
    if (trap.test(104, [&] { return firstName.isEmpty() || lastName.isEmpty(); })) return;
    if (refusedText(trap, 104, QStringLiteral("first name"), firstName) ||
        refusedText(trap, 104, QStringLiteral("last name"), lastName))
        return;
    const bool added = trap.action(106, AppConnection(), [&] {
        trap(106, [&] {
            AppConnection().execute(
                QStringLiteral("insert into Employees (FirstName,LastName) values ('") +
                text::apostrophesDoubled(firstName) + QStringLiteral("','") +
                text::apostrophesDoubled(lastName) + QStringLiteral("')"));
        });
    });
    if (!added) return;
    trap(108, [&] { FillEmployeeList(); });
}

void Form2::PushButton6_Click() {
    deleteLookup(QStringLiteral("PushButton6_Click"), Combo1, m_CustomerIDs,
                 QStringLiteral("Warning: Deleting customer will also delete order data that is "
                                "linked to this customer."),
                 QStringLiteral("delete from Customers where CustomerID="),
                 QStringLiteral("delete from Orders where CustomerID="), &Form2::FillCustomerList);
}

void Form2::PushButton4_Click() {
    deleteLookup(QStringLiteral("PushButton4_Click"), Combo2, m_EmployeeIDs,
                 QStringLiteral("Warning: Deleting employee will also delete order data that is "
                                "linked to this employee."),
                 QStringLiteral("delete from Employees where EmployeeID="),
                 QStringLiteral("delete from Orders where EmployeeID="), &Form2::FillEmployeeList);
}

void Form2::PushButton8_Click() {
    deleteLookup(QStringLiteral("PushButton8_Click"), Combo3, m_ShippingMethodIDs,
                 QStringLiteral("Warning: Deleting shipping method will also delete order data "
                                "that is linked to this shipping method."),
                 QStringLiteral("delete from [Shipping Methods] where ShippingMethodID="),
                 QStringLiteral("delete from Orders where ShippingMethodID="),
                 &Form2::FillShippingMethodList);
}

}  // namespace qd::ui
