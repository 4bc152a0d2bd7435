// Stress invariants: mean stress, deviatoric invariant and Lode angle.
#include <cmath>

#include "FEM.h"
#include "material_internal.h"

namespace FiniteElementMethod {
namespace {

// Keeps asin defined where rounding pushes sin(3 theta) past +-1.
double clamp_unit(double t) {
  if (t >= 1.0) t = 1.0;
  if (t < -1.0) t = -1.0;
  return t;
}

// n = 4: s = (x, y, xy, z).
void invariants4(const double* s, double* sigma_m, double* ds_bar, double* theta_Lode) {
  *sigma_m = (s[0] + s[1] + s[3]) / 3.0;
  const double d01 = s[0] - s[1];
  const double d13 = s[1] - s[3];
  const double d30 = s[3] - s[0];
  const double q = std::sqrt(d01 * d01 + d13 * d13 + d30 * d30 + 6.0 * s[2] * s[2]) / std::sqrt(2.0);
  *ds_bar = q;
  if (q < 1e-10) {
    *theta_Lode = 0.0;
    return;
  }
  const double dx = (2.0 * s[0] - s[1] - s[3]) / 3.0;
  const double dy = (2.0 * s[1] - s[3] - s[0]) / 3.0;
  const double dz = (2.0 * s[3] - s[0] - s[1]) / 3.0;
  const double J3 = dx * dy * dz - dz * s[2] * s[2];
  const double t = -13.5 * J3 / (q * q * q);
  *theta_Lode = std::asin(clamp_unit(t)) / 3.0;
}

// n = 6: s = (x, y, z, xy, yz, zx).
void invariants6(const double* s, double* sigma_m, double* ds_bar, double* theta_Lode) {
  const double sm = (s[0] + s[1] + s[2]) / 3.0;
  *sigma_m = sm;
  const double d01 = s[0] - s[1];
  const double d12 = s[1] - s[2];
  const double d20 = s[2] - s[0];
  const double J2 = (d01 * d01 + d12 * d12 + d20 * d20) / 6.0 + s[3] * s[3] + s[4] * s[4] + s[5] * s[5];
  const double dx = s[0] - sm;
  const double dy = s[1] - sm;
  const double dz = s[2] - sm;
  const double J3 =
      dx * dy * dz - dx * s[4] * s[4] - dy * s[5] * s[5] - dz * s[3] * s[3] + 2.0 * s[3] * s[4] * s[5];
  const double r = std::sqrt(J2);
  const double q = std::sqrt(3.0) * r;
  *ds_bar = q;
  if (q < 1e-10) {
    *theta_Lode = 0.0;
    return;
  }
  const double t = -3.0 * std::sqrt(3.0) * J3 / (2.0 * r * r * r);
  *theta_Lode = std::asin(clamp_unit(t)) / 3.0;
}

}  // namespace

namespace detail {

void SigInv(int n, double* stress, double* sigma_m, double* ds_bar, double* theta_Lode) {
  if (n == 4) {
    invariants4(stress, sigma_m, ds_bar, theta_Lode);
  } else if (n == 6) {
    invariants6(stress, sigma_m, ds_bar, theta_Lode);
  }
}

}  // namespace detail

void FEM::SG_SigInv(double* stress, int n, double& sigma_m, double& ds_bar, double& theta_Lode) {
  detail::SigInv(n, stress, &sigma_m, &ds_bar, &theta_Lode);
}

// As SG_SigInv, but ds_bar is sqrt(J2) instead of sqrt(3 J2). The 1e-10 test
// on the Lode angle applies to the unscaled sqrt(3 J2).
void FEM::PZ_SigInv(double* stress, int n, double& sigma_m, double& ds_bar, double& theta_Lode) {
  if (n != 4 && n != 6) return;
  double ds_bar_sqrt3J2 = 0.0;
  detail::SigInv(n, stress, &sigma_m, &ds_bar_sqrt3J2, &theta_Lode);
  ds_bar = ds_bar_sqrt3J2 / std::sqrt(3.0);
}

}  // namespace FiniteElementMethod
