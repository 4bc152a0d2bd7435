// Exact stress return of the Mohr-Coulomb material with a tension cut-off.
//
// With isotropic elasticity the return keeps the principal directions of the
// trial stress, so it is solved on the three principal stresses x (sorted,
// x_1 >= x_2 >= x_3) in closed form. The returned principal stresses are
//   sigma = x - sum_i dlambda_i D b_i,  dlambda_i >= 0,
// with D = lambda 1 1^T + 2 G I the elasticity of the principal stresses and
// b_i the flow directions of the active planes, and sigma admissible. Every
// boundary piece of the admissible set is flat, so there are three kinds of
// return: to a plane (one active plane), to a line where two planes meet
// (the point of the line that x reaches along the plane spanned by their two
// corrector directions D b_i, D b_j) and to a vertex. Which one applies
// follows from where x lies: the region of a piece is the set of trials that
// its return reaches with non-negative multipliers, and whose result lies on
// that piece (sorted and admissible). The pieces are tried from the planes
// to the vertices; the regions do not overlap, so the order decides only
// within the rounding tolerance at their common boundaries.
//
// Beyond the apex the trials left after the planes and edges return to the
// apex with a zero tangent. With psi < phi the potential carries less
// volumetric strain than the normal; at psi = 0 none, and part of these
// trials cannot be reached by any non-negative combination of the corrector
// directions at all: they go to the apex too, the usual choice (for psi > 0
// the apex's cone of correctors holds them all). With a cut-off below the
// apex the trials left after the other pieces return to its vertex
// sigma_1 = sigma_2 = sigma_3 = sigma_t: the cut-off is associated, and the
// cone of its correctors (the columns of D) takes in the hydrostatic
// direction.
#include "mohr_coulomb_return.h"

#include <algorithm>
#include <cmath>

#include "LA.h"
#include "material_internal.h"

