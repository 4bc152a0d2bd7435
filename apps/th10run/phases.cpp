// th10run: the changes that open a phase.
#include "phases.h"

#include <algorithm>

#include "materials.h"

namespace th10run {
namespace {

int material_index(const std::vector<MaterialInput>& materials, const std::string& name) {
  for (size_t k = 0; k < materials.size(); ++k)
    if (materials[k].name == name) return static_cast<int>(k);
  return -1;  // the problem file has been checked
}

}  // namespace

Boundary start_phase(const Problem& p, size_t k, const std::vector<std::vector<char>>& activity,
                     ElementState& state, Equilibrium& eq, PhaseCarry& carry) {
  const PhaseInput& ph = p.phases[k];
  Model& m = state.model();
  // Groups removed and built, and materials changed.
  for (size_t g = 0; g < m.groups.size(); ++g) state.set_active(g, activity[k][g] != 0);
  for (const MaterialChange& c : ph.change) {
    const ElementGroup& g = m.group(c.group, ph.where + ": phase " + ph.name);
    state.set_material(&g - m.groups.data(), material_index(state.materials(), c.material));
  }
  state.set_elastic(ph.elastic);
  // The weight: switched on by a K0 or gravity phase, or as the phase says.
  if (ph.kind == PhaseKind::K0 || ph.kind == PhaseKind::Gravity)
    carry.gravity = true;
  else if (ph.gravity >= 0)
    carry.gravity = ph.gravity == 1;
  if (ph.kind == PhaseKind::K0) {
    k0_stresses(m, state.materials(), state.group_material(), state.active());
    state.store_materials();
  }
  eq.last_step.clear();  // the loads take another path: no predictor
  if (ph.reset_displacements) {
    std::fill(eq.U.begin(), eq.U.end(), 0.0);
    std::fill(eq.Uc.begin(), eq.Uc.end(), 0.0);
  }

  Boundary b = build_boundary(m, p, k, state.active());
  if (carry.gravity) add_weight(m, state.materials(), state.group_material(), state.active(), b.Fref);
  if (carry.applied.empty()) carry.applied.assign(b.Fref.size(), 0.0);
  // From the committed state: on the free dofs the forces that hold it now
  // (this releases what removed elements carried, over the increments), on
  // the others the loads applied so far.
  state.internal_forces(eq.F);
  eq.Fc = eq.F;
  for (size_t i = 0; i < b.F0.size(); ++i) {
    b.F0[i] = b.con.eq[i] >= 0 ? eq.F[i] : carry.applied[i];
    carry.applied[i] = b.Fref[i];
    b.Fref[i] -= b.F0[i];
  }
  return b;
}

}  // namespace th10run
