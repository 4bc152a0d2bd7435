// The explicit three-stage stress integration of dU_Eps_Sig_RK4 and the
// material routines it calls. Not exported.
#ifndef TH10FEM_TH10G15_INTEGRATION_EXPLICIT_STAGES_H
#define TH10FEM_TH10G15_INTEGRATION_EXPLICIT_STAGES_H

#include "TH10G15.h"

namespace FiniteElementMethod {
namespace detail {

// What the eight-argument stress integration adds at its stage stresses.
struct StageUpdate {
  bool active = false;   // mode == 2: re-mobilise Phi, Psi and F
  double Phi_min = 0.0;  // lower bound of the mobilised friction angle, degrees
  int assoc = 0;         // 1: Psi = Phi; otherwise Psi = the Psi below
  double Psi = 0.0;      // dilatancy angle, degrees
};

// The material routines that the stress integration calls; the library passes
// the Mohr-Coulomb routines of FEM, tests may pass models of their own.
struct MaterialModel {
  double (*F)(double* stress, int n, double Phi, double c);
  double (*F_Phi)(double* stress, int n, double c, double Phi_min, double Phi_max);
  void (*Dep)(double* sig, int n, double Phi, double Psi, double c, double* De, double* Dp, double* Dep);
  // Optional: the products Dep v and Dp v (Dp_v may be null) at a stress,
  // without forming the matrices, the angles given by their sines
  // (detail::sin_of_degrees of Phi and Psi). When null
  // the integration forms the matrices with Dep and multiplies.
  void (*Dep_times)(double sin_phi, double sin_psi, const double* De, const double* sig, const double* v,
                    double* Dep_v, double* Dp_v);
};

// The Mohr-Coulomb model of FEM.
MaterialModel mohr_coulomb();

// The stress integration shared by the three dU_Eps_Sig_RK4 overloads: adds
// B * du to dstrain and recomputes dstress at every Gauss point, in three
// stages where a point yields. With Fint_p_glob not null, also clears its
// 3 nNodes entries and assembles into it the plastic-force vector.
void integrate_explicit(TH10G15::ELEMENT* elem, int nE, const double* dU, int nNodes,
                        const StageUpdate& stage, const MaterialModel& model, double* Fint_p_glob);

}  // namespace detail
}  // namespace FiniteElementMethod

#endif
