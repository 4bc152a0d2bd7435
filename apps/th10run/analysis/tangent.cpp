// th10run: which matrix each iteration solves with.
#include "tangent.h"

#include <algorithm>
#include <cmath>

#include "element_geometry.h"
#include "threads.h"
#include "timing.h"

namespace th10run {
namespace {

// The share of the elastic matrix added to a consistent tangent that is
// singular.
constexpr double kEdgeRegularisation = 1e-8;

// What current_tangent keeps of a Gauss point: F, then the 36 entries of Dep.
constexpr int kSavedPerPoint = 1 + 36;

}  // namespace

TangentPolicy::TangentPolicy(Stiffness stiffness, Integration integration)
    : stiffness_(stiffness),
      consistent_(integration == Integration::Return),
      refresh_(stiffness == Stiffness::Newton ||
               (stiffness == Stiffness::Tangent && integration == Integration::Mobilised)) {}

void TangentPolicy::factorise(LinearSystem& system, ElementState& state, int tangent) {
  elastic_factorised_ = false;  // until a factorisation of the elastic matrix succeeds
  system.assemble(state.model().elems, tangent);
  system.factorize();
  elastic_factorised_ = tangent < 1;
}

void TangentPolicy::start_analysis(LinearSystem& system, ElementState& state) {
  factorise(system, state, 0);
}

void TangentPolicy::start_increment(LinearSystem& system, ElementState& state, bool predicted) {
  system.set_regularisation(0.0);
  if (stiffness_ == Stiffness::Elastic) return;
  if (consistent_ && stiffness_ == Stiffness::Newton) {
    // After a predictor the return has left its tangent at the predicted
    // state. Without one, the committed state's tangent would depend on
    // which points rounding leaves on which side of the surface: the
    // elastic matrix makes a sound first step instead.
    // The elastic matrix does not change within a phase: when it is the one
    // factorised last (the phase's first increment), it is used again.
    if (predicted)
      consistent_tangent(system, state);
    else if (!elastic_factorised_)
      factorise(system, state, 0);
    return;
  }
  factorise(system, state, 1);
}

// The return's consistent tangent. Where the body as a whole has no unique
// deformation (a homogeneous body whose stress lies on an edge of the
// surface: the split of the plastic flow between the two planes is free),
// it is singular; then a small share of the elastic matrix is added for the
// rest of the increment, which fixes the free split without changing the
// converged state.
void TangentPolicy::consistent_tangent(LinearSystem& system, ElementState& state) {
  try {
    factorise(system, state, 1);
  } catch (const SolverError&) {
    system.set_regularisation(kEdgeRegularisation);
    factorise(system, state, 1);
  }
}

void TangentPolicy::next_iteration(LinearSystem& system, ElementState& state) {
  if (!refresh_) return;
  // The return leaves its consistent tangent in Dep (F >= 0 where it
  // returned): Newton's matrix is the library's tangent itself.
  if (stiffness_ == Stiffness::Newton && !consistent_)
    current_tangent(system, state);
  else if (consistent_)
    consistent_tangent(system, state);
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
  // call(point, kept) for every Gauss point of the active elements, which
  // are all the assembly reads, on every thread; kept: the point's place in saved_.
  const auto each_active_point = [&](auto call) {
    for (const auto& [first, count] : state.active_ranges())
      for_blocks(count, [&](int from, int n, int) {
        for (int e = first + from; e < first + from + n; ++e) {
          double* keep = saved_.data() + static_cast<size_t>(e) * tet10::kGaussPoints * kSavedPerPoint;
          for (TH10G15::GAUSSPOINT& g : elems[e].GP) {
            call(g, keep);
            keep += kSavedPerPoint;
          }
        }
      });
  };
  each_active_point([](TH10G15::GAUSSPOINT& g, double* keep) {
    keep[0] = g.F;
    std::copy(g.Dep, g.Dep + 36, keep + 1);
    if (elastic_increment(g)) {
      g.F = -1.0;  // De
      return;
    }
    double sigma[6], Dp[36];
    for (int i = 0; i < 6; ++i) sigma[i] = g.stress[i] + g.dstress[i];
    FEM::MC_SG_Dep(sigma, 6, g.Phi, g.Psi, g.c, g.De, Dp, g.Dep);
    g.F = 0.0;  // Dep
  });
  state.times().state += since(t0);
  elastic_factorised_ = false;
  system.assemble(elems, 1);
  each_active_point([](TH10G15::GAUSSPOINT& g, const double* keep) {
    g.F = keep[0];
    std::copy(keep + 1, keep + kSavedPerPoint, g.Dep);
  });
  system.factorize();
}

}  // namespace th10run
