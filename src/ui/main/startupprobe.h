#pragma once

namespace qd::ui {

class Form1;

// For the start-up benchmark: when the environment holds QUARRYDESK_STARTUP_PROBE, prints
// "painted" on standard output when the main window's order list is first painted and
// "filled" when the list holds every order, then ends the program. Does nothing otherwise.
void probeStartUp(Form1& form);

}  // namespace qd::ui
