#include "reports/designs.h"

namespace qd::reports {

namespace {

ReportFont titleFont() {
    ReportFont f;
    f.points = 15.75;
    f.weight = 700;
    f.italic = true;
    return f;
}

ReportFont headingFont() {
    ReportFont f;
    f.weight = 700;
    return f;
}

ReportControl label(const char* name, int left, int width, int height, const QString& caption,
                    Alignment alignment = Alignment::Left, ReportFont font = headingFont()) {
    ReportControl c;
    c.name = QLatin1String(name);
    c.kind = ControlKind::Label;
    c.left = left;
    c.width = width;
    c.height = height;
    c.caption = caption;
    c.alignment = alignment;
    c.font = font;
    return c;
}

ReportControl field(const char* name, int left, int width, const char* dataField,
                    const QString& format = QString(), Alignment alignment = Alignment::Left) {
    ReportControl c;
    c.name = QLatin1String(name);
    c.kind = ControlKind::TextField;
    c.left = left;
    c.width = width;
    c.height = 240;
    c.dataField = QString::fromUtf8(dataField);
    c.format = format;
    c.alignment = alignment;
    return c;
}

ReportControl label(const char* name, int left, int width, int height, const char* caption,
                    Alignment alignment = Alignment::Left, ReportFont font = headingFont()) {
    return label(name, left, width, height, QString::fromUtf8(caption), alignment, font);
}

ReportControl title(int width, const QString& caption) {
    return label("Label1", 144, width, 432, caption, Alignment::Left, titleFont());
}

ReportControl title(int width, const char* caption) { return title(width, QString::fromUtf8(caption)); }

// Heights shared by every layout: the report footer is empty and 570 high, the page footer
// is empty and has no height.
void setCommonBands(ReportLayout& layout) {
    layout.band(BandRole::ReportHeader).height = 435;
    layout.band(BandRole::PageFooter).height = 0;
    layout.band(BandRole::ReportFooter).height = 570;
}

// A caption and its value on each line of a band, the value beside the caption at the
// caption's left + width; the band is as high as its lines and a line's space after them.
struct LabelPair {
    QString caption;
    QString value;
    bool bold;
};

void addLabelPairs(Section& band, const std::vector<LabelPair>& rows, int firstNumber, int left,
                   int captionWidth, int valueWidth, int top) {
    int n = firstNumber;
    for (const LabelPair& row : rows) {
        ReportControl name = label(qPrintable(QStringLiteral("Label%1").arg(n++)), left, captionWidth, 240,
                                   row.caption);
        ReportControl shown = label(qPrintable(QStringLiteral("Label%1").arg(n++)), left + captionWidth,
                                    valueWidth, 240, row.value, Alignment::Left,
                                    row.bold ? headingFont() : ReportFont());
        name.top = shown.top = top;
        band.controls.push_back(name);
        band.controls.push_back(shown);
        top += 270;
    }
    band.height = top + 240;
}

constexpr Alignment C = Alignment::Centre;

}  // namespace

ReportLayout rptOrderbyCustomer() {
    ReportLayout r = emptyLayout(QStringLiteral("rptOrderbyCustomer"), {8355, 1440, 1440, 1440, 1440});
    setCommonBands(r);
    r.band(BandRole::ReportHeader).controls = {title(4032, "Orders by Customer")};
    Section& header = r.band(BandRole::PageHeader);
    header.height = 384;
    header.controls = {
        label("Label2", 0, 1584, 240, "Company Name"),
        label("Label3", 1584, 1125, 240, "PO Number", C),
        label("Label4", 2736, 1152, 240, "Order ID", C),
        label("Label6", 3888, 1152, 240, "Employee ID", C),
        label("Label7", 5040, 1008, 240, "Order Date", C),
        label("Label5", 6048, 1008, 240, "Ship Date", C),
        label("Label11", 7056, 1290, 240, "Shipping Method", C),
    };
    Section& detail = r.band(BandRole::Detail);
    detail.height = 240;
    const QString date = QStringLiteral("M/d/yyyy");
    detail.controls = {
        field("Text1", 0, 1584, "CompanyName"),
        field("Text2", 1584, 1140, "PurchaseOrderNumber", {}, C),
        field("Text7", 2736, 1152, "OrderID", {}, C),
        field("Text4", 3888, 1152, "EmployeeID", {}, C),
        field("Text5", 5040, 1005, "OrderDate", date, C),
        field("Text3", 6048, 1005, "ShipDate", date, C),
        field("Text6", 7056, 1296, "ShippingMethodID", {}, C),
    };
    return r;
}

ReportLayout rptTotalPriceOrders() {
    ReportLayout r = emptyLayout(QStringLiteral("rptTotalPriceOrders"), {8505, 1440, 1440, 1440, 1440});
    setCommonBands(r);
    r.band(BandRole::ReportHeader).controls = {title(4032, "Total Price of Orders")};
    Section& header = r.band(BandRole::PageHeader);
    header.height = 384;
    header.controls = {
        label("Label2", 0, 2736, 240, "Company Name"),
        label("Label4", 2736, 1152, 240, "Order ID"),
        label("Label6", 3888, 1872, 240, "Total Price of Order"),
    };
    Section& detail = r.band(BandRole::Detail);
    detail.height = 240;
    detail.controls = {
        field("Text1", 0, 2595, "CompanyName"),
        field("Text7", 2736, 1152, "OrderID"),
        field("Text4", 3888, 1875, "SumOfTotal Price", kLayoutMoneyFormat),
    };
    return r;
}

ReportLayout rptTotalPriceOrderDetail() {
    ReportLayout r =
        emptyLayout(QStringLiteral("rptTotalPriceOrderDetail"), {11376, 200, 200, 1440, 1440});
    setCommonBands(r);
    r.band(BandRole::ReportHeader).controls = {title(6480, "Total Price of Each Order Detail")};
    Section& header = r.band(BandRole::PageHeader);
    header.height = 390;
    header.controls = {
        label("Label2", 0, 1584, 240, "Company Name"),
        label("Label6", 1584, 1008, 240, "Total Price"),
        label("Label3", 2592, 1584, 240, "Product Name"),
        label("Label4", 4176, 864, 240, "Order ID"),
        label("Label5", 5040, 1152, 240, "Unit Price"),
        label("Label7", 6192, 870, 240, "Quantity"),
        label("Label8", 7056, 870, 240, "Subtotal"),
        label("Label9", 7920, 870, 240, "Discount"),
        label("Label10", 8784, 1290, 240, "With Discount"),
        label("Label11", 10080, 1296, 240, "Sales Tax Rate"),
    };
    Section& detail = r.band(BandRole::Detail);
    detail.height = 384;
    const QString percent = QStringLiteral("0%");
    detail.controls = {
        field("Text1", 0, 1590, "CompanyName"),
        field("Text4", 1584, 1008, "Total Price", kLayoutMoneyFormat),
        field("Text2", 2592, 1590, "ProductName"),
        field("Text7", 4176, 864, "OrderID"),
        field("Text3", 5040, 1152, "UnitPrice", kLayoutMoneyFormat),
        field("Text5", 6192, 870, "Quantity", QStringLiteral("0")),
        field("Text6", 7056, 870, "SubTotal", kLayoutMoneyFormat),
        field("Text8", 7920, 870, "Discount", percent),
        field("Text9", 8784, 1296, "SubTotal With Discount", kLayoutMoneyFormat),
        field("Text10", 10080, 1296, "SalesTaxRate", percent),
    };
    return r;
}

ReportLayout rptOrder(const OrderCaptions& captions, const QString& moneyFormat) {
    ReportLayout r = emptyLayout(QStringLiteral("rptOrder"), {8640, 1440, 1440, 1440, 1440});
    setCommonBands(r);
    // The order's facts, a caption and its value on each line, under the title.
    Section& top = r.band(BandRole::ReportHeader);
    top.controls = {title(6480, captions.title)};
    const std::pair<const char*, const QString*> facts[] = {
        {"Customer", &captions.customer},
        {"Employee", &captions.employee},
        {"Order Date", &captions.orderDate},
        {"Ship Date", &captions.shipDate},
        {"PO Number", &captions.purchaseOrderNumber},
        {"Shipping Method", &captions.shippingMethod},
    };
    std::vector<LabelPair> factRows;
    for (const auto& [caption, value] : facts) factRows.push_back({QString::fromUtf8(caption), *value, false});
    addLabelPairs(top, factRows, 2, 0, 1800, 6840, 600);


    Section& header = r.band(BandRole::PageHeader);
    header.height = 384;
    header.controls = {
        label("Label20", 0, 3600, 240, "Product"),
        label("Label21", 3600, 1008, 240, "Quantity", C),
        label("Label22", 4608, 1440, 240, "Unit Price"),
        label("Label23", 6048, 1008, 240, "Discount", C),
        label("Label24", 7056, 1584, 240, "Line Total"),
    };
    Section& detail = r.band(BandRole::Detail);
    detail.height = 240;
    detail.controls = {
        field("Text1", 0, 3600, "ProductName"),
        field("Text2", 3600, 1008, "Quantity", {}, C),
        field("Text3", 4608, 1440, "UnitPrice", moneyFormat),
        field("Text4", 6048, 1008, "Discount", QStringLiteral("0.0%"), C),
        field("Text5", 7056, 1584, "Line Total", moneyFormat),
    };

    // The totals under the line totals' column.
    Section& bottom = r.band(BandRole::ReportFooter);
    addLabelPairs(bottom,
                  {{QStringLiteral("Subtotal"), captions.subtotal, false},
                   {captions.salesTaxLabel, captions.salesTax, false},
                   {QStringLiteral("Total"), captions.total, true}},
                  30, 4608, 2448, 1584, 240);
    return r;
}

}  // namespace qd::reports
