#pragma once

class QWidget;

namespace qd::ui {

// A request to end the session (logout, shutdown, kill) closes the main window as its close box
// would, so the layout is saved and the order book closed cleanly; the windows open over it
// (a message box, an editor) are closed first, each as its Escape key would.
void endSessionOnSignals(QWidget* mainWindow);

}  // namespace qd::ui
