// Internal (not exported) routines of the exact stress return of the
// Mohr-Coulomb material with a tension cut-off: the implicit (backward-Euler)
// return of a trial stress onto the admissible set, in closed form in
// principal stresses, with its consistent (algorithmic) tangent.
//
// Principal stresses are tension-positive and sorted, sigma_1 >= sigma_2 >=
// sigma_3. In that order the admissible set is
//   k sigma_1 - sigma_3 <= sigma_c   (Mohr-Coulomb, k = (1 + sin phi)/(1 - sin phi),
//                                     sigma_c = 2 c cos phi/(1 - sin phi))
//   sigma_1 <= sigma_t               (tension cut-off)
// and the plastic strain of the Mohr-Coulomb planes follows the potential
// m sigma_1 - sigma_3, m = (1 + sin psi)/(1 - sin psi), that of the cut-off
// its own normal (associated). Stress vectors are 6 doubles x, y, z, xy, yz,
// zx with tensor shears; strains carry engineering shears.
#ifndef TH10FEM_FEM_MOHR_COULOMB_RETURN_H
#define TH10FEM_FEM_MOHR_COULOMB_RETURN_H

namespace FiniteElementMethod {
namespace detail {

// Principal stresses of a symmetric stress and their directions.
struct PrincipalStresses {
  double value[3];   // sigma_1 >= sigma_2 >= sigma_3
  double dir[3][3];  // dir[a]: unit principal direction of value[a]
};

// Eigen-decomposition of the stress s (6 components): the eigenvalues of the
// deviator in closed form, the direction of the one farthest from the other
// two as the null vector of the deviator minus it, the other two by one
// plane rotation in the plane normal to it. Orthonormal to rounding and
// accurate for equal or nearly equal principal stresses.
void principal_stresses(const double* s, PrincipalStresses& p);

// The angles of the surface (Phi) and of the flow (Psi), in degrees, as the
// return takes them.
struct FlowAngles {
  double sin_phi;
  double cos_phi;
  double sin_psi;
};
FlowAngles flow_angles(double Phi, double Psi);

// The admissible set and the elasticity of one material point.
struct ReturnModel {
  double lambda, G;  // Lame constants of the isotropic elastic matrix
  double k, m;       // slopes of the yield plane and of the potential
  double sigma_c;    // yield plane k sigma_1 - sigma_3 = sigma_c
  double sigma_t;    // the cut-off; HUGE_VAL where it does not cut the surface
};
ReturnModel return_model(const FlowAngles& a, double c, double sigma_t, double lambda, double G);

// Yield value of sorted principal stresses x: the larger of the Mohr-Coulomb
// value (sigma_1 - sigma_3)/2 + (sigma_1 + sigma_3)/2 sin phi - c cos phi and
// sigma_1 - sigma_t (sigma_t as given, HUGE_VAL for none).
double yield_value(const double* x, const FlowAngles& a, double c, double sigma_t);

// Where a trial stress returns to.
enum ReturnRegion {
  kElasticRegion,
  kYieldPlane,    // the Mohr-Coulomb plane of sigma_1 and sigma_3
  kCutoffPlane,   // sigma_1 = sigma_t
  kEdgeHigh,      // Mohr-Coulomb edge sigma_1 = sigma_2
  kEdgeLow,       // Mohr-Coulomb edge sigma_2 = sigma_3
  kEdgeCutoff,    // Mohr-Coulomb plane meets the cut-off: sigma_1 = sigma_t
  kCutoffEdge,    // sigma_1 = sigma_2 = sigma_t
  kCornerHigh,    // sigma_1 = sigma_2 = sigma_t on the Mohr-Coulomb surface
  kCornerLow,     // sigma_1 = sigma_t, sigma_2 = sigma_3 on the surface
  kCutoffCorner,  // sigma_1 = sigma_2 = sigma_3 = sigma_t
  kApex           // sigma_1 = sigma_2 = sigma_3 = c cot phi
};

// The return of sorted principal trial stresses x that lie outside the
// admissible set: the returned principal stresses sigma and their
// derivatives with respect to x, C = identity I + u v^T (a plane:
// identity = 1; a line: 0 and rank 1; a vertex: 0).
struct PrincipalReturn {
  ReturnRegion region;
  double sigma[3];
  double identity;
  double u[3], v[3];
};
void principal_return(const double* x, const ReturnModel& model, PrincipalReturn& r);

// The consistent tangent Dep = dsigma/deps (6 x 6, row-major) of a return
// from the trial whose principal stresses and directions are `trial`, with
// the isotropic elastic matrix De, including the turning of the principal
// directions. T: the normal columns (n n^T as x, y, z, xy, yz, zx) of the
// trial's three axes.
void consistent_tangent(const PrincipalStresses& trial, const double (&T)[3][6], const PrincipalReturn& r,
                        const double* De, double* Dep);

// The return at one material point: the trial stress + De dstrain (De
// isotropic, 6 x 6), its return and the consistent tangent. Writes dstress,
// Dep and Dp = De - Dep (an admissible trial: dstress = De dstrain, Dep = De,
// Dp = 0) and returns the trial's yield value, > 0 exactly when it returned.
double MC_Return(const FlowAngles& a, double c, double sigma_t, const double* De, const double* stress,
                 const double* dstrain, double* dstress, double* Dep, double* Dp);

}  // namespace detail
}  // namespace FiniteElementMethod

#endif
