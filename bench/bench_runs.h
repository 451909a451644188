#pragma once
// Best of several interleaved runs, for benchmarks that print a ratio of two
// (or more) sides measured in the same program run.
//
// On a shared machine one run of one side can be slowed by someone else's
// work, and a single pair of runs can then turn a ratio around. Each side is
// therefore run several times, the sides taking turns (A B, B A, A B, …, so
// that neither always goes first), and each side's figure is its fastest run:
// noise only ever adds time, so the minimum is the figure least touched by it.
//
//   zbbench::BestOf best(zbbench::runsOption(argc, argv, 3));
//   const std::vector<double> t = best.run({
//       [&] { /* set up, untimed */ zbbench::Stopwatch w; work(); return w.seconds(); },
//       [&] { zbbench::Stopwatch w; reference(); return w.seconds(); },
//   });
//   std::printf("ratio %.2f\n", t[1] / t[0]);
//
// A side returns the seconds it measured itself, so that setting up (making
// files, dropping caches, removing what the previous run left) is not counted;
// a negative value means the side failed, and its figure becomes negative.
// Header only, on the standard library, so that every benchmark folder can use
// it.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

namespace zbbench {

// Wall time since construction (or the last restart).
class Stopwatch {
public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    void restart() { start_ = std::chrono::steady_clock::now(); }
    double seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }

private:
    std::chrono::steady_clock::time_point start_;
};

class BestOf {
public:
    explicit BestOf(int runs) : runs_(runs < 1 ? 1 : runs) {}
    int runs() const { return runs_; }

    // Runs every side runs() times in turn; returns each side's fastest run,
    // in the order of `sides`, or -1 for a side that failed in any run.
    std::vector<double> run(const std::vector<std::function<double()>>& sides) const
    {
        std::vector<double> best(sides.size(), std::numeric_limits<double>::infinity());
        std::vector<bool> failed(sides.size(), false);
        for (int r = 0; r < runs_; ++r) {
            for (size_t k = 0; k < sides.size(); ++k) {
                const size_t i = r % 2 == 0 ? k : sides.size() - 1 - k;
                if (failed[i])
                    continue;
                const double t = sides[i]();
                if (t < 0)
                    failed[i] = true;
                else if (t < best[i])
                    best[i] = t;
            }
        }
        for (size_t i = 0; i < sides.size(); ++i)
            if (failed[i])
                best[i] = -1;
        return best;
    }

    // The same for one side alone (a figure printed without a ratio).
    double run(const std::function<double()>& side) const { return run(std::vector<std::function<double()>>{side})[0]; }

private:
    int runs_;
};

// The value of "--runs N" on the command line, else of the environment
// variable ZB_BENCH_RUNS, else `fallback`.
inline int runsOption(int argc, char** argv, int fallback)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--runs") == 0)
            return std::atoi(argv[i + 1]) > 0 ? std::atoi(argv[i + 1]) : fallback;
    const char* env = std::getenv("ZB_BENCH_RUNS");
    if (env && std::atoi(env) > 0)
        return std::atoi(env);
    return fallback;
}

}  // namespace zbbench
