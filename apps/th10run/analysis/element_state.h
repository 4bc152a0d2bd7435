// th10run: the library's routines over the elements of the model, as the
// analysis calls them: the stress increments of a displacement change, the
// internal forces, the commit of an increment and the return to the
// committed state.
#ifndef TH10RUN_ANALYSIS_ELEMENT_STATE_H
#define TH10RUN_ANALYSIS_ELEMENT_STATE_H

#include <vector>

#include "input/problem.h"
#include "model.h"

namespace th10run {

// Seconds spent in the library's element routines.
struct ElementTimes {
  double stresses = 0.0;  // stress integration
  double forces = 0.0;    // make_Fint
  double state = 0.0;     // commit, material state, tangents of the current state
};

class ElementState {
 public:
  // The material's arguments to the library (lower bound of the friction
  // angle, flow rule) and the stress integration the problem names.
  ElementState(Model& m, const MaterialInput& material, Integration integration);

  Model& model() { return m_; }
  Integration integration() const { return integration_; }

  // Adds the strain of the displacement change du (all dofs) to every Gauss
  // point and recomputes its stress increment from the committed state.
  void integrate(const std::vector<double>& du);
  // Internal forces of stress - stress0 + dstress, all dofs.
  void internal_forces(std::vector<double>& F);
  // Adds the increments to the committed strain and stress, then sets the
  // friction angle, yield value and matrices at the new stress.
  void commit();
  // Back to the committed state: the open increments cleared and the
  // material state re-evaluated at the committed stress (the stress
  // integration may have moved the friction angle and the yield value).
  void restore();

  // Plastic forces of the last integration ("plastic_forces"), else empty.
  const std::vector<double>& plastic_forces() const { return Fp_; }
  ElementTimes& times() { return t_; }

 private:
  Model& m_;
  double phi_;  // lower bound of the friction angle, degrees
  int assoc_;   // 1: the dilatancy angle follows the friction angle
  double psi_;  // dilatancy angle, degrees, when not associated
  Integration integration_;
  std::vector<double> Fp_;
  ElementTimes t_;
};

}  // namespace th10run

#endif
