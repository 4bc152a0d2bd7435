// Gauss points, Jacobians and B matrices of a structured mesh, per element.
#include <benchmark/benchmark.h>

#include "bench_support.h"

namespace {

using namespace th10bench;

void BM_make_GP_J_B(benchmark::State& state) {
  Mesh m = standard_box();
  for (auto _ : state) {
    TH10G15::make_GP_J_B(m.elems.data(), m.nElements());
    benchmark::ClobberMemory();
  }
  // Time per element.
  state.counters["per_element"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * m.nElements(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_make_GP_J_B)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The same on six elements that stay in cache: the arithmetic alone.
void BM_make_GP_J_B_in_cache(benchmark::State& state) {
  th10bench::Mesh m = th10bench::box(1, 1, 1);
  for (auto _ : state) {
    FiniteElementMethod::TH10G15::make_GP_J_B(m.elems.data(), m.nElements());
    benchmark::ClobberMemory();
  }
  state.counters["per_element"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * m.nElements(),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_make_GP_J_B_in_cache);

}  // namespace
