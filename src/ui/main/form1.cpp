#include "ui/main/form1.h"

#include "app/appconnection.h"
#include "app/apptitle.h"
#include "app/booksession.h"
#include "app/errortrap.h"
#include "app/folders.h"
#include "app/program.h"
#include "app/settings.h"
#include "ui/controls/listview.h"
#include "ui/controls/lookandfeel.h"
#include "ui/controls/noticebar.h"
#include "ui/controls/pushbutton.h"
#include "ui/controls/twips.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPainter>
#include <QPaintEvent>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

namespace qd::ui {

Form1::Form1(QWidget* parent) : QWidget(parent), m_layout(MainLayout::design()) {
    setObjectName(QStringLiteral("Form1"));
    setFont(windowFont());
    buildControls();
    resize(toPixels(kDesignClientWidth), toPixels(kDesignClientHeight));
    // Smaller than its design the window would cut off the lower buttons.
    setMinimumSize(size());
}

Form1::~Form1() = default;

void Form1::buildControls() {
    auto makeList = [this](const char* name) {
        auto* list = new ListView(this);
        list->setObjectName(QLatin1String(name));
        setDefaultOnHover(list);
        return list;
    };
    auto makeButton = [this](const char* name, const char* caption) {
        return makePushButton(this, name, QString::fromUtf8(caption));
    };
    ListView1 = makeList("ListView1");
    ListView2 = makeList("ListView2");
    PushButton2 = makeButton("PushButton2", "Add New Order");
    PushButton1 = makeButton("PushButton1", "Edit Selected Order");
    PushButton4 = makeButton("PushButton4", "Load Sample/Example Data");
    PushButton3 = makeButton("PushButton3", "Delete Selected Order");
    PushButton5 = makeButton("PushButton5", "Reports");
    PushButton6 = makeButton("PushButton6", "Help");
    setDefaultOnHover(this);

    // Tab order of the design: order list, the command buttons, detail list, the rest.
    const QList<QWidget*> tabOrder{ListView1,   PushButton2, PushButton1, PushButton3,
                                   PushButton5, ListView2,   PushButton4, PushButton6};
    for (int i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);
    ListView1->setAccessibleName(QStringLiteral("Orders"));
    ListView2->setAccessibleName(QStringLiteral("Lines of the selected order"));
    applyLayout(m_layout);
    buildListHabits();
    m_notice = new NoticeBar(ListView1);

    connect(ListView1, &ListView::itemClick, this, &Form1::userItemClick);
    connect(ListView1, &ListView::columnClick, this, &Form1::ListView1_ColumnClick);
    connect(ListView2, &ListView::columnClick, this, &Form1::ListView2_ColumnClick);
    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
}

void Form1::applyLayout(const MainLayout& layout) {
    m_layout = layout;
    QWidget* const controls[MainLayout::ControlCount] = {
        ListView1, ListView2, PushButton1, PushButton2, PushButton3, PushButton4, PushButton5,
        PushButton6};
    for (int c = 0; c < MainLayout::ControlCount; ++c) {
        const QRectF& r = layout.place[c];
        setTwipsGeometry(controls[c], r.left(), r.top(), r.width(), r.height());
    }
}

void Form1::restoreColumnWidths(ErrorTrap& trap, int line, ListView* list,
                                const QString& prefix) {
    trap(line, [&] {
        list->setColumnWidth(1, toSingle(GetSetting(kSettingsApp, kSettingsSection,
                                                    prefix + QLatin1Char('1'), QStringLiteral("1"))));
    });
    int columns = 0;
    if (!trap(line + 2, [&] { columns = list->columnCount(); })) return;
    for (int n = 2; n <= columns; ++n) {
        trap(line + 4, [&] {
            list->setColumnWidth(n, toSingle(GetSetting(kSettingsApp, kSettingsSection,
                                                        prefix + QString::number(n),
                                                        QStringLiteral("1800"))));
        });
    }
}

void Form1::Form_Load() {
    ErrorTrap trap(QStringLiteral("Form1"), QStringLiteral("Form_Load"));
    if (trap.test(100, [&] { return !DirectoryExists(SpecialFolderPath(kCommonAppData) +
                                                     QStringLiteral("/Brisklane")); }))
        trap(102, [&] { CreateFolder(SpecialFolderPath(kCommonAppData) +
                                     QStringLiteral("/Brisklane")); });
    if (trap.test(104, [&] { return !DirectoryExists(DataFolder()); }))
        trap(106, [&] { CreateFolder(DataFolder()); });
    if (trap.test(108, [&] { return !FileExists(DataFolder() + QStringLiteral("/dbData.mdb")); }))
        trap(110, [&] {
            CopyFile(ApplicationPath() + QStringLiteral("/dbBlank.mdb"),
                     DataFolder() + QStringLiteral("/dbData.mdb"));
        });
    trap(112, [&] { ApplySkin(this); });
    if (trap.test(114, [&] { return FileExists(handCursorPath()); }))
        trap(116, [&] { setMouseIcon(this, handCursorPath()); });
    trap(138, [&] { IsADOInstalled(); });
    trap(140, [&] {
        setWindowTitle(kProductName);
        setWindowIcon(applicationIcon());
        SetApplicationTitle();
    });
    trap(142, [&] { AppConnectionObject() = std::make_unique<data::Connection>(); });
    trap(144, [&] { OpenOrderBook(); });

    const char* const orderColumns[] = {"ID",        "Customer Name",   "Employee Name",
                                        "Order Date", "PO Number",       "Ship Date",
                                        "Shipping Method", "Sales Tax Rate"};
    int line = 146;
    for (const char* caption : orderColumns) {
        trap(line, [&] { ListView1->addColumn(QString::fromUtf8(caption)); });
        line += 2;
    }
    const char* const detailColumns[] = {"ID", "Product Name", "Quantity", "Unit Price",
                                         "Discount"};
    for (const char* caption : detailColumns) {
        trap(line, [&] { ListView2->addColumn(QString::fromUtf8(caption)); });
        line += 2;
    }
    restoreColumnWidths(trap, 172, ListView1, QStringLiteral("ColumnHeaders"));
    restoreColumnWidths(trap, 180, ListView2, QStringLiteral("ColumnHeaders2"));
    trap(188, [&] { RefreshOrderList(); });
    trap(190, [&] {
        const short state = toInteger16(
            GetSetting(kSettingsApp, kSettingsSection, QStringLiteral("WindowState"),
                       QStringLiteral("0")));
        switch (state) {
        case 0: setWindowState(Qt::WindowNoState); break;
        case 1: setWindowState(Qt::WindowMinimized); break;
        case 2: setWindowState(Qt::WindowMaximized); break;
        default: throw Error(QStringLiteral("Invalid property value"), 380);
        }
    });
    if (trap.test(192, [&] {
            return !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized));
        }))
        trap(194, [&] { m_RestoreLayout = false; });
    else
        trap(196, [&] { m_RestoreLayout = true; });
}

