// th10run: what changes from one phase to the next, before its increments
// run: groups removed or built, materials changed, the strength switched off
// or on, the weight switched on, the K0 stresses, displacements reset; then
// the phase's constraints and the external forces it goes from and to.
#ifndef TH10RUN_PHASES_H
#define TH10RUN_PHASES_H

#include <vector>

#include "analysis/element_state.h"
#include "analysis/iteration.h"
#include "boundary.h"
#include "input/problem.h"

namespace th10run {

// What carries over from phase to phase besides the element state and the
// displacements.
struct PhaseCarry {
  bool gravity = false;         // the self-weight acts
  std::vector<double> applied;  // the external forces at the end of the last phase
};

// Sets up phase k (0-based) of the problem on the committed state:
// activity[k] says which groups are active. Returns the phase's boundary
// conditions, with the external forces going from the committed internal
// forces (on the free dofs; the forces applied so far on the others) to the
// phase's loads: its pressures and those of the phases before, and the
// weight of the active groups while gravity is on. Leaves the committed
// internal forces in eq.F and eq.Fc.
Boundary start_phase(const Problem& p, size_t k, const std::vector<std::vector<char>>& activity,
                     ElementState& state, Equilibrium& eq, PhaseCarry& carry);

}  // namespace th10run

#endif
