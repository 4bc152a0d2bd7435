// th10run: the threads of the element loops and of the BLAS. The loops
// split a range of elements into one contiguous block per thread (OpenMP);
// the library's routines run on each block from its thread. The BLAS under
// the solvers (OpenBLAS, on the same OpenMP threads in Debian's OpenMP
// build) runs between the loops, never while one runs, so that the two do
// not compete for the cores; it gets several threads only for
// factorisations large enough to gain from them.
#ifndef TH10RUN_THREADS_H
#define TH10RUN_THREADS_H

#include <omp.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace th10run {

// Idle OpenMP threads should sleep soon instead of spinning for
// milliseconds (OpenMP's default): the program's serial parts (the
// solution, the residual, the output) then have the cores to themselves, and
// so do the other programs of a busy machine, where spinning threads slowed
// the loops several times over. Yet they should not sleep at once: a sparse
// factorisation hands the BLAS threads thousands of short tasks, and waking
// a sleeping thread for each made it half as fast again. They spin for
// kIdleSpins turns (about a tenth of a millisecond), then sleep.
// And no OpenMP team may have more threads than the machine has cores (a
// solver library may ask for a fixed number). OpenMP reads both from the
// environment when it is loaded, so the program runs itself again (argv:
// its arguments) with that spin count and the cores as the thread limit,
// unless the environment sets a wait policy or spin count and a thread
// limit itself. Call it first in main.
constexpr const char* kIdleSpins = "10000";
void sleep_when_idle(char** argv);

// Sets the number of threads of the loops (and so the most the BLAS gets):
// n > 0 as given, 0 as OMP_NUM_THREADS says, or every core when it is not set.
void set_threads(int n);
// The number of threads the loops run on.
int threads();

// Factorisations of fewer floating-point operations than this run the BLAS
// on one thread: their many small BLAS calls would spend more time starting
// and joining threads than they save (and far more on a busy machine).
constexpr double kThreadedFactorFlops = 1e9;
// The threads of one factorisation of that many operations, for its scope:
// the BLAS's and those of the solver's own OpenMP loops (CHOLMOD has some),
// all of the program's threads for a large one, one for a small one.
class FactorThreads {
 public:
  explicit FactorThreads(double flops);
  ~FactorThreads();
  FactorThreads(const FactorThreads&) = delete;
  FactorThreads& operator=(const FactorThreads&) = delete;

 private:
  int levels_;  // OpenMP's active levels before
};

// Calls task(t) on each of T threads, t = 0 .. T - 1, and waits for them.
template <class Task>
void on_threads(int T, Task task) {
  if (T <= 1) {
    task(0);
    return;
  }
#pragma omp parallel num_threads(T)
  task(omp_get_thread_num());
}

// Ranges shorter than this many items per thread use fewer threads: the
// work would not pay for starting them (nor for waiting on a busy machine).
constexpr int kMinBlock = 64;

// Calls block(first, count, thread) on every thread with its share of
// [0, n): thread t of T takes the t-th of T nearly equal contiguous blocks
// (T: the threads, fewer for a short range).
// A given thread count splits alike on every call, which keeps sums over
// the blocks bitwise the same from run to run. The threads that get no
// element are not called.
template <class Block>
void for_blocks(int n, Block block, int min_block = kMinBlock) {
  const int T = std::max(1, std::min(threads(), n / min_block));
  if (n <= 0) return;
  on_threads(T, [&](int t) {
    const int first = static_cast<int>(static_cast<long long>(n) * t / T);
    const int last = static_cast<int>(static_cast<long long>(n) * (t + 1) / T);
    block(first, last - first, t);
  });
}

// Adds parts[t][i] to F[i] for the parts whose `used` is set, in the
// order of t (the same order on every run), in parallel over i.
void add_parts(const std::vector<std::vector<double>>& parts, const std::vector<char>& used,
               std::vector<double>& F);

}  // namespace th10run

#endif
