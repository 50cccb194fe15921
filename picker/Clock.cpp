#include "picker/Clock.h"

#include <chrono>
#include <ctime>

float SecondsSinceMidnight() {
    using std::chrono::system_clock;
    const auto now = system_clock::now();
    const std::time_t whole = system_clock::to_time_t(now);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &whole);
#else
    localtime_r(&whole, &local);
#endif
    const std::chrono::duration<double> fraction = now - system_clock::from_time_t(whole);
    return static_cast<float>(local.tm_hour * 3600 + local.tm_min * 60 + local.tm_sec +
                              fraction.count());
}
