// Timings of the cylindrical transforms, principal stresses and node update.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench_support.h"

using FiniteElementMethod::FEM;

static void BM_Cart2Cyl6(benchmark::State& state) {
  double s[6] = {1, 2, 3, 4, 5, 6};
  double x = 0.3;
  for (auto _ : state) {
    FEM::Cart2Cyl6(x, 0.7, s, s);
    benchmark::DoNotOptimize(s);
    x = -x;
  }
}
BENCHMARK(BM_Cart2Cyl6);

static void BM_Cart2Cyl3(benchmark::State& state) {
  double v[3] = {1, 2, 3};
  double out[3];
  double x = 0.3;
  for (auto _ : state) {
    FEM::Cart2Cyl3(x, 0.7, v, out);
    benchmark::DoNotOptimize(out);
    x = -x;
  }
}
BENCHMARK(BM_Cart2Cyl3);

static void BM_Principal3D(benchmark::State& state) {
  double s[6] = {-100, -80, -150, 12, -7, 30};
  double p[3];
  for (auto _ : state) {
    benchmark::DoNotOptimize(FEM::Principal3D(s, p));
    benchmark::DoNotOptimize(p);
  }
}
BENCHMARK(BM_Principal3D);

// All nodes of the standard box with the angle switched on.
static void BM_Update_Nodes(benchmark::State& state) {
  th10bench::Mesh m = th10bench::standard_box();
  for (FEM::NODE& n : m.nodes) n.cyl = 1.0;
  std::vector<double> U(3 * m.nodes.size(), 1e-3), F(3 * m.nodes.size(), 1.0);
  for (auto _ : state) {
    FEM::Update_Nodes(m.nodes.data(), m.nNodes(), U.data(), F.data());
    benchmark::ClobberMemory();
  }
  state.counters["nodes"] = m.nNodes();
}
BENCHMARK(BM_Update_Nodes);
