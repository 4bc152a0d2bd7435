// Element routines on the 3,072-element benchmark box: stiffness, internal
// forces, stress integration and the material-state update. The counter
// "per_element" is the time per element.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "bench_support.h"

using namespace th10bench;

namespace {

void per_element(benchmark::State& state, int nE) {
  state.counters["per_element"] = benchmark::Counter(
      static_cast<double>(nE), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Material constants at every point and a committed stress; then the state
// of the Mohr-Coulomb model at that stress.
void set_state(Mesh& m, const double* stress, double c, double Phi_min, int assoc, double Psi) {
  for (TH10G15::ELEMENT& el : m.elems)
    for (TH10G15::GAUSSPOINT& g : el.GP) {
      g.E = 1.0e5;
      g.nu = 0.3;
      g.G = g.E / (2.0 * (1.0 + g.nu));
      g.c = c;
      for (int i = 0; i < 6; ++i) {
        g.stress0[i] = stress[i];
        g.stress[i] = stress[i];
        g.dstress[i] = 0.0;
        g.dstrain[i] = 0.0;
      }
    }
  TH10G15::update_Phi_F_D(m.elems.data(), m.nElements(), Phi_min, assoc, Psi);
}

// An elastic state well inside the surface (hydrostatic compression).
Mesh elastic_box(bool cached = false) {
  Mesh m = cached ? box(1, 1, 1) : standard_box();
  const double stress[6] = {-100.0, -100.0, -100.0, 0.0, 0.0, 0.0};
  set_state(m, stress, 10.0, 30.0, 0, 0.0);
  return m;
}

// Every point on or beyond the surface, in the smooth zone (Lode angle
// away from the corners), loaded plastically by a small open increment.
Mesh yielding_box(int assoc, bool cached = false) {
  Mesh m = cached ? box(1, 1, 1) : standard_box();
  const double stress[6] = {-10.0, -25.0, -60.0, 3.0, -2.0, 1.5};
  set_state(m, stress, 2.0, 10.0, assoc, 5.0);
  for (TH10G15::ELEMENT& el : m.elems)
    for (TH10G15::GAUSSPOINT& g : el.GP) {
      const double deps[6] = {2e-5, 1e-5, -4e-5, 1e-5, 0.0, -1e-5};
      for (int i = 0; i < 6; ++i) g.dstrain[i] = deps[i];
    }
  return m;
}

// Fraction of Gauss points whose F is not negative.
double yielding_fraction(const Mesh& m) {
  int n = 0;
  for (const TH10G15::ELEMENT& el : m.elems)
    for (const TH10G15::GAUSSPOINT& g : el.GP) n += (g.F < 0.0) ? 0 : 1;
  return n / (15.0 * m.nElements());
}

// Matrices set directly, independent of the material model: De isotropic;
// Dep = De - a b^T / (b . a), which is symmetric only when a = b; F >= 0.
Mesh stiffness_box(bool yielding, bool symmetric) {
  Mesh m = standard_box();
  const double E = 1.0e5, nu = 0.3;
  const double lambda = E * nu / ((1.0 + nu) * (1.0 - 2.0 * nu)), mu = E / (2.0 * (1.0 + nu));
  const double a[6] = {1.0, -0.5, 0.3, 0.2, -0.1, 0.4};
  const double b[6] = {1.0, -0.4, 0.2, 0.25, -0.1, 0.35};
  const double* q = symmetric ? a : b;
  double ab = 0.0;
  for (int i = 0; i < 6; ++i) ab += a[i] * q[i];
  for (TH10G15::ELEMENT& el : m.elems)
    for (TH10G15::GAUSSPOINT& g : el.GP) {
      for (int i = 0; i < 36; ++i) g.De[i] = 0.0;
      for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) g.De[6 * i + j] = lambda;
        g.De[6 * i + i] = lambda + 2.0 * mu;
        g.De[6 * (i + 3) + i + 3] = mu;
      }
      for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j) g.Dep[6 * i + j] = g.De[6 * i + j] - E * a[i] * q[j] / ab;
      g.F = yielding ? 0.0 : -1.0;
    }
  return m;
}

// Fraction of Gauss points whose dstress is not De dstrain: the points that
// went through the stage integration.
double staged_fraction(const Mesh& m) {
  int n = 0;
  for (const TH10G15::ELEMENT& el : m.elems)
    for (const TH10G15::GAUSSPOINT& g : el.GP) {
      bool elastic = true;
      for (int i = 0; i < 6; ++i) {
        double s = 0.0;
        for (int j = 0; j < 6; ++j) s += g.De[6 * i + j] * g.dstrain[j];
        elastic = elastic && (s == g.dstress[i]);
      }
      n += elastic ? 0 : 1;
    }
  return n / (15.0 * m.nElements());
}

