// Stands in for a repair package in tests: records that it ran and with which show-window
// style, waits if asked, and ends with the exit code it is given.

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

int main() {
    const char* record = std::getenv("QD_STANDIN_RECORD");
    const char* style = std::getenv("QUARRYDESK_WINDOW_STYLE");
    if (record) {
        std::ofstream out(record, std::ios::app);
        out << "ran style=" << (style ? style : "none") << '\n';
    }
    if (const char* wait = std::getenv("QD_STANDIN_SLEEP_MS"))
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(wait)));
    const char* code = std::getenv("QD_STANDIN_EXIT");
    return code ? std::atoi(code) : 0;
}
