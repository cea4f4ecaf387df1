#pragma once

// What the start-up checks ask of the system: whether the data layer can be made, the
// processor's address width, and running a program (the repair) while the window waits.

#include <QString>

#include <functional>

namespace qd {

// Whether the data layer's two objects can be made: the database library starts and runs a
// statement on a database in memory. Never throws.
bool dataObjectsAvailable();
// Tests make the check fail (or pass) at will; an empty function restores the real check.
void setDataObjectsCheck(std::function<bool()> check);

// The processor address width of the running system: "64" or "32" ("" when unknown).
QString GetAddressWidth();
void setAddressWidthSource(std::function<QString()> source);

// The show-window style a program is started with: 0 to 6, anything else (or none) 6.
int effectiveWindowStyle(int windowStyle);
constexpr int kNoWindowStyle = -1;

// Starts the program and waits until its process ends, handling pending events every 100 ms
// meanwhile. Returns its exit code, or -2147221504 plus the start error's number when it
// could not be started. The style reaches the program as QUARRYDESK_WINDOW_STYLE, the one way
// to pass a show-window style on a platform whose launcher has none.
int RunAndWait(const QString& path, int windowStyle = kNoWindowStyle);

}  // namespace qd
