#include "app/program.h"

#include <cstdio>
#include <cstdlib>

namespace qd {

namespace {
std::function<void(int)>& endHandler() {
    static std::function<void(int)> handler;
    return handler;
}
}  // namespace

void EndProgram(int exitCode) {
    if (endHandler()) endHandler()(exitCode);
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void setEndProgramHandler(std::function<void(int)> handler) { endHandler() = std::move(handler); }

}  // namespace qd
