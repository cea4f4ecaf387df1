#pragma once

#include <QString>

#include <exception>

namespace qd {

// A run-time error as the program's handlers see it: a description for the error box and,
// where the failing operation has one, an error number. Every layer throws this type so that
// the error trap of a handler can report any failure the same way.
//
// Its kind says whose trouble it is. A fault is the program's or the book's and gets the
// "Application Error" box; the other kinds are states of the world that the user is told about
// in plain words: the order book server cannot be reached, or the server refused a change
// because the user's role may only read.
class Error : public std::exception {
public:
    enum class Kind { Fault, Unreachable, Refused };

    explicit Error(QString description, long number = 0, Kind kind = Kind::Fault)
        : m_description(std::move(description)), m_number(number), m_kind(kind),
          m_utf8(m_description.toUtf8()) {}

    const QString& description() const noexcept { return m_description; }
    long number() const noexcept { return m_number; }
    Kind kind() const noexcept { return m_kind; }
    const char* what() const noexcept override { return m_utf8.constData(); }

    // The statement number of the handler step that issued the failing statement, when the
    // failure surfaced later than that step (statements sent ahead to a server together);
    // 0 when it failed where it was issued.
    int origin() const noexcept { return m_origin; }
    Error& withOrigin(int origin) {
        m_origin = origin;
        return *this;
    }

private:
    QString m_description;
    long m_number;
    Kind m_kind;
    int m_origin = 0;
    QByteArray m_utf8;
};

// The statement number of the handler step now running (set by the error trap), so that a
// statement sent ahead can be reported with the step that issued it.
inline int& currentStatementOrigin() {
    static thread_local int origin = 0;
    return origin;
}

}  // namespace qd
