#include "app/errortrap.h"

namespace qd {

const QString ErrorTrap::kSupportEmail = QStringLiteral("support@brisklane.example");
const QString ErrorTrap::kContactPage = QStringLiteral("https://www.brisklane.example/contact");

QString ErrorTrap::location() const {
    return QStringLiteral("in Marrowlist2021/08/31.%1.%2 ").arg(m_window, m_handler);
}

QString ErrorTrap::message(const QString& description, const QString& location, int line) {
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") +
           QString::number(line) + QStringLiteral("\r\r") +
           QStringLiteral("Please email screenshot of this message to ") + kSupportEmail;
}

void ErrorTrap::report(int line, const QString& description) const {
    dialogs().message(message(description, location(), line), Buttons::Ok,
                      QStringLiteral("Application Error"), Icon::Exclamation);
    if (m_inAction) throw ActionEnded{};
}

void ErrorTrap::failed(int line, const Error& error) const {
    if (error.kind() == Error::Kind::Fault) {
        report(error.origin() ? error.origin() : line, error.description());
        return;
    }
    tellOnce(error);
    if (m_inAction) throw ActionEnded{};
}

void reportUntrapped(const QString& action, const std::exception& error) {
    const auto* own = dynamic_cast<const Error*>(&error);
    if (own && own->kind() != Error::Kind::Fault) {
        tellOnce(*own);
        return;
    }
    const QString description = own ? own->description() : QString::fromLocal8Bit(error.what());
    dialogs().message(action + QStringLiteral("\r\n\r\n") + description, Buttons::Ok, QString(),
                      Icon::Exclamation);
}

}  // namespace qd
