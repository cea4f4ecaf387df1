#include "ui/reports/form4.h"

#include "app/appconnection.h"
#include "app/dialogs.h"
#include "app/errortrap.h"
#include "app/folders.h"
#include "app/settings.h"
#include "data/recordset.h"
#include "reports/catalogue.h"
#include "reports/document.h"
#include "ui/controls/accessible.h"
#include "ui/controls/lookandfeel.h"
#include "ui/controls/pushbutton.h"
#include "ui/controls/twips.h"
#include "ui/reports/choices.h"
#include "ui/reports/form5.h"
#include "ui/reports/preview.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include <memory>

namespace qd::ui {

void centreOnScreen(QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    const QRect frame = window->frameGeometry();
    window->move(area.left() + (area.width() - frame.width()) / 2,
                 area.top() + (area.height() - frame.height()) / 2);
}

namespace {

constexpr int kRowsBeforeShowing = 500;

Error notSet() { return Error(QStringLiteral("Object variable or With block variable not set"), 91); }

// One report instance of a run: a fresh copy of its layout and the recordset bound to it.
struct ReportInstance {
    reports::ReportLayout layout;
    data::Recordset* dataSource = nullptr;
};

}  // namespace

Form4::Form4(QWidget* parent) : Form(parent) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Reports"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(toPixels(8040), toPixels(2010));

    auto makeButton = [this](const char* name, const char* caption) {
        return makePushButton(this, name, QString::fromUtf8(caption));
    };
    Frame1 = new QGroupBox(QStringLiteral("Report Type"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    setTwipsGeometry(Frame1, 120, 120, 7800, 780);
    setDefaultOnHover(Frame1);
    Combo1 = new QComboBox(Frame1);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    setTwipsGeometry(Combo1, 240, 300, 7320, 345);
    PushButton1 = makeButton("PushButton1", "Show Report");
    setTwipsGeometry(PushButton1, 120, 990, 7800, 405);
    PushButton2 = makeButton("PushButton2", "Cancel");
    setTwipsGeometry(PushButton2, 120, 1485, 3840, 405);
    PushButton5 = makeButton("PushButton5", "Currency Options");
    setTwipsGeometry(PushButton5, 4080, 1485, 3840, 405);

    Combo1->setAccessibleName(Frame1->title());
    nameListOf(Combo1);
    setTabOrder(Combo1, PushButton1);
    setTabOrder(PushButton1, PushButton2);
    setTabOrder(PushButton2, PushButton5);

    connect(Combo1, qOverload<int>(&QComboBox::activated), this, [this] {
        m_fired.fired(tr("The report chosen could not be remembered."), [this] { Combo1_Click(); });
    });
    connect(PushButton1, &QPushButton::clicked, this, &Form4::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form4::PushButton2_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form4::PushButton5_Click);
}

void Form4::Form_Load() {
    ErrorTrap trap(QStringLiteral("Form4"), QStringLiteral("Form_Load"));
    loadLook(trap);
    int line = 108;
    for (const reports::ReportKind& kind : reports::reportKinds()) {
        trap(line, [&] {
            // Adding to an empty list must not select anything by itself.
            const QSignalBlocker block(Combo1);
            const int kept = Combo1->currentIndex();
            Combo1->addItem(kind.entryText);
            Combo1->setCurrentIndex(kept);
        });
        line += 2;
    }
    trap(114, [&] {
        setListIndex(Combo1, toInteger16(GetSetting(kSettingsApp, kSettingsSection,
                                                    QStringLiteral("Report"), QStringLiteral("0"))));
        Combo1_Click();
    });
}

void Form4::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    centreOnScreen(this);
    Combo1->setFocus();
}

void Form4::Combo1_Click() { Combo1_Change(); }

void Form4::Combo1_Change() {
    SaveSetting(kSettingsApp, kSettingsSection, QStringLiteral("Report"),
                QString::number(Combo1->currentIndex()));
}

void Form4::PushButton1_Click() {
    ErrorTrap trap(QStringLiteral("Form4"), QStringLiteral("PushButton1_Click"));
    const auto& kinds = reports::reportKinds();
    auto chosen = [&](int line, const reports::ReportKind& kind) {
        return trap.test(line, [&] { return Combo1->currentText() == kind.entryText; });
    };
    if (chosen(100, kinds[0]))
        runReport(trap, kinds[0], {102, 104, 106, 0, 108, 110, 112, 114});
    else if (chosen(116, kinds[1]))
        runReport(trap, kinds[1], {118, 120, 122, 124, 132, 134, 136, 138});
    else if (chosen(140, kinds[2]))
        runReport(trap, kinds[2], {142, 144, 146, 148, 168, 170, 172, 174});
}

void Form4::runReport(ErrorTrap& trap, const reports::ReportKind& kind, const Lines& lines) {
    std::unique_ptr<data::Recordset> rs;
    std::unique_ptr<ReportInstance> rpt;
    trap(lines.create, [&] { rs = std::make_unique<data::Recordset>(); });
    trap(lines.open, [&] {
        if (!rs) throw notSet();
        rs->open(kind.statement, AppConnection(), data::Recordset::OpenStatic,
                 data::Recordset::ReadOnly);
    });
    trap(lines.instance, [&] {
        rpt = std::make_unique<ReportInstance>(ReportInstance{kind.create(), nullptr});
    });

    if (lines.currency != 0) {
        applyCurrencyFormats(trap, kind, lines.currency, [&]() -> reports::ReportLayout& {
            if (!rpt) throw notSet();
            return rpt->layout;
        });
    }

    trap(lines.dataSource, [&] {
        if (!rpt || !rs) throw notSet();
        rpt->dataSource = rs.get();
    });
    trap(lines.show, [&] {
        if (!rpt || !rpt->dataSource) throw notSet();
        // The preview shows the first pages at once and reads the other rows while it is open.
        reports::ReportDocument document(rpt->layout, *rpt->dataSource, reports::defaultPaper(),
                                         kRowsBeforeShowing);
        showReport(document, this);
    });
    trap(lines.close, [&] {
        if (!rs) throw notSet();
        rs->close();
    });
    trap(lines.release, [&] { rpt.reset(); });
}

void Form4::applyCurrencyFormats(ErrorTrap& trap, const reports::ReportKind& kind, int line,
                                 const std::function<reports::ReportLayout&()>& layout) {
    // Each field reads the options afresh; reading them loads the options window unseen.
    if (trap.test(line, [&] { return Form5::instance().Combo2->currentIndex() == -1; })) return;
    const bool before = trap.test(line + 2, [&] { return Form5::instance().Option1->isChecked(); });
    line += 4 + (before ? 0 : 2 * int(kind.moneyFields.size()));
    for (const QString& field : kind.moneyFields) {
        trap(line, [&] {
            const QString symbol = Form5::instance().Combo2->currentText();
            layout().section(QStringLiteral("Section1")).control(field).setFormat(
                reports::moneyFormat(symbol, before));
        });
        line += 2;
    }
}

void Form4::PushButton2_Click() {
    ErrorTrap trap(QStringLiteral("Form4"), QStringLiteral("PushButton2_Click"));
    trap(100, [&] { Unload(); });
}

void Form4::PushButton5_Click() {
    ErrorTrap trap(QStringLiteral("Form4"), QStringLiteral("PushButton5_Click"));
    trap(100, [&] { dialogs().showModal(&Form5::instance()); });
}

}  // namespace qd::ui
