#pragma once

#include "core/error.h"

#include <QList>

namespace qd::ui {

// The identifiers (or prices) that belong to the entries of a drop-down list, counted from 1:
// element n belongs to list entry n - 1.
template <class T>
class Collection {
public:
    void add(const T& value) { m_items.append(value); }
    int count() const { return int(m_items.size()); }
    // Element n, counted from 1; asking for one that is not there is an error.
    const T& item(int n) const {
        if (n < 1 || n > count())
            throw Error(QStringLiteral("Invalid procedure call or argument"), 5);
        return m_items[n - 1];
    }
    // The first element equal to the value, counted from 1, or 0.
    int indexOf(const T& value) const { return int(m_items.indexOf(value)) + 1; }

private:
    QList<T> m_items;
};

}  // namespace qd::ui
