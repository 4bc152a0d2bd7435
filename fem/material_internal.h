// Internal (not exported) routines of the Mohr-Coulomb material model. The
// public FEM routines forward to these; the element routines and the tests
// may call them directly.
//
// Stress vectors are tension-positive with tensor shear components:
//  n = 6: x, y, z, xy, yz, zx;  n = 4: x, y, xy, z.
// Angles Phi and Psi are in degrees, the Lode angle theta_Lode in radians.
#ifndef TH10FEM_FEM_MATERIAL_INTERNAL_H
#define TH10FEM_FEM_MATERIAL_INTERNAL_H

namespace FiniteElementMethod {
namespace detail {

// Mean stress sigma_m, deviatoric invariant ds_bar = sqrt(3 J2) and Lode angle
// theta_Lode (sin 3 theta = -3 sqrt(3) J3 / (2 J2^1.5), from -pi/6 to +pi/6)
// of a stress of n = 4 or 6 components. theta_Lode is 0 when ds_bar < 1e-10.
// For any other n nothing is written.
void SigInv(int n, double* stress, double* sigma_m, double* ds_bar, double* theta_Lode);

// Mohr-Coulomb yield value
//   F = sin(phi) sigma_m + ds_bar (cos(theta)/sqrt(3) - sin(theta) sin(phi)/3) - c cos(phi).
double MC_F(double Phi, double c, double sigma_m, double ds_bar, double theta_Lode);

// Friction angle (degrees) at which a stress with these invariants lies on the
// yield surface with cohesion c, bounded to Phi_min .. Phi_max only when
// Phi_max > Phi_min (the routine behind FEM::MC_SG_F_Phi).
double MC_F_Phi(double c, double Phi_min, double Phi_max, double sigma_m, double ds_bar, double theta_Lode);

// Derivatives of the plastic potential Q (F with Psi for Phi, without the
// cohesion term) with respect to sigma_m, J2 and J3. Within the corner band
// |sin(theta)| > 0.49 the Lode angle is held at the corner: dq3 = 0.
void MC_Qder(double Psi, double ds_bar, double theta_Lode, double* dq1, double* dq2, double* dq3);

// Zone in which MC_Gradients formed the gradients.
enum GradientZone { kNoGradient = 0, kSmoothZone = 1, kCornerZone = 2 };

// Gradients dfds (yield function, angle Phi) and dqds (plastic potential,
// angle Psi) of a stress of n = 4 or 6 components, stored in the order of the
// stress. Returns kNoGradient, writing nothing, where ds_bar < 1e-10 or n is
// not 4 or 6. sin_theta (optional) receives sin of the Lode angle used.
GradientZone MC_Gradients(int n, double Phi, double Psi, const double* sig, double* dfds, double* dqds,
                          double* sin_theta = nullptr);

// Plastic matrix Dp = (De dqds)(dfds^T De) / (dfds^T De dqds) and Dep = De - Dp,
// n x n row-major. Where no gradient exists (ds_bar < 1e-10, n = 1, 2, 3 or 5)
// or the denominator is zero or not finite, or the result would not be finite,
// Dp = 0 and Dep = De. For n outside 1..6 nothing is written.
void MC_Dep(int n, double Phi, double Psi, double* De, double* sig, double* Dp, double* Dep);

// The elastic answer: Dp = 0, Dep = De over n x n entries.
inline void elastic_only(int n, const double* De, double* Dp, double* Dep) {
  for (int i = 0; i < n * n; ++i) {
    Dp[i] = 0.0;
    Dep[i] = De[i];
  }
}

// sin and cos of an angle in degrees, as the gradients take them of Phi and Psi.
double sin_of_degrees(double angle);
double cos_of_degrees(double angle);

// The products Dep v and (with Dp_v not null) Dp v of the matrices that
// MC_Dep forms for a stress of 6 components, without forming the matrices:
// Dp v = (De dqds)(dfds^T De v) / H. The angles come as sin_phi =
// sin_of_degrees(Phi), sin_psi = sin_of_degrees(Psi). Equal to the products of
// MC_Dep's matrices to rounding, with the same elastic fall-backs.
void MC_Dep_times(double sin_phi, double sin_psi, const double* De, const double* sig, const double* v,
                  double* Dep_v, double* Dp_v);

}  // namespace detail
}  // namespace FiniteElementMethod

#endif
