// Material routines at one stress point: yield value, mobilised friction angle
// and elasto-plastic matrix (smooth zone and corner zone, 6 components).
#include <benchmark/benchmark.h>

#include "FEM.h"

namespace {

using FiniteElementMethod::FEM;

// Stresses (x, y, z, xy, yz, zx) of a compressed soil element: a general state
// in the smooth zone and an axisymmetric (triaxial) state at a corner.
double smooth_stress[6] = {-100, -50, -20, 10, 5, -8};
double corner_stress[6] = {-100, -100, -20, 0, 0, 0};

void BM_MC_SG_F(benchmark::State& state) {
  double* sig = state.range(0) ? corner_stress : smooth_stress;
  for (auto _ : state) {
    benchmark::DoNotOptimize(sig);
    benchmark::DoNotOptimize(FEM::MC_SG_F(sig, 6, 30.0, 5.0));
  }
}
BENCHMARK(BM_MC_SG_F)->Arg(0)->Arg(1);

void BM_MC_SG_F_Phi(benchmark::State& state) {
  double* sig = state.range(0) ? corner_stress : smooth_stress;
  for (auto _ : state) {
    benchmark::DoNotOptimize(sig);
    benchmark::DoNotOptimize(FEM::MC_SG_F_Phi(sig, 6, 5.0, 0.0, 45.0));
  }
}
BENCHMARK(BM_MC_SG_F_Phi)->Arg(0)->Arg(1);

void run_dep(benchmark::State& state, double* sig) {
  double De[36], Dp[36], Dep[36];
  FEM::SG_De(6, 1000.0, 0.25, De);
  for (auto _ : state) {
    benchmark::DoNotOptimize(sig);
    FEM::MC_SG_Dep(sig, 6, 30.0, 10.0, 5.0, De, Dp, Dep);
    benchmark::DoNotOptimize(Dp);
    benchmark::DoNotOptimize(Dep);
    benchmark::ClobberMemory();
  }
}

void BM_MC_SG_Dep_smooth(benchmark::State& state) {
  run_dep(state, smooth_stress);
}
void BM_MC_SG_Dep_corner(benchmark::State& state) {
  run_dep(state, corner_stress);
}
BENCHMARK(BM_MC_SG_Dep_smooth);
BENCHMARK(BM_MC_SG_Dep_corner);

}  // namespace
