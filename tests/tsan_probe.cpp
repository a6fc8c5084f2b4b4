// Built under ThreadSanitizer only: two threads write one counter without a lock while Qt is
// loaded and in use. The report must come through the Qt suppressions of the tsan preset, which
// silence Qt's own threads and nothing of ours.

#include <QString>

#include <cstdio>
#include <thread>

namespace {

int g_counter = 0;

void count() {
    for (int i = 0; i < 1000; ++i)
        ++g_counter; // unsynchronised on purpose
}

} // namespace

int main() {
    const QString text = QString::number(42);
    std::thread first(count);
    std::thread second(count);
    first.join();
    second.join();
    std::printf("%s %d\n", qPrintable(text), g_counter);
    return 0;
}
