// th10run: the library's routines over the active element groups of the
// model, each group's block of elements called with its own material: the
// stress increments of a displacement change, the internal forces, the
// commit of an increment and the return to the committed state; and the
// groups' state between phases (active or not, material, strength).
#ifndef TH10RUN_ANALYSIS_ELEMENT_STATE_H
#define TH10RUN_ANALYSIS_ELEMENT_STATE_H

#include <utility>
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

// True when the point's open increment is elastic: dstress equals De dstrain
// to rounding.
bool elastic_increment(const TH10G15::GAUSSPOINT& g);

class ElementState {
 public:
  // group_material: the material of each group of the model.
  ElementState(Model& m, std::vector<MaterialInput> materials, std::vector<int> group_material,
               Integration integration);

  Model& model() { return m_; }
  const Model& model() const { return m_; }
  Integration integration() const { return integration_; }
  const std::vector<MaterialInput>& materials() const { return materials_; }
  const std::vector<int>& group_material() const { return group_material_; }
  const std::vector<char>& active() const { return active_; }  // per group
  // The blocks of active elements, as (first, count).
  std::vector<std::pair<int, int>> active_ranges() const;

  // Builds (on) or removes (off) a group. A group that is built joins
  // stress-free: no strain, no stress, no initial stress.
  void set_active(size_t g, bool on);
  // Gives a group another material from now on.
  void set_material(size_t g, int material);
  // Replaces the constants of a material (its strength reduced, say) in
  // every group it fills, the material state re-evaluated at the committed
  // stress.
  void set_material_constants(int material, const MaterialInput& constants);
  // Stores every group's constants and evaluates the material state at the
  // committed stress (update_Phi_F_D on every block).
  void store_materials();
  // elastic: no yielding (the cohesion out of reach) until switched back.
  void set_elastic(bool elastic);
  bool elastic() const { return elastic_; }
  // Takes up the groups' state that a checkpoint kept, the records' state
  // fields being restored already, and evaluates the material state of
  // every group at its committed stress.
  void resume(std::vector<char> active, std::vector<int> group_material, bool elastic,
              std::vector<char> yielded);

  // Adds the strain of the displacement change du (all dofs) to every Gauss
  // point of the active groups and recomputes its stress increment from the
  // committed state.
  void integrate(const std::vector<double>& du);
  // Internal forces of stress - stress0 + dstress of the active groups, all
  // dofs, summed over the ranks.
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
  // Per Gauss point (element-major): 1 where the last committed increment
  // yielded (the point's increment left the elastic range).
  const std::vector<char>& yielded() const { return yielded_; }
  ElementTimes& times() { return t_; }

 private:
  struct Args {  // the material's arguments to the library
    double phi;
    int assoc;
    double psi;
    double sigma_t;
  };
  Args args_of(size_t g) const;
  // update_Phi_F_D over group g, or over a block of it.
  void evaluate(size_t g);
  void evaluate(size_t g, TH10G15::ELEMENT* elems, int nE) const;
  // call(g, elems, nE, thread) on every thread's block of every active
  // group, or of group g.
  void store_group(size_t g);
  template <class Call>
  void each_active(Call call);
  template <class Call>
  void each_block(size_t g, Call call);
  // F = the sum over the active groups of what assemble(elems, nE, part),
  // a library routine that clears and fills a global vector, gives.
  template <class Assemble>
  void sum_blocks(std::vector<double>& F, Assemble assemble);

  Model& m_;
  std::vector<MaterialInput> materials_;
  std::vector<int> group_material_;
  std::vector<char> active_;
  Integration integration_;
  bool elastic_ = false;
  std::vector<double> Fp_;
  std::vector<std::vector<double>> parts_;  // one global vector per thread
  std::vector<char> yielded_;
  ElementTimes t_;
};

}  // namespace th10run

#endif
