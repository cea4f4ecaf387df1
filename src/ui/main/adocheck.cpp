// The start-up check that the data layer works, with the offer to run the repair package that
// ships beside the program.

#include "ui/main/form1.h"

#include "app/systemcheck.h"
#include "app/dialogs.h"
#include "app/errortrap.h"
#include "app/folders.h"
#include "app/program.h"

namespace qd::ui {

namespace {
// Where the user finds the data-access library that the repair package would install.
const QString kUpdateArticle = QStringLiteral("https://packages.debian.org/bookworm/libsqlite3-0");
}  // namespace

void Form1::IsADOInstalled() {
    // Nothing here may show the error box: every step is tried and skipped when it fails.
    auto quietly = [](auto&& step) {
        try {
            step();
        } catch (...) {
        }
    };
    bool available = false;
    quietly([&] { available = dataObjectsAvailable(); });
    if (available) return;

    Answer repair = Answer::No;
    quietly([&] {
        repair = dialogs().message(
            QStringLiteral("Error #193: ADO is not properly installed on this computer. \r\n"
                           "You need to have it installed to use this software without error."
                           "\r\n\r\nWould you like to repair it now?"),
            Buttons::YesNo);
    });
    if (repair != Answer::Yes) {
        quietly([&] {
            dialogs().message(QStringLiteral("Please check for MDAC installation.\r\n\r\n"
                                             "Please check this: ") +
                              kUpdateArticle +
                              QStringLiteral(" and look for 'How to obtain this update' section "
                                             "and download the appropriate update.\r\n\r\n"
                                             "Please email ") +
                              ErrorTrap::kSupportEmail +
                              QStringLiteral(" with a screenshot of this message if you have any "
                                             "questions."));
        });
        return;
    }
    QString width;
    quietly([&] { width = GetAddressWidth(); });
    const QString package = ApplicationPath() + QLatin1Char('/') +
                            (width == QLatin1String("64") ? QStringLiteral("ADOFix64.msu")
                                                          : QStringLiteral("ADOFix86.msu"));
    bool present = false;
    quietly([&] { present = FileExists(package); });
    if (!present) return;
    quietly([&] { RunAndWait(package, 0); });
    Answer stop = Answer::No;
    quietly([&] {
        stop = dialogs().message(QStringLiteral("ADO is fixed on this computer. \r\n"
                                                "You need to restart your computer and software."
                                                "\r\n\r\nWould you like to stop software now?"),
                                 Buttons::YesNo);
    });
    if (stop == Answer::Yes) EndProgram(0);
}

}  // namespace qd::ui
