// The benches' stopwatch: QueryPerformanceCounter ticks and milliseconds between them.
#pragma once
#include <windows.h>

namespace vellumo::bench {

class Clock {
public:
    Clock() { ::QueryPerformanceFrequency(&freq_); }
    LONGLONG Now() const {
        LARGE_INTEGER t;
        ::QueryPerformanceCounter(&t);
        return t.QuadPart;
    }
    double Ms(LONGLONG from, LONGLONG to) const { return double(to - from) * 1000.0 / double(freq_.QuadPart); }

private:
    LARGE_INTEGER freq_{};
};

}  // namespace vellumo::bench
