// th10run: the equilibrium iteration of one load increment.
#ifndef TH10RUN_ANALYSIS_ITERATION_H
#define TH10RUN_ANALYSIS_ITERATION_H

#include <string>
#include <vector>

#include "boundary.h"
#include "broyden.h"
#include "element_state.h"
#include "progress.h"
#include "system/linear_system.h"
#include "tangent.h"

namespace th10run {

// The host's global vectors (3 x nNodes, node-major) and the free-dof
// vectors of the iteration.
struct Equilibrium {
  Equilibrium(int nDofs, int nFree);
  std::vector<double> U;   // displacement of the trial state
  std::vector<double> Uc;  // committed displacement
  std::vector<double> F;   // internal forces of the trial state
  std::vector<double> Fc;  // internal forces of the committed state
  std::vector<double> du;  // displacement correction, all dofs
  std::vector<double> r;   // out-of-balance force, then correction, free dofs
  // The displacement change of the last committed increment and its load
  // step, for the predictor; empty at the start of a phase.
  std::vector<double> last_step;
  double last_dl = 0.0;
};

// The settings of the iteration.
struct IterationControl {
  int max_iterations = 30;  // before the increment is cut
  double tolerance = 1e-6;  // relative out-of-balance force
  bool broyden = false;     // Broyden's updates while the matrix stays fixed
  bool predictor = false;   // start each increment from the last one's displacement change
};

struct IterationOutcome {
  bool converged = false;
  int iterations = 0;
  double residual = 0.0;
  std::string why;              // why it did not converge
  std::vector<double> history;  // the residual of every iteration
};

// What the iteration works on.
struct IterationContext {
  Equilibrium& eq;
  ElementState& state;
  LinearSystem& system;
  TangentPolicy& tangent;
  Broyden& broyden;
  const Boundary& boundary;
  Progress& progress;
};

// Relative out-of-balance force at load factor lambda (external forces F0 +
// lambda Fref of the boundary): the free dofs against
// the larger of the external loads and the reactions (internal minus
// external force at the constrained dofs). Leaves the out-of-balance force
// of the free dofs in eq.r.
double relative_residual(double lambda, const Boundary& b, const LinearSystem& system, Equilibrium& eq);

// One increment from the committed state at lambda1 - dl to lambda1. On
// convergence the state is open, to be committed; otherwise `why` says what
// went wrong and the state is to be restored.
IterationOutcome iterate_increment(const IterationControl& ctl, double lambda1, double dl,
                                   const IterationContext& c);

}  // namespace th10run

#endif