// Fraction of Gauss points that the exact return left elastic (F <= 0).
double elastic_fraction_after_return(const Mesh& m) {
  int n = 0;
  for (const TH10G15::ELEMENT& el : m.elems)
    for (const TH10G15::GAUSSPOINT& g : el.GP) n += (g.F > 0.0) ? 0 : 1;
  return n / (15.0 * m.nElements());
}

void BM_make_ke(benchmark::State& state, bool yielding, bool symmetric) {
  Mesh m = stiffness_box(yielding, symmetric);
  const int tangent = yielding ? 1 : 0;
  std::vector<double> ke(900);
  for (auto _ : state)
    for (TH10G15::ELEMENT& el : m.elems) {
      TH10G15::make_ke(&el, ke.data(), tangent);
      benchmark::DoNotOptimize(ke.data());
    }
  per_element(state, m.nElements());
  state.counters["yielding"] = yielding_fraction(m);
}

// One element over and over: the arithmetic alone, with the element in cache.
void BM_make_ke_hot(benchmark::State& state, bool yielding, bool symmetric) {
  Mesh m = stiffness_box(yielding, symmetric);
  const int tangent = yielding ? 1 : 0;
  std::vector<double> ke(900);
  for (auto _ : state) {
    TH10G15::make_ke(&m.elems[100], ke.data(), tangent);
    benchmark::DoNotOptimize(ke.data());
  }
}

// make_K on a 4 x 4 x 4 box (384 elements, 2,187 equations); with
// zeroing_only the same call with no element, which only clears K.
void BM_make_K(benchmark::State& state, bool zeroing_only) {
  Mesh m = box(4, 4, 4);
  const double stress[6] = {-100.0, -100.0, -100.0, 0.0, 0.0, 0.0};
  set_state(m, stress, 10.0, 30.0, 0, 0.0);
  const int n = 3 * m.nNodes();
  std::vector<double> K(static_cast<std::size_t>(n) * n);
  const int nE = zeroing_only ? 0 : m.nElements();
  for (auto _ : state) {
    TH10G15::make_K(m.elems.data(), nE, m.nNodes(), K.data(), 0);
    benchmark::DoNotOptimize(K.data());
  }
  per_element(state, m.nElements());
}

// The whole box, or with cached a single cell of 6 elements (288 kB) that
// stays in the cache: the arithmetic alone.
void BM_make_Fint(benchmark::State& state, bool cached) {
  Mesh m = cached ? box(1, 1, 1) : elastic_box();
  std::vector<double> F(3 * m.nNodes());
  for (auto _ : state) {
    TH10G15::make_Fint(m.elems.data(), m.nElements(), m.nNodes(), F.data());
    benchmark::DoNotOptimize(F.data());
  }
  per_element(state, m.nElements());
}

// The open increment is preset and dU is zero, so every iteration takes the
// same path at every point.
void BM_dU(benchmark::State& state, Mesh (*make)(), int overload) {
  Mesh m = make();
  std::vector<double> dU(3 * m.nNodes(), 0.0), Fp(3 * m.nNodes());
  const double yielding = yielding_fraction(m);
  for (auto _ : state) {
    if (overload == 1) TH10G15::dU_Eps_Sig_RK4(m.elems.data(), m.nElements(), dU.data(), m.nNodes());
    if (overload == 2)
      TH10G15::dU_Eps_Sig_RK4(m.elems.data(), m.nElements(), dU.data(), m.nNodes(), 2, 10.0, 0, 5.0);
    if (overload == 3)
      TH10G15::dU_Eps_Sig_RK4(m.elems.data(), m.nElements(), dU.data(), m.nNodes(), Fp.data());
    benchmark::ClobberMemory();
  }
  per_element(state, m.nElements());
  state.counters["F>=0_before"] = yielding;
  state.counters["F>=0_after"] = yielding_fraction(m);
  state.counters["staged"] = staged_fraction(m);
}

// The exact return with its tangent (Phi = 30, Psi = 5, no cut-off) on the
// same boxes, dU zero: every iteration returns the same trials.
void BM_dU_Return(benchmark::State& state, Mesh (*make)()) {
  Mesh m = make();
  std::vector<double> dU(3 * m.nNodes(), 0.0);
  for (auto _ : state) {
    TH10G15::dU_Eps_Sig_Return(m.elems.data(), m.nElements(), dU.data(), m.nNodes(), 30.0, 0, 5.0, HUGE_VAL);
    benchmark::ClobberMemory();
  }
  per_element(state, m.nElements());
  state.counters["returned"] = 1.0 - elastic_fraction_after_return(m);
}