void Form1::Form_QueryUnload() {
    ErrorTrap trap(QStringLiteral("Form1"), QStringLiteral("Form_QueryUnload"));
    auto saveWidths = [&](int line, ListView* list, const QString& prefix) {
        int columns = 0;
        if (!trap(line, [&] { columns = list->columnCount(); })) return;
        for (int n = 1; n <= columns; ++n)
            trap(line + 2, [&] {
                SaveSetting(kSettingsApp, kSettingsSection, prefix + QString::number(n),
                            fromSingle(float(list->columnWidth(n))));
            });
    };
    saveWidths(100, ListView1, QStringLiteral("ColumnHeaders"));
    trap(106, [&] {
        const Qt::WindowStates state = windowState();
        const int value = (state & Qt::WindowMinimized) ? 1 : (state & Qt::WindowMaximized) ? 2 : 0;
        SaveSetting(kSettingsApp, kSettingsSection, QStringLiteral("WindowState"),
                    QString::number(value));
    });
    saveWidths(108, ListView2, QStringLiteral("ColumnHeaders2"));
    if (trap.test(114, [&] { return AppConnection().state() != data::Connection::Closed; }))
        trap(114, [&] { CloseOrderBook(); });
    trap(116, [&] {
        AppBookSession().reset();
        AppConnectionObject().reset();
    });
    trap(118, [&] { QCoreApplication::processEvents(); });
    trap(120, [&] { QCoreApplication::processEvents(); });
}

void Form1::Form_Unload() {
    if (m_endsProgram) EndProgram(0);
}

void Form1::closeEvent(QCloseEvent* event) {
    Form_QueryUnload();
    event->accept();
    Form_Unload();
}

// The window's design colour is white. It is painted here rather than set in the palette, which
// the lists would inherit for the parts they leave to the window colour (the heading strip past
// the last column), white in the middle of a dark list. The skin colours the window through
// the palette instead (ApplySkin), and then the palette fills the background.
void Form1::paintEvent(QPaintEvent* event) {
    if (!autoFillBackground()) QPainter(this).fillRect(event->rect(), Qt::white);
    QWidget::paintEvent(event);
}

void Form1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) Form_Resize();
}

void Form1::Form_Resize() {
    const Qt::WindowStates state = windowState();
    if (state & Qt::WindowMinimized) return;
    const QRect outer = frameGeometry();
    if (state & Qt::WindowMaximized) {
        applyLayout(m_layout.maximized(float(toTwips(outer.width())),
                                       float(toTwips(outer.height()))));
        m_RestoreLayout = true;
        return;
    }
    if (!m_RestoreLayout) return;
    applyLayout(m_layout.restored());
    if (const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - outer.width()) / 2,
             area.top() + (area.height() - outer.height()) / 2);
    }
}

}  // namespace qd::ui
