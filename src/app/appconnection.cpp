#include "app/appconnection.h"

#include "core/error.h"

namespace qd {

std::unique_ptr<data::Connection>& AppConnectionObject() {
    static std::unique_ptr<data::Connection> connection;
    return connection;
}

data::Connection& AppConnection() {
    auto& connection = AppConnectionObject();
    if (!connection) throw Error(QStringLiteral("Object variable or With block variable not set"), 91);
    return *connection;
}

}  // namespace qd
