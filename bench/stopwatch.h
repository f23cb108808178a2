// Elapsed time from the platform's performance counter, in milliseconds.
#pragma once

#include <windows.h>

namespace bench {

class Stopwatch {
public:
    Stopwatch() { QueryPerformanceCounter(&start_); }
    double Ms() const
    {
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return 1e3 * static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER start_;
};

// Owns one kernel handle.
class Handle {
public:
    explicit Handle(HANDLE h = nullptr) : h_(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { if (h_) CloseHandle(h_); }
    HANDLE Get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    HANDLE h_;
};

}  // namespace bench
