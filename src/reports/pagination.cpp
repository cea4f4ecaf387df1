#include "reports/pagination.h"

#include "core/error.h"

#include <algorithm>

namespace qd::reports {

namespace {

[[noreturn]] void tooSmall(int needed, int bodyHeight) {
    throw Error(QStringLiteral("The paper is too small for this report: its bands need %1 twips "
                               "of height between the margins, the paper leaves %2.")
                    .arg(needed)
                    .arg(bodyHeight));
}

}  // namespace

std::vector<PagePlan> paginate(const BandHeights& b, int bodyHeight, int rowCount) {
    const int limit = bodyHeight - b.pageFooter;  // detail and report footer stay above this
    const int firstPageNeeds = b.reportHeader + b.pageHeader + b.pageFooter;
    if (firstPageNeeds > bodyHeight) tooSmall(firstPageNeeds, bodyHeight);
    if (rowCount > 0 && b.pageHeader + b.detail > limit)
        tooSmall(b.pageHeader + b.detail + b.pageFooter, bodyHeight);
    if (b.pageHeader + b.reportFooter > limit)
        tooSmall(b.pageHeader + b.reportFooter + b.pageFooter, bodyHeight);

    std::vector<PagePlan> pages;
    if (b.detail > 0 && rowCount > 0)
        pages.reserve(size_t(rowCount / std::max(1, (limit - b.pageHeader) / b.detail) + 2));
    int row = 0;
    bool footerPlaced = false;
    while (!footerPlaced) {
        PagePlan page;
        int y = 0;
        if (pages.empty()) {
            page.reportHeader = true;
            y += b.reportHeader;
        }
        page.pageHeaderTop = y;
        y += b.pageHeader;
        page.firstRow = row;
        page.firstDetailTop = y;
        const int remaining = rowCount - row;
        const int fit = b.detail > 0 ? (limit - y) / b.detail : remaining;
        page.rowCount = std::min(std::max(fit, 0), remaining);
        row += page.rowCount;
        y += page.rowCount * b.detail;
        if (row == rowCount && y + b.reportFooter <= limit) {
            page.reportFooter = true;
            page.reportFooterTop = y;
            footerPlaced = true;
        }
        page.pageFooterTop = limit;
        pages.push_back(page);
    }
    return pages;
}

}  // namespace qd::reports
