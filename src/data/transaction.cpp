#include "data/transaction.h"

#include "data/connection.h"

namespace qd::data {

Transaction::Transaction(Connection& connection) : m_connection(connection) {
    m_connection.begin();
}

Transaction::~Transaction() {
    if (m_open) m_connection.rollback();
}

void Transaction::commit() {
    // Once the commit was tried, a failure of it has already undone the work (or kept the
    // transaction open, which the rollback then ends).
    try {
        m_connection.commit();
    } catch (...) {
        m_connection.rollback();
        m_open = false;
        throw;
    }
    m_open = false;
}

}  // namespace qd::data
