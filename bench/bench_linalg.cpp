// Cost of the linear-algebra calls that the element kernels make per Gauss
// point: the run-time-sized products against their fixed-size forms.
#include <benchmark/benchmark.h>

#include "LA.h"

namespace {

using LinearAlgebra::LA;

struct Operands {
  double dNdL[30], Coords[30], Jacobi[9], invJacobi[9], dNdG[30];
  Operands() {
    for (int i = 0; i < 30; ++i) dNdL[i] = 0.1 * i - 1.0, Coords[i] = 0.37 * ((i * 7) % 11);
  }
};

void BM_Jacobian_runtime_sizes(benchmark::State& state) {
  Operands o;
  for (auto _ : state) {
    benchmark::DoNotOptimize(o.Coords);
    LA::MultiplyMM(o.dNdL, 3, 10, o.Coords, 3, o.Jacobi);
    LA::InverseMsq(o.Jacobi, o.invJacobi, 3);
    LA::MultiplyMM(o.invJacobi, 3, 3, o.dNdL, 10, o.dNdG);
    benchmark::DoNotOptimize(o.dNdG);
  }
}
BENCHMARK(BM_Jacobian_runtime_sizes);

void BM_Jacobian_fixed_sizes(benchmark::State& state) {
  Operands o;
  for (auto _ : state) {
    benchmark::DoNotOptimize(o.Coords);
    LA::MultiplyMM<3, 10, 3>(o.dNdL, o.Coords, o.Jacobi);
    LA::InverseMsq(o.Jacobi, o.invJacobi, 3);
    LA::MultiplyMM<3, 3, 10>(o.invJacobi, o.dNdL, o.dNdG);
    benchmark::DoNotOptimize(o.dNdG);
  }
}
BENCHMARK(BM_Jacobian_fixed_sizes);

void BM_Eigen3x3(benchmark::State& state) {
  const double M0[9] = {-100, 10, -8, 10, -50, 5, -8, 5, -20};
  double M[9], values[3], vectors[9];
  for (auto _ : state) {
    for (int i = 0; i < 9; ++i) M[i] = M0[i];
    benchmark::DoNotOptimize(M);
    LA::EigenSymmSystemMsqJ(M, 3, values, vectors);
    benchmark::DoNotOptimize(values);
  }
}
BENCHMARK(BM_Eigen3x3);

}  // namespace
