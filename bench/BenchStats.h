// SPDX-License-Identifier: GPL-3.0-or-later
// Figures the benchmarks print: order statistics of samples in milliseconds, their table, and the
// machine line; and the reading of their arguments.
#pragma once

#ifndef _WIN32
#include <sys/utsname.h>
#endif

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <numeric>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace halvo::bench {

inline double Median(std::vector<double> v) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

inline double Mean(const std::vector<double>& v) {
    return v.empty() ? 0 : std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

inline double Percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size())))];
}

// Reads a benchmark's arguments: `take` gets each with the one after it (nullptr at the end) and
// returns how many of the two it used, 0 for one it does not know; false then.
inline bool ReadArguments(int argc, char** argv,
                          const std::function<int(std::string_view, const char*)>& take) {
    for (int i = 1; i < argc;) {
        const int used = take(argv[i], i + 1 < argc ? argv[i + 1] : nullptr);
        if (used == 0) {
            return false;
        }
        i += used;
    }
    return true;
}

// The times of the runs that came through, and how many did not.
struct Samples {
    std::vector<double> ms;
    int failed = 0;
};

inline const char* Verdict(bool met) {
    return met ? "met" : "NOT met";
}

// The table's head and its rows: a label in a column `labelWidth` wide, then the figures.
inline void PrintTableHead(int labelWidth) {
    std::printf("%-*s %10s %10s %10s %10s %6s %6s\n", labelWidth, "", "median ms", "mean ms",
                "p90 ms", "min ms", "runs", "failed");
}

inline void PrintRow(int labelWidth, const char* label, const Samples& s) {
    std::printf("%-*s %10.3f %10.3f %10.3f %10.3f %6zu %6d\n", labelWidth, label, Median(s.ms),
                Mean(s.ms), Percentile(s.ms, 0.9),
                s.ms.empty() ? 0 : *std::min_element(s.ms.begin(), s.ms.end()), s.ms.size(),
                s.failed);
}

// The Windows benchmark prints its machine line itself, from the registry and wine.
#ifndef _WIN32
inline std::string CpuModel() {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("model name", 0) == 0) {
            return line.substr(line.find(':') + 2);
        }
    }
    return "unknown";
}

// Figures mean little without the machine they were taken on.
inline void PrintMachine() {
    utsname u{};
    uname(&u);
    std::printf("machine: %u CPU(s) (nproc), %s, kernel %s\n", std::thread::hardware_concurrency(),
                CpuModel().c_str(), u.release);
}
#endif

}  // namespace halvo::bench
