// th10run: the tangent policy, which stiffness matrix the iterations solve
// with:
//   "elastic"  the elastic matrix, assembled and factorised once;
//   "tangent"  the library's tangent of the committed state, once per
//              increment (and again after every iteration with the
//              "mobilised" integration, which moves the committed state's
//              friction angle);
//   "newton"   the tangent of the current trial state, every iteration: with
//              the return, the consistent tangent it leaves in Dep; with
//              the staged schemes, the elasto-plastic matrix at each
//              yielding point's trial stress, formed here.
#ifndef TH10RUN_ANALYSIS_TANGENT_H
#define TH10RUN_ANALYSIS_TANGENT_H

#include <vector>

#include "element_state.h"
#include "system/linear_system.h"

namespace th10run {

class TangentPolicy {
 public:
  TangentPolicy(Stiffness stiffness, Integration integration);

  // The elastic matrix, before the first increment: the matrix of the
  // initial-stiffness method, and the check that the supports hold the body
  // (a singular matrix throws SolverError).
  void start_analysis(LinearSystem& system, ElementState& state);
  // At the start of an increment; predicted: the state has been moved by a
  // predictor (and its stresses integrated) before the first solution.
  void start_increment(LinearSystem& system, ElementState& state, bool predicted);
  // Between two iterations of an increment.
  void next_iteration(LinearSystem& system, ElementState& state);
  // Whether the matrix stays the same over the iterations of an increment
  // (what Broyden's updates need).
  bool fixed_within_increment() const { return !refresh_; }

 private:
  void factorise(LinearSystem& system, ElementState& state, int tangent);
  void current_tangent(LinearSystem& system, ElementState& state);
  void consistent_tangent(LinearSystem& system, ElementState& state);

  Stiffness stiffness_;
  bool consistent_;                  // the stress integration leaves a consistent tangent
  bool refresh_;                     // a new matrix after every iteration
  bool elastic_factorised_ = false;  // the system holds the factorised elastic matrix
  std::vector<double> saved_;        // F and Dep of every Gauss point during current_tangent
};

}  // namespace th10run

#endif
