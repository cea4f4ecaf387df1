#pragma once

// Reading the working order book back in the main window's tests.

#include "app/appconnection.h"
#include "data/recordset.h"

#include <QString>
#include <QVariant>

inline QVariant scalar(const QString& statement) {
    qd::data::Recordset rs;
    rs.open(statement, qd::AppConnection());
    const QVariant value = rs.eof() ? QVariant() : rs.field(0);
    rs.close();
    return value;
}

inline int rowCount(const QString& table) {
    return scalar(QStringLiteral("select count(*) from ") + table).toInt();
}
