#pragma once

#include "data/connection.h"

#include <memory>

namespace qd {

// The one open connection to the order book, created and opened by the main window's load and
// released when it closes. Every statement of the program runs on it.
std::unique_ptr<data::Connection>& AppConnectionObject();

// The connection for a statement; an error like any other when it was never created.
data::Connection& AppConnection();

}  // namespace qd