void BM_update_Phi_F_D(benchmark::State& state, Mesh (*make)()) {
  Mesh m = make();
  for (auto _ : state) {
    TH10G15::update_Phi_F_D(m.elems.data(), m.nElements(), 10.0, 0, 5.0);
    benchmark::ClobberMemory();
  }
  per_element(state, m.nElements());
}

void BM_update_Strain_Stress(benchmark::State& state) {
  Mesh m = elastic_box();
  for (auto _ : state) {
    TH10G15::update_Strain_Stress(m.elems.data(), m.nElements());
    benchmark::ClobberMemory();
  }
  per_element(state, m.nElements());
}

Mesh yielding_nonassociated() {
  return yielding_box(0);
}

Mesh elastic_full() {
  return elastic_box(false);
}

// One cell of 6 elements (288 kB) that stays in the cache.
Mesh elastic_cached() {
  return elastic_box(true);
}
Mesh yielding_cached() {
  return yielding_box(0, true);
}

// Other programs share the machine: report the fastest of the repetitions
// too (run with --benchmark_repetitions=N).
void with_min(benchmark::internal::Benchmark* b) {
  b->ComputeStatistics("min",
                       [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
}

}  // namespace

BENCHMARK_CAPTURE(BM_make_ke, elastic, false, true)->Unit(benchmark::kMillisecond)->Apply(with_min);
BENCHMARK_CAPTURE(BM_make_ke, tangent_nonsymmetric, true, false)
    ->Unit(benchmark::kMillisecond)
    ->Apply(with_min);
BENCHMARK_CAPTURE(BM_make_ke, tangent_symmetric, true, true)->Unit(benchmark::kMillisecond)->Apply(with_min);
BENCHMARK_CAPTURE(BM_make_ke_hot, elastic, false, true)->Apply(with_min);
BENCHMARK_CAPTURE(BM_make_ke_hot, tangent_nonsymmetric, true, false)->Apply(with_min);
BENCHMARK_CAPTURE(BM_make_K, assemble, false)->Unit(benchmark::kMillisecond)->Apply(with_min);
BENCHMARK_CAPTURE(BM_make_K, zeroing_only, true)->Unit(benchmark::kMillisecond)->Apply(with_min);
BENCHMARK_CAPTURE(BM_make_Fint, box, false)->Unit(benchmark::kMillisecond)->Apply(with_min);
BENCHMARK_CAPTURE(BM_make_Fint, cached, true)->Apply(with_min);
BENCHMARK_CAPTURE(BM_dU, ov1_elastic, elastic_full, 1)->Unit(benchmark::kMillisecond)->Apply(with_min);
BENCHMARK_CAPTURE(BM_dU, ov1_yielding, yielding_nonassociated, 1)
    ->Unit(benchmark::kMillisecond)
    ->Apply(with_min);
BENCHMARK_CAPTURE(BM_dU, ov2_mode2_yielding, yielding_nonassociated, 2)
    ->Unit(benchmark::kMillisecond)
    ->Apply(with_min);
BENCHMARK_CAPTURE(BM_dU, ov3_yielding, yielding_nonassociated, 3)
    ->Unit(benchmark::kMillisecond)
    ->Apply(with_min);
BENCHMARK_CAPTURE(BM_dU, ov1_elastic_cached, elastic_cached, 1)->Apply(with_min);
BENCHMARK_CAPTURE(BM_dU, ov1_yielding_cached, yielding_cached, 1)->Apply(with_min);
BENCHMARK_CAPTURE(BM_dU_Return, elastic, elastic_full)->Unit(benchmark::kMillisecond)->Apply(with_min);
BENCHMARK_CAPTURE(BM_dU_Return, returning, yielding_nonassociated)
    ->Unit(benchmark::kMillisecond)
    ->Apply(with_min);
BENCHMARK_CAPTURE(BM_dU_Return, elastic_cached, elastic_cached)->Apply(with_min);
BENCHMARK_CAPTURE(BM_dU_Return, returning_cached, yielding_cached)->Apply(with_min);
BENCHMARK_CAPTURE(BM_update_Phi_F_D, yielding_cached, yielding_cached)->Apply(with_min);
BENCHMARK_CAPTURE(BM_update_Phi_F_D, elastic, elastic_full)->Unit(benchmark::kMillisecond)->Apply(with_min);
BENCHMARK_CAPTURE(BM_update_Phi_F_D, yielding, yielding_nonassociated)
    ->Unit(benchmark::kMillisecond)
    ->Apply(with_min);
BENCHMARK(BM_update_Strain_Stress)->Unit(benchmark::kMillisecond)->Apply(with_min);
