#pragma once

#include <QString>

#include <exception>

namespace qd {

// A run-time error as the program's handlers see it: a description for the error box and,
// where the failing operation has one, an error number. Every layer throws this type so that
// the error trap of a handler can report any failure the same way.
class Error : public std::exception {
public:
    explicit Error(QString description, long number = 0)
        : m_description(std::move(description)), m_number(number),
          m_utf8(m_description.toUtf8()) {}

    const QString& description() const noexcept { return m_description; }
    long number() const noexcept { return m_number; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    long m_number;
    QByteArray m_utf8;
};

}  // namespace qd
