#pragma once

#include <functional>

namespace qd {

// Ends the program at once: no window is asked whether it may close and no further handler
// runs. Whatever must survive has been written before (settings are synced when saved, every
// statement is durable when it returns).
[[noreturn]] void EndProgram(int exitCode = 0);

// Tests replace the ending with a handler that throws, so they can watch it happen.
void setEndProgramHandler(std::function<void(int)> handler);

}  // namespace qd
