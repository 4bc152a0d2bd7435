// th10run: the threads of the element loops and of the BLAS.
#include "threads.h"

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace th10run {
namespace {

// The loops' threads: OpenMP's default (OMP_NUM_THREADS, else the cores)
// until set.
int loop_threads = 0;

// OpenBLAS's setter, looked up at run time: any other BLAS that the system
// provides (update-alternatives) has its own threads or none.
void blas_set_num_threads(int n) {
  using Setter = void (*)(int);
  static const Setter set = reinterpret_cast<Setter>(dlsym(RTLD_DEFAULT, "openblas_set_num_threads"));
  if (set) set(n);
}

}  // namespace

void sleep_when_idle(char** argv) {
  const bool wait_set = getenv("OMP_WAIT_POLICY") != nullptr || getenv("GOMP_SPINCOUNT") != nullptr;
  if (wait_set && getenv("OMP_THREAD_LIMIT") != nullptr) return;
  if (!wait_set) setenv("GOMP_SPINCOUNT", kIdleSpins, 0);
  setenv("OMP_THREAD_LIMIT", std::to_string(omp_get_num_procs()).c_str(), 0);
  execv("/proc/self/exe", argv);  // if that fails, the program goes on as it is
}

void set_threads(int n) {
  loop_threads = n > 0 ? n : omp_get_max_threads();
}

int threads() {
  if (loop_threads == 0) loop_threads = omp_get_max_threads();
  return loop_threads;
}

FactorThreads::FactorThreads(double flops) : levels_(omp_get_max_active_levels()) {
  const bool threaded = flops >= kThreadedFactorFlops;
  blas_set_num_threads(threaded ? threads() : 1);
  if (!threaded) omp_set_max_active_levels(0);  // every OpenMP region on one thread
}

FactorThreads::~FactorThreads() {
  omp_set_max_active_levels(levels_);
}

void add_parts(const std::vector<std::vector<double>>& parts, const std::vector<char>& used,
               std::vector<double>& F) {
  const int n = static_cast<int>(F.size());
  // Adding is quick: a thread needs many entries to pay for itself.
  constexpr int kMinEntries = 16384;
  for_blocks(
      n,
      [&](int first, int count, int) {
        for (size_t t = 0; t < parts.size(); ++t) {
          if (!used[t]) continue;
          const double* p = parts[t].data();
          for (int i = first; i < first + count; ++i) F[i] += p[i];
        }
      },
      kMinEntries);
}

}  // namespace th10run
