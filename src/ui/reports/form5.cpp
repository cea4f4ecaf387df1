#include "ui/reports/form5.h"

#include "app/dialogs.h"
#include "app/errortrap.h"
#include "app/folders.h"
#include "app/settings.h"
#include "reports/catalogue.h"
#include "ui/controls/accessible.h"
#include "ui/controls/lookandfeel.h"
#include "ui/controls/pushbutton.h"
#include "ui/controls/twips.h"
#include "ui/reports/choices.h"
#include "ui/reports/form4.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

namespace qd::ui {

namespace {

QPointer<Form5> g_loaded;

void save(const char* key, const QString& value) {
    SaveSetting(kSettingsApp, kSettingsSection, QLatin1String(key), value);
}

QString get(const char* key, const QString& fallback) {
    return GetSetting(kSettingsApp, kSettingsSection, QLatin1String(key), fallback);
}

}  // namespace

Form5* Form5::loaded() { return g_loaded.data(); }

Form5& Form5::instance() {
    if (!g_loaded) g_loaded = new Form5;
    g_loaded->ensureLoaded();
    return *g_loaded;
}

Form5::Form5() : Form(nullptr) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Currency Options"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(toPixels(8040), toPixels(2625));

    auto makeButton = [](QWidget* parent, const char* name, const char* caption) {
        return makePushButton(parent, name, QString::fromUtf8(caption));
    };
    Frame2 = new QGroupBox(QStringLiteral("Currency Option"), this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    setTwipsGeometry(Frame2, 120, 90, 7800, 780);
    Combo2 = new QComboBox(Frame2);
    Combo2->setObjectName(QStringLiteral("Combo2"));
    setTwipsGeometry(Combo2, 240, 300, 5640, 345);
    PushButton3 = makeButton(Frame2, "PushButton3", "+");
    setTwipsGeometry(PushButton3, 6000, 300, 720, 345);
    PushButton4 = makeButton(Frame2, "PushButton4", "?");
    setTwipsGeometry(PushButton4, 6840, 300, 720, 345);
    Frame3 = new QGroupBox(QStringLiteral("Currency Placement Option"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    setTwipsGeometry(Frame3, 120, 945, 7800, 1050);
    Option1 = new QRadioButton(QStringLiteral("Before number"), Frame3);
    Option1->setObjectName(QStringLiteral("Option1"));
    setTwipsGeometry(Option1, 240, 300, 2385, 255);
    Option2 = new QRadioButton(QStringLiteral("After number"), Frame3);
    Option2->setObjectName(QStringLiteral("Option2"));
    setTwipsGeometry(Option2, 240, 650, 2505, 255);
    PushButton2 = makeButton(this, "PushButton2", "Close");
    setTwipsGeometry(PushButton2, 120, 2115, 7800, 405);
    setDefaultOnHover(Frame2);
    setDefaultOnHover(Frame3);

    Combo2->setAccessibleName(Frame2->title());
    nameListOf(Combo2);
    PushButton3->setAccessibleName(QStringLiteral("Add currency"));
    PushButton4->setAccessibleName(QStringLiteral("About the currencies"));
    setTabOrder(Combo2, PushButton3);
    setTabOrder(PushButton3, PushButton4);
    setTabOrder(PushButton4, Option1);
    setTabOrder(Option1, Option2);
    setTabOrder(Option2, PushButton2);

    const QString notStored = tr("The currency choice could not be stored.");
    connect(Combo2, qOverload<int>(&QComboBox::activated), this,
            [this, notStored] { m_fired.fired(notStored, [this] { Combo2_Click(); }); });
    auto optionClicked = [this, notStored](bool on) {
        if (on) m_fired.fired(notStored, [this] { Option_Click(); });
    };
    connect(Option1, &QRadioButton::toggled, this, optionClicked);
    connect(Option2, &QRadioButton::toggled, this, optionClicked);
    connect(PushButton2, &QPushButton::clicked, this, &Form5::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form5::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form5::PushButton4_Click);
}

Form5::~Form5() = default;

void Form5::Form_Load() {
    ErrorTrap trap(QStringLiteral("Form5"), QStringLiteral("Form_Load"));
    loadLook(trap);
    QString list;
    trap(108, [&] { list = get("CurrList", reports::defaultCurrencyList()); });
    // Split once: splitting the whole text again for every entry made a long list load in
    // quadratic time (10,000 symbols took 18 s).
    QStringList symbols;
    int highest = -1;
    trap(110, [&] {
        symbols = reports::splitCurrencyList(list);
        highest = int(symbols.size()) - 1;
    });
    for (int i = 0; i <= highest; ++i) {
        trap(112, [&] {
            // An entry added to an empty list would be selected without a choice being made.
            const QSignalBlocker block(Combo2);
            const int kept = Combo2->currentIndex();
            Combo2->addItem(symbols.at(i));
            Combo2->setCurrentIndex(kept);
        });
    }
    trap(116, [&] {
        setListIndex(Combo2, toInteger16(get("Currency", QStringLiteral("0"))));
        Combo2_Click();
    });
    trap(118, [&] {
        const bool value = toBoolean(get("Option1", QStringLiteral("1")));
        m_fired.statement([&] { setOptionValue(Option1, value); });
    });
    trap(120, [&] {
        const bool value = toBoolean(get("Option2", QStringLiteral("0")));
        m_fired.statement([&] { setOptionValue(Option2, value); });
    });
}

void Form5::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    centreOnScreen(this);
    Combo2->setFocus();
}

void Form5::done(int result) {
    Form::done(result);
    // Unloading: the next reading of the options loads them afresh from the settings store.
    if (g_loaded == this) g_loaded = nullptr;
    deleteLater();
}

void Form5::Combo2_Click() { Combo2_Change(); }

void Form5::Combo2_Change() { save("Currency", QString::number(Combo2->currentIndex())); }

void Form5::Option_Click() {
    save("Option1", fromBoolean(Option1->isChecked()));
    save("Option2", fromBoolean(Option2->isChecked()));
}

void Form5::PushButton2_Click() {
    ErrorTrap trap(QStringLiteral("Form5"), QStringLiteral("PushButton2_Click"));
    trap(100, [&] { Unload(); });
}

void Form5::PushButton3_Click() {
    ErrorTrap trap(QStringLiteral("Form5"), QStringLiteral("PushButton3_Click"));
    QString answer;
    trap(100, [&] { answer = dialogs().input(QStringLiteral("Add Currency"), QStringLiteral("Quarrydesk")); });
    if (!trap.test(102, [&] { return !answer.isEmpty(); })) return;
    trap(104, [&] {
        const QSignalBlocker block(Combo2);
        const int kept = Combo2->currentIndex();
        Combo2->addItem(answer);
        Combo2->setCurrentIndex(kept);
    });
    QString list;
    trap(106, [&] { list = get("CurrList", reports::defaultCurrencyList()); });
    trap(108, [&] { list = list + QStringLiteral(";;;") + answer; });
    trap(110, [&] { save("CurrList", list); });
}

void Form5::PushButton4_Click() {
    ErrorTrap trap(QStringLiteral("Form5"), QStringLiteral("PushButton4_Click"));
    trap(100, [&] {
        dialogs().message(QStringLiteral("You use a currency already in the list or add your own "
                                         "using the '+' button."));
    });
}

}  // namespace qd::ui
