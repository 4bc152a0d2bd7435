// Elasto-plastic matrix of a perfectly plastic Mohr-Coulomb material with a
// non-associated flow rule: yield function with the friction angle phi,
// plastic potential of the same form with the dilatancy angle psi. Next to
// each corner of the surface (|sin(theta)| > 0.49) both gradients are those of
// the circular cone through the corner.
//
// Everything works on fixed-size local arrays: nothing is allocated and no
// linear-algebra routine is called.
#include <algorithm>
#include <cfloat>
#include <cmath>

#include "FEM.h"
#include "angles.h"
#include "material_internal.h"
#include "vector_kernel.h"

namespace FiniteElementMethod {
namespace {

using detail::GradientZone;

// Index in the 6-component layout (x, y, z, xy, yz, zx) of component k of
// the 4-component layout (x, y, xy, z).
const int kSixOfFour[4] = {0, 1, 3, 2};

// A stress of n = 4 components in the 6-component layout, with zero
// out-of-plane shears.
void to_six(const double* sig, double* s6) {
  s6[4] = s6[5] = 0.0;
  for (int k = 0; k < 4; ++k) s6[kSixOfFour[k]] = sig[k];
}

// A gradient in the 6-component layout stored in the 4-component layout.
void from_six(const double* g6, double* g) {
  for (int k = 0; k < 4; ++k) g[k] = g6[kSixOfFour[k]];
}

// Gradients of the yield function (sin_phi) and of the plastic potential
// (sin_psi), both of the form G_X = sigma_m sin(X) + r (cos(theta) - sin(theta) sin(X)/sqrt(3))
// with r = sqrt(J2), with respect to the stress s (6-component layout, tensor
// shears each stored once). Returns kNoGradient where ds_bar = sqrt(3) r < 1e-10.
GradientZone gradients6(const double* s, double sin_phi, double sin_psi, double* dfds, double* dqds,
                        double* sin_theta) {
  const double sqrt3 = std::sqrt(3.0);
  const double sm = (s[0] + s[1] + s[2]) / 3.0;
  const double sx = s[0] - sm;
  const double sy = s[1] - sm;
  const double sz = s[2] - sm;
  const double txy = s[3];
  const double tyz = s[4];
  const double tzx = s[5];
  const double d01 = s[0] - s[1];
  const double d12 = s[1] - s[2];
  const double d20 = s[2] - s[0];
  const double J2 = (d01 * d01 + d12 * d12 + d20 * d20) / 6.0 + txy * txy + tyz * tyz + tzx * tzx;
  const double r = std::sqrt(J2);
  if (sqrt3 * r < 1e-10) return detail::kNoGradient;

  const double J3 = sx * sy * sz - sx * tyz * tyz - sy * tzx * tzx - sz * txy * txy + 2.0 * txy * tyz * tzx;
  const double inv_r = 1.0 / r;
  const double inv_r3 = inv_r * inv_r * inv_r;
  const double k_t = 1.5 * sqrt3;  // t = 3 sqrt(3) J3 / (2 r^3)
  const double t_raw = k_t * J3 * inv_r3;
  double t = t_raw;
  if (t > 1.0) t = 1.0;
  if (t < -1.0) t = -1.0;
  const double theta = -std::asin(t) / 3.0;
  const double sin_t = std::sin(theta);
  const double cos_t = std::cos(theta);
  if (sin_theta) *sin_theta = sin_t;

  // dr/dsigma: s_i / (2r) for the normal components, tau / r for the shears.
  const double half_over_r = 0.5 * inv_r;
  const double dr[6] = {sx * half_over_r, sy * half_over_r, sz * half_over_r,
                        txy * inv_r,      tyz * inv_r,      tzx * inv_r};
  const double mf = sin_phi * (1.0 / 3.0);
  const double mq = sin_psi * (1.0 / 3.0);
  const double inv_sqrt3 = 1.0 / sqrt3;

  if (std::fabs(sin_t) > 0.49) {
    // Corner zone: cone factor k_X = (3 - s sin(X)) / (2 sqrt(3)), the value of
    // cos(theta) - sin(theta) sin(X)/sqrt(3) at theta = s * 30 degrees.
    const double corner = (sin_t < 0.0) ? -1.0 : 1.0;
    const double kf = (3.0 - corner * sin_phi) * (0.5 * inv_sqrt3);
    const double kq = (3.0 - corner * sin_psi) * (0.5 * inv_sqrt3);
    for (int i = 0; i < 3; ++i) {
      dfds[i] = mf + kf * dr[i];
      dqds[i] = mq + kq * dr[i];
    }
    for (int i = 3; i < 6; ++i) {
      dfds[i] = kf * dr[i];
      dqds[i] = kq * dr[i];
    }
    return detail::kCornerZone;
  }

  // Smooth zone: exact gradient, with dtheta/dsigma from t = 3 sqrt(3) J3 / (2 J2^1.5).
  // dJ3/dsigma, the normal rows over a common factor 1/3.
  const double sxsy = sx * sy;
  const double sysz = sy * sz;
  const double sxsz = sx * sz;
  const double txy2 = txy * txy;
  const double tyz2 = tyz * tyz;
  const double tzx2 = tzx * tzx;
  const double dJ3[6] = {(2.0 * sysz - sxsz - sxsy - 2.0 * tyz2 + tzx2 + txy2) * (1.0 / 3.0),
                         (2.0 * sxsz - sysz - sxsy + tyz2 - 2.0 * tzx2 + txy2) * (1.0 / 3.0),
                         (2.0 * sxsy - sysz - sxsz + tyz2 + tzx2 - 2.0 * txy2) * (1.0 / 3.0),
                         -2.0 * sz * txy + 2.0 * tyz * tzx,
                         -2.0 * sx * tyz + 2.0 * txy * tzx,
                         -2.0 * sy * tzx + 2.0 * txy * tyz};
  const double dJ2[6] = {sx, sy, sz, 2.0 * txy, 2.0 * tyz, 2.0 * tzx};
  // cos(3 theta) = sqrt(1 - 27 J3^2 / (4 J2^3)) from J3 and J2 themselves
  // (the unclamped t): at least about 0.0345 in this zone.
  const double C = std::sqrt(1.0 - t_raw * t_raw);
  // r w_i = r (dt/dsigma_i) / (3C) = -r dtheta/dsigma_i, where
  // dt/dsigma_i = k_t/r^3 dJ3_i - 1.5 t/r^2 dJ2_i.
  const double inv_3C = 1.0 / (3.0 * C);
  const double rw_J3 = k_t * inv_r * inv_r * inv_3C;
  const double rw_J2 = 1.5 * t_raw * inv_r * inv_3C;
  const double Af = cos_t - sin_t * sin_phi * inv_sqrt3;
  const double Bf = sin_t + cos_t * sin_phi * inv_sqrt3;
  const double Aq = cos_t - sin_t * sin_psi * inv_sqrt3;
  const double Bq = sin_t + cos_t * sin_psi * inv_sqrt3;
  for (int i = 0; i < 6; ++i) {
    const double rw = rw_J3 * dJ3[i] - rw_J2 * dJ2[i];
    dfds[i] = Af * dr[i] + Bf * rw;
    dqds[i] = Aq * dr[i] + Bq * rw;
  }
  for (int i = 0; i < 3; ++i) {
    dfds[i] += mf;
    dqds[i] += mq;
  }
  return detail::kSmoothZone;
}

// The vectors of the plastic matrix Dp = (De dqds)(dfds^T De) / H with
// H = dfds^T De dqds: ddqds = De dqds, dfdsd = De^T dfds and 1/H.
template <int N>
struct PlasticVectors {
  double ddqds[N];
  double dfdsd[N];
  double inv_H;
  // Whether every entry of Dep = De - Dp is known to be finite without
  // looking at it: rounding is monotone, so (sum |ddqds|)(sum |dfdsd|) |1/H|
  // bounds every |Dp| entry and sum |De| every |De| entry, and with both
  // within half the double range no entry of Dep can overflow. (A NaN or
  // infinity in De has already made H non-finite.) Sums of magnitudes, unlike
  // a maximum, carry a NaN along.
  bool bounded;
};

// Forms the vectors of Dp. Returns false where H is zero or not finite.
template <int N>
bool plastic_vectors(const double* De, const double* dfds, const double* dqds, PlasticVectors<N>& pv) {
  double De_sum = 0.0;
  for (int i = 0; i < N; ++i) {
    const double* row = De + i * N;
    double q = 0.0;
    double f = 0.0;
    for (int j = 0; j < N; ++j) {
      q += row[j] * dqds[j];
      f += row[j] * dfds[j];
    }
    pv.ddqds[i] = q;
    pv.dfdsd[i] = f;
  }
  for (int k = 0; k < N * N; ++k) De_sum += std::fabs(De[k]);
  double H = 0.0;
  for (int i = 0; i < N; ++i) H += pv.dfdsd[i] * dqds[i];
  if (H == 0.0 || !std::isfinite(H)) return false;
  pv.inv_H = 1.0 / H;
  double q_sum = 0.0;
  double f_sum = 0.0;
  for (int i = 0; i < N; ++i) {
    q_sum += std::fabs(pv.ddqds[i]);
    f_sum += std::fabs(pv.dfdsd[i]);
  }
  const double half_range = 0.5 * DBL_MAX;
  pv.bounded = (q_sum * f_sum) * std::fabs(pv.inv_H) <= half_range && De_sum <= half_range;
  return true;
}

// Dp = (ddqds[i] dfdsd[j]) / H and Dep = De - Dp, all N x N row-major.
// Returns false where H is zero or not finite or an entry of Dep is not
// finite; Dp and Dep are then to be reset by the caller.
template <int N>
bool form_plastic(const double* De, const double* dfds, const double* dqds, double* Dp, double* Dep) {
  PlasticVectors<N> pv;
  if (!plastic_vectors<N>(De, dfds, dqds, pv)) return false;
  // The division is taken once; the product is formed first so that Dp is
  // exactly symmetric when dqds = dfds. Row by row: the row of De is read
  // before any output of the row is written, so that the compiler may pair
  // the operations.
  for (int i = 0; i < N; ++i) {
    double De_row[N];
    double Dp_row[N];
    double Dep_row[N];
    for (int j = 0; j < N; ++j) De_row[j] = De[i * N + j];
    const double q = pv.ddqds[i];
    for (int j = 0; j < N; ++j) {
      Dp_row[j] = (q * pv.dfdsd[j]) * pv.inv_H;
      Dep_row[j] = De_row[j] - Dp_row[j];
    }
    for (int j = 0; j < N; ++j) Dp[i * N + j] = Dp_row[j];
    for (int j = 0; j < N; ++j) Dep[i * N + j] = Dep_row[j];
  }
  if (pv.bounded) return true;
  for (int k = 0; k < N * N; ++k)
    if (!std::isfinite(Dep[k])) return false;
  return true;
}

// out (6) = M v, M 6 x 6 row-major.
void times6(const double* M, const double* v, double* out) {
  for (int i = 0; i < 6; ++i) {
    double s = 0.0;
    for (int j = 0; j < 6; ++j) s += M[6 * i + j] * v[j];
    out[i] = s;
  }
}

// The products of MC_Dep_times; internal, since the loader's choice between
// the two builds is an indirect symbol that hidden visibility does not cover.
TH10FEM_VECTOR_KERNEL void dep_times(double sin_phi, double sin_psi, const double* De, const double* sig,
                                     const double* v, double* Dep_v, double* Dp_v) {
  double dfds[6];
  double dqds[6];
  PlasticVectors<6> pv;
  if (gradients6(sig, sin_phi, sin_psi, dfds, dqds, nullptr) == detail::kNoGradient ||
      !plastic_vectors<6>(De, dfds, dqds, pv)) {
    times6(De, v, Dep_v);  // Dep = De, Dp = 0
    if (Dp_v != nullptr)
      for (int i = 0; i < 6; ++i) Dp_v[i] = 0.0;
    return;
  }
  if (!pv.bounded) {
    // Entries near the overflow threshold: form the matrices and look at them.
    double Dp[36];
    double Dep[36];
    if (!form_plastic<6>(De, dfds, dqds, Dp, Dep)) detail::elastic_only(6, De, Dp, Dep);
    times6(Dep, v, Dep_v);
    if (Dp_v != nullptr) times6(Dp, v, Dp_v);
    return;
  }
  // Dp v = ddqds (dfdsd . v) / H; Dep v = De v - Dp v.
  double fv = 0.0;
  for (int j = 0; j < 6; ++j) fv += pv.dfdsd[j] * v[j];
  const double s = fv * pv.inv_H;
  double De_v[6];
  times6(De, v, De_v);
  for (int i = 0; i < 6; ++i) Dep_v[i] = De_v[i] - pv.ddqds[i] * s;
  if (Dp_v != nullptr)
    for (int i = 0; i < 6; ++i) Dp_v[i] = pv.ddqds[i] * s;
}

}  // namespace

namespace detail {

double sin_of_degrees(double angle) {
  return std::sin(radians(angle));
}

double cos_of_degrees(double angle) {
  return std::cos(radians(angle));
}

GradientZone MC_Gradients(int n, double Phi, double Psi, const double* sig, double* dfds, double* dqds,
                          double* sin_theta) {
  if (n != 4 && n != 6) return kNoGradient;
  const double sin_phi = sin_of_degrees(Phi);
  const double sin_psi = sin_of_degrees(Psi);
  if (n == 6) return gradients6(sig, sin_phi, sin_psi, dfds, dqds, sin_theta);
  double s6[6];
  double dfds6[6];
  double dqds6[6];
  to_six(sig, s6);
  const GradientZone zone = gradients6(s6, sin_phi, sin_psi, dfds6, dqds6, sin_theta);
  if (zone != kNoGradient) {
    from_six(dfds6, dfds);
    from_six(dqds6, dqds);
  }
  return zone;
}

void MC_Dep(int n, double Phi, double Psi, double* De, double* sig, double* Dp, double* Dep) {
  if (n < 1 || n > 6) return;
  double dfds[6];
  double dqds[6];
  bool plastic = false;
  if (MC_Gradients(n, Phi, Psi, sig, dfds, dqds) != kNoGradient) {
    plastic = (n == 6) ? form_plastic<6>(De, dfds, dqds, Dp, Dep) : form_plastic<4>(De, dfds, dqds, Dp, Dep);
  }
  if (!plastic) elastic_only(n, De, Dp, Dep);
}

void MC_Dep_times(double sin_phi, double sin_psi, const double* De, const double* sig, const double* v,
                  double* Dep_v, double* Dp_v) {
  dep_times(sin_phi, sin_psi, De, sig, v, Dep_v, Dp_v);
}

}  // namespace detail

// The cohesion c does not enter the tangent matrices.
void FEM::MC_SG_Dep(double* sig, int n, double Phi, double Psi, double /*c*/, double* De, double* Dp,
                    double* Dep) {
  detail::MC_Dep(n, Phi, Psi, De, sig, Dp, Dep);
}

}  // namespace FiniteElementMethod
