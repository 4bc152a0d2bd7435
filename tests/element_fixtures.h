// Helpers for the tests of the element routines: Gauss-point states set
// directly (no material routine involved), plain dense reference products,
// and comparisons.
#ifndef TH10FEM_TESTS_ELEMENT_FIXTURES_H
#define TH10FEM_TESTS_ELEMENT_FIXTURES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "TH10G15.h"
#include "test_support.h"

namespace th10test {

// Isotropic elastic matrix for engineering shear strains, written out here
// so that the element tests do not depend on the material routines.
inline void isotropic_De(double E, double nu, double* D) {
  const double lambda = E * nu / ((1.0 + nu) * (1.0 - 2.0 * nu));
  const double mu = E / (2.0 * (1.0 + nu));
  for (int i = 0; i < 36; ++i) D[i] = 0.0;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) D[6 * i + j] = lambda;
    D[6 * i + i] = lambda + 2.0 * mu;
    D[6 * (i + 3) + i + 3] = mu;
  }
}

// A non-symmetric 6 x 6 matrix of the size of an elastic one.
inline void random_matrix6(std::mt19937& rng, double scale, double* D) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (int i = 0; i < 36; ++i) D[i] = scale * u(rng);
}

// Every Gauss point elastic: De isotropic, Dep = Dp = 0, F = -1, no stress.
inline void set_elastic_state(TH10G15::ELEMENT* elem, int nE, double E, double nu) {
  for (int e = 0; e < nE; ++e)
    for (TH10G15::GAUSSPOINT& g : elem[e].GP) {
      g.E = E;
      g.nu = nu;
      isotropic_De(E, nu, g.De);
      for (int i = 0; i < 36; ++i) g.Dep[i] = g.Dp[i] = 0.0;
      g.F = -1.0;
      for (int i = 0; i < 6; ++i)
        g.stress0[i] = g.stress[i] = g.dstress[i] = g.strain[i] = g.dstrain[i] = 0.0;
    }
}

inline void set_elastic_state(Mesh& m, double E, double nu) {
  set_elastic_state(m.elems.data(), m.nElements(), E, nu);
}

// Element stiffness by the plain products: sum over the Gauss points of
// w Jac (B^T D) B with every zero of B multiplied.
inline void reference_ke(const TH10G15::ELEMENT& el, int tangent, double* ke) {
  for (int i = 0; i < 900; ++i) ke[i] = 0.0;
  for (const TH10G15::GAUSSPOINT& g : el.GP) {
    const double* D = (tangent < 1 || g.F < 0.0) ? g.De : g.Dep;
    double BTD[180];
    for (int r = 0; r < 30; ++r)
      for (int c = 0; c < 6; ++c) {
        double s = 0.0;
        for (int t = 0; t < 6; ++t) s += g.B[30 * t + r] * D[6 * t + c];
        BTD[6 * r + c] = s;
      }
    for (int r = 0; r < 30; ++r)
      for (int c = 0; c < 30; ++c) {
        double s = 0.0;
        for (int t = 0; t < 6; ++t) s += BTD[6 * r + t] * g.B[30 * t + c];
        ke[30 * r + c] += g.w * g.Jac * s;
      }
  }
}

// y (r) = A (r x k) x.
inline void dense_mv(const double* A, int r, int k, const double* x, double* y) {
  for (int i = 0; i < r; ++i) {
    double s = 0.0;
    for (int j = 0; j < k; ++j) s += A[k * i + j] * x[j];
    y[i] = s;
  }
}

inline double max_abs(const double* a, int n) {
  double m = 0.0;
  for (int i = 0; i < n; ++i) m = std::max(m, std::fabs(a[i]));
  return m;
}

inline double max_abs_diff(const double* a, const double* b, int n) {
  double m = 0.0;
  for (int i = 0; i < n; ++i) m = std::max(m, std::fabs(a[i] - b[i]));
  return m;
}

// Largest difference relative to the largest entry of b.
inline double rel_diff(const double* a, const double* b, int n) {
  const double scale = max_abs(b, n);
  return max_abs_diff(a, b, n) / (scale > 0.0 ? scale : 1.0);
}

// A Gauss point with the 31 fields the state routines may write masked out
// by the caller: compares the records byte by byte.
inline bool same_bytes(const TH10G15::GAUSSPOINT& a, const TH10G15::GAUSSPOINT& b) {
  return std::memcmp(&a, &b, sizeof(a)) == 0;
}

// An irregular straight-sided element (positive Jacobian).
inline TH10G15::ELEMENT irregular_element() {
  const double corners[4][3] = {{0.1, 1.2, 0.05}, {-0.2, 0.15, 0.9}, {0.0, 0.0, 0.0}, {1.3, -0.1, 0.2}};
  return straight_element(corners);
}

// Random global vector of n entries in [-scale, scale].
inline std::vector<double> random_vector(std::mt19937& rng, std::size_t n, double scale) {
  std::uniform_real_distribution<double> u(-scale, scale);
  std::vector<double> v(n);
  for (double& x : v) x = u(rng);
  return v;
}

}  // namespace th10test

#endif
