#pragma once

#include <QString>

namespace qd::text {

// A record number taken from a list or a collection, checked before it goes into a statement:
// whole-number digits and nothing else, so a damaged or hand-edited book can never turn a
// "delete ... where OrderID=" into something wider. Anything else throws qd::Error naming what
// it should have been ("order number", "product number").
QString recordNumber(const QString& what, const QString& text);

}  // namespace qd::text
