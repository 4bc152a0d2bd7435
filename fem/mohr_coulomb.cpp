// Mohr-Coulomb yield function, mobilised friction angle and derivatives of the
// plastic potential, all written in the stress invariants sigma_m, ds_bar and
// theta_Lode (tension positive, theta_Lode = +pi/6 at sigma1 = sigma2).
#include <cmath>

#include "FEM.h"
#include "angles.h"
#include "material_internal.h"

namespace FiniteElementMethod {
namespace {

using detail::degrees;
using detail::kHalfPi;
using detail::radians;

// Invariants of a stress; a stress of other than 4 or 6 components has none
// and is evaluated with all three invariants zero.
struct Invariants {
  double sigma_m = 0.0;
  double ds_bar = 0.0;
  double theta_Lode = 0.0;
};

Invariants invariants_of(double* stress, int n) {
  Invariants inv;
  detail::SigInv(n, stress, &inv.sigma_m, &inv.ds_bar, &inv.theta_Lode);
  return inv;
}

// atan(-c / a), taken for a = 0 of either sign as its limit for a tending to 0
// from the compressive side: +pi/2 for c > 0, -pi/2 for c < 0.
double atan_minus_c_over_a(double a, double c) {
  if (a == 0.0) return (c > 0.0) ? kHalfPi : -kHalfPi;
  return std::atan(-c / a);
}

}  // namespace

namespace detail {

double MC_F(double Phi, double c, double sigma_m, double ds_bar, double theta_Lode) {
  const double phi = radians(Phi);
  const double sin_phi = std::sin(phi);
  const double cos_phi = std::cos(phi);
  return sin_phi * sigma_m +
         ds_bar * (std::cos(theta_Lode) / std::sqrt(3.0) - std::sin(theta_Lode) * sin_phi / 3.0) -
         c * cos_phi;
}

void MC_Qder(double Psi, double ds_bar, double theta_Lode, double* dq1, double* dq2, double* dq3) {
  const double psi = radians(Psi);
  const double sin_t = std::sin(theta_Lode);
  const double sin_psi = std::sin(psi);
  const double sqrt3 = std::sqrt(3.0);
  *dq1 = sin_psi;
  if (std::fabs(sin_t) > 0.49) {
    // Corner band: the circular cone through the corner s * pi/6.
    const double s = (sin_t < 0.0) ? -1.0 : 1.0;
    *dq2 = (sqrt3 * 0.5 - s * sin_psi * 0.5 / sqrt3) * sqrt3 * 0.5 / ds_bar;
    *dq3 = 0.0;
  } else {
    const double cos_t = std::cos(theta_Lode);
    const double cos_3t = std::cos(3.0 * theta_Lode);
    const double tan_3t = std::tan(3.0 * theta_Lode);
    const double tan_t = sin_t / cos_t;
    *dq2 = (sqrt3 * cos_t / ds_bar) * (1.0 + tan_t * tan_3t + sin_psi * (tan_3t - tan_t) / sqrt3) * 0.5;
    *dq3 = 1.5 * (sqrt3 * sin_t + sin_psi * cos_t) / (cos_3t * ds_bar * ds_bar);
  }
}

// Friction angle (degrees) at which the stress lies on the yield surface with
// cohesion c: F = a sin(phi) + b - c cos(phi) = 0 with a = (sigma1 + sigma3)/2,
// b = (sigma1 - sigma3)/2. The result is bounded to [Phi_min, Phi_max] only
// when Phi_max > Phi_min.
double MC_F_Phi(double c, double Phi_min, double Phi_max, double sigma_m, double ds_bar, double theta_Lode) {
  const bool bounded = Phi_max > Phi_min;
  const double a = sigma_m - ds_bar * std::sin(theta_Lode) / 3.0;
  const double b = ds_bar * std::cos(theta_Lode) / std::sqrt(3.0);
  const double a2_c2 = a * a + c * c;
  // No stress and no cohesion: nothing is mobilised.
  if (a2_c2 == 0.0) return bounded ? Phi_min : 0.0;
  double r = b / std::sqrt(a2_c2);
  if (r > 1.0) r = 1.0;
  if (r < -1.0) r = -1.0;
  const double phi = std::asin(r) - atan_minus_c_over_a(a, c);
  double Phi = degrees(phi);
  if (bounded) {
    if (Phi > Phi_max) Phi = Phi_max;
    if (Phi < Phi_min) Phi = Phi_min;
  }
  return Phi;
}

}  // namespace detail

double FEM::MC_SG_F(double* stress, int n, double Phi, double c) {
  const Invariants inv = invariants_of(stress, n);
  return detail::MC_F(Phi, c, inv.sigma_m, inv.ds_bar, inv.theta_Lode);
}

double FEM::MC_SG_F_Phi(double* stress, int n, double c, double Phi_min, double Phi_max) {
  const Invariants inv = invariants_of(stress, n);
  return detail::MC_F_Phi(c, Phi_min, Phi_max, inv.sigma_m, inv.ds_bar, inv.theta_Lode);
}

// dq = (dQ/dsigma_m, dQ/dJ2, dQ/dJ3). A stress of other than 4 or 6
// components gives (sin(psi), 0, 0).
void FEM::MC_SG_Qder(double* stress, int n, double Psi, double* dq) {
  if (n != 4 && n != 6) {
    dq[0] = std::sin(radians(Psi));
    dq[1] = 0.0;
    dq[2] = 0.0;
    return;
  }
  const Invariants inv = invariants_of(stress, n);
  detail::MC_Qder(Psi, inv.ds_bar, inv.theta_Lode, &dq[0], &dq[1], &dq[2]);
}

}  // namespace FiniteElementMethod
