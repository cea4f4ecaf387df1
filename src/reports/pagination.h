#pragma once

// Where the bands of a report fall on its pages. Bands have fixed heights, so the layout is
// arithmetic on the number of rows: the report header once at the top of the first page, the
// page header at the top of every page, one detail band per row while it fits above the page
// footer, the page footer at the bottom of every page, and the report footer after the last
// row, on a page of its own when it does not fit below it.

#include <vector>

namespace qd::reports {

struct BandHeights {
    int reportHeader = 0;
    int pageHeader = 0;
    int detail = 0;
    int pageFooter = 0;
    int reportFooter = 0;
};

// One page; tops are twips from the top margin.
struct PagePlan {
    bool reportHeader = false;  // at top 0
    int pageHeaderTop = 0;
    int firstRow = 0;
    int rowCount = 0;
    int firstDetailTop = 0;     // the rows follow each other from here
    bool reportFooter = false;
    int reportFooterTop = 0;
    int pageFooterTop = 0;
};

// bodyHeight is the paper height less the top and bottom margins. Throws qd::Error when the
// body cannot hold the bands a page needs (so the report could never end).
std::vector<PagePlan> paginate(const BandHeights& bands, int bodyHeight, int rowCount);

}  // namespace qd::reports
