// th10run: which matrix each iteration solves with.
#include "tangent.h"

#include <algorithm>
#include <cmath>

#include "element_geometry.h"
#include "timing.h"

namespace th10run {
namespace {

// What current_tangent keeps of a Gauss point: F, then the 36 entries of Dep.
constexpr int kSavedPerPoint = 1 + 36;

// True when the point's stress increment took the elastic path: dstress
// equals De dstrain to rounding.
bool elastic_path(const TH10G15::GAUSSPOINT& g) {
  double elastic[6], diff = 0.0, size = 0.0;
  for (int i = 0; i < 6; ++i) {
    elastic[i] = 0.0;
    for (int j = 0; j < 6; ++j) elastic[i] += g.De[6 * i + j] * g.dstrain[j];
    diff += std::fabs(g.dstress[i] - elastic[i]);
    size += std::fabs(elastic[i]);
  }
  return !(diff > 1e-10 * size);
}

}  // namespace

TangentPolicy::TangentPolicy(Stiffness stiffness, Integration integration)
    : stiffness_(stiffness),
      refresh_(stiffness == Stiffness::Newton ||
               (stiffness == Stiffness::Tangent && integration == Integration::Mobilised)) {}

void TangentPolicy::factorise(LinearSystem& system, ElementState& state, int tangent) {
  system.assemble(state.model().elems, tangent);
  system.factorize();
}

void TangentPolicy::start_analysis(LinearSystem& system, ElementState& state) {
  factorise(system, state, 0);
}

void TangentPolicy::start_increment(LinearSystem& system, ElementState& state) {
  if (stiffness_ != Stiffness::Elastic) factorise(system, state, 1);
}

void TangentPolicy::next_iteration(LinearSystem& system, ElementState& state) {
  if (!refresh_) return;
  if (stiffness_ == Stiffness::Newton)
    current_tangent(system, state);
  else
    factorise(system, state, 1);
}

// The tangent of the current trial state (Newton's method): every Gauss
// point whose stress increment took the plastic path gets the elasto-plastic
// matrix at its trial stress stress + dstress, for the assembly only. The
// library's element matrix takes Dep where F >= 0 and De where F < 0, so F
// and Dep are set for the assembly and put back afterwards: the committed
// state that the stress integration starts from is left as it was.
void TangentPolicy::current_tangent(LinearSystem& system, ElementState& state) {
  std::vector<TH10G15::ELEMENT>& elems = state.model().elems;
  const auto t0 = Clock::now();
  saved_.resize(elems.size() * tet10::kGaussPoints * kSavedPerPoint);
  double* keep = saved_.data();
  for (TH10G15::ELEMENT& el : elems)
    for (TH10G15::GAUSSPOINT& g : el.GP) {
      keep[0] = g.F;
      std::copy(g.Dep, g.Dep + 36, keep + 1);
      keep += kSavedPerPoint;
      if (elastic_path(g)) {
        g.F = -1.0;  // De
        continue;
      }
      double sigma[6], Dp[36];
      for (int i = 0; i < 6; ++i) sigma[i] = g.stress[i] + g.dstress[i];
      FEM::MC_SG_Dep(sigma, 6, g.Phi, g.Psi, g.c, g.De, Dp, g.Dep);
      g.F = 0.0;  // Dep
    }
  state.times().state += since(t0);
  system.assemble(elems, 1);
  keep = saved_.data();
  for (TH10G15::ELEMENT& el : elems)
    for (TH10G15::GAUSSPOINT& g : el.GP) {
      g.F = keep[0];
      std::copy(keep + 1, keep + kSavedPerPoint, g.Dep);
      keep += kSavedPerPoint;
    }
  system.factorize();
}

}  // namespace th10run
