// The 15-point rule, shape functions, Jacobians and B: exact integrals, exact volumes
// of straight and curved elements, exact strains of a quadratic displacement.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "test_support.h"

using namespace th10test;

namespace {

// Corners of a skewed tetrahedron, right-handed in the local sense:
// (node3 - node2, node0 - node2, node1 - node2).
const double kCorners[4][3] = {{0.2, 1.1, 0.1}, {0.1, 0.3, 0.9}, {0.0, 0.0, 0.0}, {1.3, 0.2, -0.1}};

double factorial(int n) {
  return n <= 1 ? 1.0 : n * factorial(n - 1);
}

// Volume of the tetrahedron: the triple product of its edges from corner 2, over 6.
double tet_volume(const double c[4][3]) {
  double a[3], b[3], d[3];  // corner 3, 0 and 1 less corner 2
  for (int i = 0; i < 3; ++i) a[i] = c[3][i] - c[2][i], b[i] = c[0][i] - c[2][i], d[i] = c[1][i] - c[2][i];
  return (a[0] * (b[1] * d[2] - b[2] * d[1]) + a[1] * (b[2] * d[0] - b[0] * d[2]) +
          a[2] * (b[0] * d[1] - b[1] * d[0])) /
         6;
}

// A displacement field: u(x) and its gradient G[i][j] = du_i/dx_j.
using Field = std::function<void(const double* x, double* u, double G[3][3])>;

// B times the nodal values of the field against the exact strain (engineering
// shears) at every Gauss point.
void expect_exact_strain(const TH10G15::ELEMENT& el, const Field& field) {
  double du[30], G[3][3], u[3];
  for (int k = 0; k < 10; ++k) field(&el.Coords[3 * k], &du[3 * k], G);
  for (const GP& p : el.GP) {
    double x[3] = {0, 0, 0}, eps[6];
    for (int d = 0; d < 3; ++d)
      for (int k = 0; k < 10; ++k) x[d] += p.N[k] * el.Coords[3 * k + d];
    field(x, u, G);
    const double exact[6] = {G[0][0],           G[1][1],           G[2][2],
                             G[0][1] + G[1][0], G[1][2] + G[2][1], G[2][0] + G[0][2]};
    dense_mv(p.B, 6, 30, du, eps);
    for (int r = 0; r < 6; ++r) EXPECT_NEAR(eps[r], exact[r], 1e-13) << "component " << r;
  }
}

}  // namespace

TEST(GaussPoints, RuleIntegratesEveryMonomialOfDegreeFiveExactly) {
  GP rule[15];
  TH10G15::CreateGaussPoints(rule);
  // Over the reference tetrahedron: int L1^a L2^b L3^c L4^d = a! b! c! d! / (a+b+c+d+3)!
  for (int a = 0; a <= 5; ++a)
    for (int b = 0; a + b <= 5; ++b)
      for (int c = 0; a + b + c <= 5; ++c)
        for (int d = 0; a + b + c + d <= 5; ++d) {
          double sum = 0.0;
          for (const GP& p : rule) {
            const double L4 = 1.0 - p.L[0] - p.L[1] - p.L[2];
            sum += p.w * std::pow(p.L[0], a) * std::pow(p.L[1], b) * std::pow(p.L[2], c) * std::pow(L4, d);
          }
          const double exact =
              factorial(a) * factorial(b) * factorial(c) * factorial(d) / factorial(a + b + c + d + 3);
          EXPECT_NEAR(sum, exact, 1e-16) << a << b << c << d;
        }
}

TEST(Geometry, JacobiansGiveTheExactVolumeOfStraightInvertedAndCurvedElements) {
  const double V = tet_volume(kCorners), a = 0.4;
  double flipped[4][3], vol = 0.0, xc = 0.0;
  for (const GP& p : straight_element(kCorners).GP) EXPECT_NEAR(p.Jac, 6.0 * V, 1e-14);  // constant
  std::memcpy(flipped, kCorners, sizeof flipped);
  std::swap(flipped[0], flipped[1]);  // inside out: a negative Jacobian
  for (const GP& p : straight_element(flipped).GP) EXPECT_NEAR(p.Jac, -6.0 * V, 1e-14);
  // The nodes mapped through (x (1 + a x), y, z): a quadratic element
  // reproduces the map exactly, so its volume is V (1 + 2 a x_centroid).
  TH10G15::ELEMENT el = straight_element(kCorners);
  for (int k = 0; k < 10; ++k) el.Coords[3 * k] *= 1.0 + a * el.Coords[3 * k];
  for (GP& p : el.GP) std::fill(&p.E, &p.spare7[3], 0.5);  // a state, which the new geometry clears
  TH10G15::make_GP_J_B(&el, 1);
  for (const GP& p : el.GP)  // but for the host's stress0 (and spare2, sig_m, ds_bar, Lode, F)
    EXPECT_TRUE(max_abs(&p.E, 8) + max_abs(p.stress, 12) + max_abs(p.strain, 12) == 0.0 &&
                p.stress0[5] == 0.5);
  for (int k = 0; k < 4; ++k) xc += kCorners[k][0] / 4.0;
  for (const GP& p : el.GP) vol += p.w * p.Jac;
  EXPECT_NEAR(vol, V * (1.0 + 2.0 * a * xc), 1e-15);
}

TEST(Geometry, BGivesTheExactStrainOfAQuadraticField) {
  // A general quadratic field with a rigid translation, which the 10-node
  // element represents exactly.
  expect_exact_strain(straight_element(kCorners), [](const double* x, double* u, double G[3][3]) {
    u[0] = 1.0 + x[0] * x[1] - 0.2 * x[1], u[1] = x[2] * x[2] - x[0] + 0.02 * x[1],
    u[2] = 0.5 * x[0] * x[0] + x[1] * x[2];
    const double g[3][3] = {{x[1], x[0] - 0.2, 0}, {-1, 0.02, 2 * x[2]}, {x[0], x[2], x[1]}};
    std::memcpy(G, g, sizeof g);
  });
}
