#pragma once

namespace qd::data {

class Connection;

// One user action's statements stored together or not at all. Begins a write transaction on
// the connection; commit() stores everything, and leaving the scope without it (a failed
// statement, an error) rolls everything back, so a failure half-way leaves the book as it was.
// While it is open no other program can write, so what the action reads back (the highest
// order number, say) stays its own.
//
//     data::Transaction transaction(connection);
//     connection.execute(insertOrder); connection.execute(insertLine);
//     transaction.commit();
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void commit();

private:
    Connection& m_connection;
    bool m_open = true;
};

}  // namespace qd::data