namespace FiniteElementMethod {

using LinearAlgebra::LA;
namespace detail {
namespace {

// Tolerance of the region tests, relative to the stress scale of the point:
// a trial within it of a boundary between two regions may take either.
const double kRegionTolerance = 1e-12;

// Below this difference of two principal trial stresses, relative to the
// stress scale, the spin term (sigma_a - sigma_b)/(x_a - x_b) of the tangent
// is taken as its limit. The ratio itself carries a relative error of about
// eps / (difference); the limit is exact wherever the return treats the two
// stresses alike (every region that contains x_a = x_b) and differs only in
// slivers of the width of the difference next to a region boundary. The
// threshold sqrt(eps) balances the two.
const double kEqualPrincipal = 1.5e-8;

struct V3 {
  double x, y, z;
};

inline V3 operator+(V3 a, V3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline V3 operator-(V3 a, V3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline V3 operator*(double s, V3 a) {
  return {s * a.x, s * a.y, s * a.z};
}
inline double dot(V3 a, V3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline V3 cross(V3 a, V3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double norm(V3 a) {
  return std::sqrt(dot(a, a));
}

// ---------------------------------------------------------------------------
// Principal stresses

// b v for the symmetric b stored as x, y, z, xy, yz, zx.
V3 times(const double* b, V3 v) {
  return {b[0] * v.x + b[3] * v.y + b[5] * v.z, b[3] * v.x + b[1] * v.y + b[4] * v.z,
          b[5] * v.x + b[4] * v.y + b[2] * v.z};
}

// Unit null vector of b - mu I, of rank 2: the longest cross product of two
// of its rows.
V3 null_vector(const double* b, double mu) {
  const V3 r0 = {b[0] - mu, b[3], b[5]};
  const V3 r1 = {b[3], b[1] - mu, b[4]};
  const V3 r2 = {b[5], b[4], b[2] - mu};
  const V3 c[3] = {cross(r0, r1), cross(r0, r2), cross(r1, r2)};
  int best = 0;
  double longest = dot(c[0], c[0]);
  for (int i = 1; i < 3; ++i) {
    const double l = dot(c[i], c[i]);
    if (l > longest) {
      longest = l;
      best = i;
    }
  }
  return (1.0 / std::sqrt(longest)) * c[best];
}

// A vector normal to the unit vector v, of squared length at least 1/2.
V3 normal_to(V3 v) {
  if (std::fabs(v.x) > std::fabs(v.y)) return {-v.z, 0.0, v.x};
  return {0.0, v.z, -v.y};
}

// Eigenvalues lo <= hi of the symmetric [[e, f], [f, g]] and the unnormalised
// eigenvector (x, y) of hi (that of lo is (-y, x)), free of cancellation:
// with h = (g - e)/2 and r = sqrt(h^2 + f^2), it is (f, r + h) for h >= 0
// and (r - h, f) otherwise; (1, 0) when the two eigenvalues are equal.
struct Eigen2 {
  double lo, hi, x, y;
};
Eigen2 eigen2(double e, double f, double g) {
  const double h = 0.5 * (g - e), mid = 0.5 * (e + g);
  const double r = std::sqrt(h * h + f * f), q = r + std::fabs(h);
  if (!(q > 0.0)) return {mid, mid, 1.0, 0.0};
  if (h >= 0.0) return {mid - r, mid + r, f, q};
  return {mid - r, mid + r, q, f};
}

// The eigenvalue of the traceless symmetric b (largest entry of size 1)
// farthest from its other two: the largest where the third invariant is not
// negative, the smallest otherwise. Closed form: the eigenvalues are
// 2 p cos(acos(r)/3 + 2 pi j/3) with p^2 = tr(b^2)/6, r = det(b)/(2 p^3). At
// r = +-1, where acos loses half the digits, the farthest eigenvalue is the
// one at the extremum of its cosine, so it keeps them all.
double farthest_eigenvalue(const double* b) {
  const double p2 =
      (b[0] * b[0] + b[1] * b[1] + b[2] * b[2]) / 6.0 + (b[3] * b[3] + b[4] * b[4] + b[5] * b[5]) / 3.0;
  const double p = std::sqrt(p2);
  const double det = b[0] * b[1] * b[2] + 2.0 * b[3] * b[4] * b[5] - b[0] * b[4] * b[4] - b[1] * b[5] * b[5] -
                     b[2] * b[3] * b[3];
  const double r = std::min(1.0, std::max(-1.0, det / (2.0 * p2 * p)));
  const double angle = std::acos(r) * (1.0 / 3.0);
  const double two_pi_3 = 2.0943951023931957;
  return 2.0 * p * std::cos(r >= 0.0 ? angle : angle + two_pi_3);
}

void set_direction(PrincipalStresses& p, int a, double value, V3 n) {
  p.value[a] = value;
  p.dir[a][0] = n.x;
  p.dir[a][1] = n.y;
  p.dir[a][2] = n.z;
}

// ---------------------------------------------------------------------------
// Return in principal stresses

// The returns to the pieces of the boundary, for one trial.
struct Returner {
  V3 x;
  const ReturnModel& model;
  double tol;  // stress units
  PrincipalReturn& out;

  // D b: the principal stress change of the plastic strain b.
  V3 D(V3 b) const {
    const double v = model.lambda * (b.x + b.y + b.z);
    return {v + 2.0 * model.G * b.x, v + 2.0 * model.G * b.y, v + 2.0 * model.G * b.z};
  }

  // Sorted and within the admissible set, to the tolerance.
  bool admissible(V3 s) const {
    const double k = model.k;
    return s.x >= s.y - tol && s.y >= s.z - tol && k * s.x - s.z <= model.sigma_c + (k + 1.0) * tol &&
           s.x <= model.sigma_t + tol;
  }

  bool accept(ReturnRegion region, V3 s) {
    if (!admissible(s)) return false;
    out.region = region;
    out.sigma[0] = s.x;
    out.sigma[1] = s.y;
    out.sigma[2] = s.z;
    return true;
  }

  void set_tangent(double identity, V3 u, V3 v) {
    out.identity = identity;
    out.u[0] = u.x, out.u[1] = u.y, out.u[2] = u.z;
    out.v[0] = v.x, out.v[1] = v.y, out.v[2] = v.z;
  }

  // C = I - d a^T / (a . d) for the plane a . sigma = h with the corrector d.
  bool plane(ReturnRegion region, V3 a, double h, V3 d) {
    const double ad = dot(a, d);
    const double dlambda = (dot(a, x) - h) / ad;
    if (dlambda * norm(d) < -tol || !accept(region, x - dlambda * d)) return false;
    set_tangent(1.0, (-1.0 / ad) * d, a);
    return true;
  }

  // The line p + s r where two planes with the correctors di, dj meet: x
  // reaches it along di and dj, n = di x dj is normal to both, so
  // s = n . (x - p) / (n . r) and C = r n^T / (n . r). The multipliers of
  // x - sigma = alpha di + beta dj follow from the cross products with n.
  bool line(ReturnRegion region, V3 p, V3 r, V3 di, V3 dj) {
    const V3 n = cross(di, dj);
    const double nr = dot(n, r);
    const V3 s = p + (dot(n, x - p) / nr) * r;
    const V3 v = x - s;
    const double n2 = dot(n, n);
    const double alpha = dot(cross(v, dj), n) / n2;
    const double beta = dot(cross(di, v), n) / n2;
    if (alpha * norm(di) < -tol || beta * norm(dj) < -tol || !accept(region, s)) return false;
    set_tangent(0.0, (1.0 / nr) * r, n);
    return true;
  }

  // Whether v is a non-negative combination of u0, u1, u2 (to the
  // tolerance); false for (nearly) coplanar ones.
  bool in_cone(V3 v, V3 u0, V3 u1, V3 u2) const {
    const double det = dot(u0, cross(u1, u2));
    if (!(std::fabs(det) > 1e-12 * norm(u0) * norm(u1) * norm(u2))) return false;
    const double m0 = dot(v, cross(u1, u2)) / det;
    const double m1 = dot(u0, cross(v, u2)) / det;
    const double m2 = dot(u0, cross(u1, v)) / det;
    return m0 * norm(u0) >= -tol && m1 * norm(u1) >= -tol && m2 * norm(u2) >= -tol;
  }

  void vertex(ReturnRegion region, V3 p) {
    out.region = region;
    out.sigma[0] = p.x;
    out.sigma[1] = p.y;
    out.sigma[2] = p.z;
    set_tangent(0.0, {0.0, 0.0, 0.0}, {0.0, 0.0, 0.0});
  }
};

// Sorted principal trial stresses without a cut-off: the yield plane, its
// two edges, else the apex.
void return_without_cutoff(Returner& R, V3 a1, V3 d1, V3 d2, V3 d3) {
  const ReturnModel& m = R.model;
  if (R.plane(kYieldPlane, a1, m.sigma_c, d1)) return;
  if (R.line(kEdgeHigh, {0.0, 0.0, -m.sigma_c}, {1.0, 1.0, m.k}, d1, d2)) return;
  if (R.line(kEdgeLow, {m.sigma_c / m.k, 0.0, 0.0}, {1.0, m.k, m.k}, d1, d3)) return;
  const double apex = m.sigma_c / (m.k - 1.0);
  R.vertex(kApex, {apex, apex, apex});
}

// With the cut-off sigma_1 <= sigma_t below the apex: the two planes, the
// four edges, then the three vertices by their cones of correctors.
void return_with_cutoff(Returner& R, V3 a1, V3 d1, V3 d2, V3 d3) {
  const ReturnModel& m = R.model;
  const double st = m.sigma_t, s3 = m.k * st - m.sigma_c;
  const V3 t1 = R.D({1.0, 0.0, 0.0}), t2 = R.D({0.0, 1.0, 0.0});
  if (R.plane(kYieldPlane, a1, m.sigma_c, d1)) return;
  if (R.plane(kCutoffPlane, {1.0, 0.0, 0.0}, st, t1)) return;
  if (R.line(kEdgeHigh, {0.0, 0.0, -m.sigma_c}, {1.0, 1.0, m.k}, d1, d2)) return;
  if (R.line(kEdgeLow, {m.sigma_c / m.k, 0.0, 0.0}, {1.0, m.k, m.k}, d1, d3)) return;
  if (R.line(kEdgeCutoff, {st, 0.0, s3}, {0.0, 1.0, 0.0}, d1, t1)) return;
  if (R.line(kCutoffEdge, {st, st, 0.0}, {0.0, 0.0, 1.0}, t1, t2)) return;
  const V3 low = {st, s3, s3}, high = {st, st, s3};
  if (R.in_cone(R.x - low, d1, d3, t1)) return R.vertex(kCornerLow, low);
  const V3 v = R.x - high;
  if (R.in_cone(v, d1, d2, t1) || R.in_cone(v, d1, d2, t2) || R.in_cone(v, d1, t1, t2) ||
      R.in_cone(v, d2, t1, t2))
    return R.vertex(kCornerHigh, high);
  R.vertex(kCutoffCorner, {st, st, st});
}

// Stress scale of a return: the largest of the trial and returned principal
// stresses in size.
double stress_scale(const double* x, const double* sigma) {
  return std::max(std::max(std::fabs(x[0]), std::fabs(x[2])),
                  std::max(std::fabs(sigma[0]), std::fabs(sigma[2])));
}

// The spin ratio (sigma_a - sigma_b)/(x_a - x_b) less r.identity: for a
// plane -(c_a - c_b)/(x_a - x_b) with the plastic corrections c = x - sigma,
// free of cancellation. For nearly equal x_a, x_b its limit, the derivative
// of sigma_a - sigma_b along x_a - x_b, (C_aa + C_bb - C_ab - C_ba)/2 less
// the identity part: (u_a - u_b)(v_a - v_b)/2.
// scale: stress_scale(x, r.sigma).
double spin_less_identity(const double* x, const PrincipalReturn& r, double scale, int a, int b) {
  const double dx = x[a] - x[b];
  if (std::fabs(dx) > kEqualPrincipal * scale) {
    if (r.identity == 0.0) return (r.sigma[a] - r.sigma[b]) / dx;
    return -((x[a] - r.sigma[a]) - (x[b] - r.sigma[b])) / dx;
  }
  return 0.5 * (r.u[a] - r.u[b]) * (r.v[a] - r.v[b]);
}

// Column of the transformation from the principal axes to x, y, z, xy, yz,
// zx: the normal stress along n (n n^T), or the shear stress of the pair
// n, q (n q^T + q n^T).
void normal_column(const double* n, double* t) {
  t[0] = n[0] * n[0];
  t[1] = n[1] * n[1];
  t[2] = n[2] * n[2];
  t[3] = n[0] * n[1];
  t[4] = n[1] * n[2];
  t[5] = n[2] * n[0];
}

void shear_column(const double* n, const double* q, double* t) {
  t[0] = 2.0 * n[0] * q[0];
  t[1] = 2.0 * n[1] * q[1];
  t[2] = 2.0 * n[2] * q[2];
  t[3] = n[0] * q[1] + n[1] * q[0];
  t[4] = n[1] * q[2] + n[2] * q[1];
  t[5] = n[2] * q[0] + n[0] * q[2];
}

}  // namespace

void principal_stresses(const double* s, PrincipalStresses& p) {
  const double mean = (s[0] + s[1] + s[2]) * (1.0 / 3.0);
  double b[6] = {s[0] - mean, s[1] - mean, s[2] - mean, s[3], s[4], s[5]};
  double scale = 0.0;
  for (double v : b) scale = std::max(scale, std::fabs(v));
  if (!(scale > 0.0)) {
    for (int a = 0; a < 3; ++a)
      set_direction(p, a, mean, {a == 0 ? 1.0 : 0.0, a == 1 ? 1.0 : 0.0, a == 2 ? 1.0 : 0.0});
    return;
  }
  const double inv_scale = 1.0 / scale;
  for (double& v : b) v *= inv_scale;
  const double mu0 = farthest_eigenvalue(b);
  const V3 v = null_vector(b, mu0);
  // The other two in the plane normal to v: the eigenvectors of the 2 x 2
  // matrix of b in the orthogonal basis u, w = v x u of equal lengths.
  const V3 u = normal_to(v), w = cross(v, u);
  const double l2 = dot(u, u);
  const V3 bu = times(b, u);
  const Eigen2 m = eigen2(dot(u, bu), dot(w, bu), dot(w, times(b, w)));
  const double to_unit = 1.0 / std::sqrt((m.x * m.x + m.y * m.y) * l2), to_value = scale / l2;
  // The farthest eigenvalue is the largest when positive (at least sqrt(3) p
  // above the others), else the smallest: the order needs no comparison.
  const int first = (mu0 > 0.0) ? 0 : 2, hi = (mu0 > 0.0) ? 1 : 0;
  set_direction(p, first, mean + scale * mu0, v);
  set_direction(p, hi, mean + to_value * m.hi, (m.x * to_unit) * u + (m.y * to_unit) * w);
  set_direction(p, hi + 1, mean + to_value * m.lo, (m.x * to_unit) * w - (m.y * to_unit) * u);
}

FlowAngles flow_angles(double Phi, double Psi) {
  return {sin_of_degrees(Phi), cos_of_degrees(Phi), sin_of_degrees(Psi)};
}

ReturnModel return_model(const FlowAngles& a, double c, double sigma_t, double lambda, double G) {
  ReturnModel m;
  m.lambda = lambda;
  m.G = G;
  m.k = (1.0 + a.sin_phi) / (1.0 - a.sin_phi);
  m.m = (1.0 + a.sin_psi) / (1.0 - a.sin_psi);
  m.sigma_c = 2.0 * c * a.cos_phi / (1.0 - a.sin_phi);
  // On the surface sigma_1 is largest at the apex sigma_c / (k - 1): a
  // cut-off at or above it bounds nothing (HUGE_VAL * 0 is NaN: no cut-off).
  m.sigma_t = (sigma_t * (m.k - 1.0) < m.sigma_c) ? sigma_t : HUGE_VAL;
  return m;
}

double yield_value(const double* x, const FlowAngles& a, double c, double sigma_t) {
  const double F_MC = 0.5 * (x[0] - x[2]) + 0.5 * (x[0] + x[2]) * a.sin_phi - c * a.cos_phi;
  return std::max(F_MC, x[0] - sigma_t);
}

void principal_return(const double* x, const ReturnModel& model, PrincipalReturn& r) {
  const double scale =
      std::max(std::max(std::fabs(x[0]), std::fabs(x[2])),
               std::max(model.sigma_c, model.sigma_t < HUGE_VAL ? std::fabs(model.sigma_t) : 0.0));
  Returner R{{x[0], x[1], x[2]}, model, kRegionTolerance * scale, r};
  const double m = model.m;
  const V3 a1 = {model.k, 0.0, -1.0};
  const V3 d1 = R.D({m, 0.0, -1.0}), d2 = R.D({0.0, m, -1.0}), d3 = R.D({m, -1.0, 0.0});
  if (model.sigma_t < HUGE_VAL)
    return_with_cutoff(R, a1, d1, d2, d3);
  else
    return_without_cutoff(R, a1, d1, d2, d3);
}

// In the principal axes the tangent is C D for the normal stresses, with
// D = lambda 1 1^T + 2 G I, and G times the spin ratio for the shear stress of
// each pair of axes. Turned to x, y, z with the normal columns T and the
// shear columns t_ab, and with T D T^T = De - G sum t_ab t_ab^T (isotropy):
//   Dep = identity De + (T u)(T D v)^T + sum G (ratio_ab - identity) t_ab t_ab^T.
void consistent_tangent(const PrincipalStresses& trial, const double (&T)[3][6], const PrincipalReturn& r,
                        const double* De, double* Dep) {
  const double lambda = De[1], G = De[21];
  const double Dv_mean = lambda * (r.v[0] + r.v[1] + r.v[2]);
  double Tu[6] = {}, TDv[6] = {};
  for (int a = 0; a < 3; ++a) {
    const double Dv = Dv_mean + 2.0 * G * r.v[a];
    for (int i = 0; i < 6; ++i) {
      Tu[i] += r.u[a] * T[a][i];
      TDv[i] += Dv * T[a][i];
    }
  }
  // The shear columns t of the three pairs of axes and their factors
  // g = G (ratio - identity).
  const int pairs[3][2] = {{0, 1}, {1, 2}, {2, 0}};
  const double scale = stress_scale(trial.value, r.sigma);
  double g[3], t[3][6];
  for (int k = 0; k < 3; ++k) {
    g[k] = G * spin_less_identity(trial.value, r, scale, pairs[k][0], pairs[k][1]);
    shear_column(trial.dir[pairs[k][0]], trial.dir[pairs[k][1]], t[k]);
  }
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 6; ++j)
      Dep[6 * i + j] = r.identity * De[6 * i + j] + Tu[i] * TDv[j] + g[0] * t[0][i] * t[0][j] +
                       g[1] * t[1][i] * t[1][j] + g[2] * t[2][i] * t[2][j];
}

double MC_Return(const FlowAngles& a, double c, double sigma_t, const double* De, const double* stress,
                 const double* dstrain, double* dstress, double* Dep, double* Dp) {
  double trial[6];
  LA::MultiplyMV<6, 6>(De, dstrain, dstress);
  LA::AddVV(stress, dstress, 6, trial);
  PrincipalStresses p;
  principal_stresses(trial, p);
  const double F = yield_value(p.value, a, c, sigma_t);
  if (!(F > 0.0)) {
    elastic_only(6, De, Dp, Dep);
    return F;
  }
  const double lambda = De[1], G = De[21];
  PrincipalReturn r;
  principal_return(p.value, return_model(a, c, sigma_t, lambda, G), r);
  // The returned stress: the trial less the plastic corrections along its axes.
  double T[3][6];
  for (int k = 0; k < 3; ++k) {
    normal_column(p.dir[k], T[k]);
    const double correction = p.value[k] - r.sigma[k];
    for (int i = 0; i < 6; ++i) dstress[i] -= correction * T[k][i];
  }
  consistent_tangent(p, T, r, De, Dep);
  LA::SubstractVV(De, Dep, 36, Dp);
  return F;
}

}  // namespace detail
}  // namespace FiniteElementMethod
