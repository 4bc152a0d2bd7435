// Jacobians and strain-displacement matrices: exact volumes of straight and
// curved elements, and exact strains of linear and quadratic displacements.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "test_support.h"

using namespace th10test;

namespace {

// Corners of a skewed tetrahedron, right-handed in the local sense:
// (node3 - node2, node0 - node2, node1 - node2).
const double kCorners[4][3] = {{0.2, 1.1, 0.1}, {0.1, 0.3, 0.9}, {0.0, 0.0, 0.0}, {1.3, 0.2, -0.1}};

double tet_volume(const double c[4][3]) {
  double a[3], b[3], d[3];
  for (int i = 0; i < 3; ++i) {
    a[i] = c[3][i] - c[2][i];
    b[i] = c[0][i] - c[2][i];
    d[i] = c[1][i] - c[2][i];
  }
  return (a[0] * (b[1] * d[2] - b[2] * d[1]) - a[1] * (b[0] * d[2] - b[2] * d[0]) +
          a[2] * (b[0] * d[1] - b[1] * d[0])) /
         6.0;
}

// A displacement field: u(x) and its gradient G[i][j] = du_i/dx_j.
using Field = std::function<void(const double* x, double* u, double G[3][3])>;

// B times the nodal values of the field against the exact strain (engineering
// shears, order x, y, z, xy, yz, zx) at every Gauss point.
void expect_exact_strain(const TH10G15::ELEMENT& el, const Field& field, double tol) {
  double du[30], G[3][3];
  for (int k = 0; k < 10; ++k) field(&el.Coords[3 * k], &du[3 * k], G);
  for (const auto& p : el.GP) {
    double x[3] = {0, 0, 0}, u[3];
    for (int d = 0; d < 3; ++d)
      for (int k = 0; k < 10; ++k) x[d] += p.N[k] * el.Coords[3 * k + d];
    field(x, u, G);
    const double exact[6] = {G[0][0],           G[1][1],           G[2][2],
                             G[0][1] + G[1][0], G[1][2] + G[2][1], G[2][0] + G[0][2]};
    double eps[6];
    for (int r = 0; r < 6; ++r) {
      eps[r] = 0.0;
      for (int c = 0; c < 30; ++c) eps[r] += p.B[30 * r + c] * du[c];
      EXPECT_NEAR(eps[r], exact[r], tol) << "component " << r;
    }
  }
}

}  // namespace

TEST(Geometry, StraightElementHasConstantJacobianAndExactVolume) {
  const TH10G15::ELEMENT el = straight_element(kCorners);
  const double V = tet_volume(kCorners);
  ASSERT_GT(V, 0.0);
  double vol = 0.0;
  for (const auto& p : el.GP) {
    EXPECT_NEAR(p.Jac, 6.0 * V, 1e-14);
    vol += p.w * p.Jac;
  }
  EXPECT_NEAR(vol, V, 1e-15);

  // Swapping two corners turns the element inside out: negative Jacobian.
  double flipped[4][3];
  std::memcpy(flipped, kCorners, sizeof flipped);
  std::swap(flipped[0], flipped[1]);
  const TH10G15::ELEMENT inverted = straight_element(flipped);
  for (const auto& p : inverted.GP) EXPECT_NEAR(p.Jac, -6.0 * V, 1e-14);
}

TEST(Geometry, CurvedElementHasTheVolumeOfItsQuadraticMap) {
  // Map a straight element's nodes through phi(x, y, z) = (x (1 + a x), y, z).
  // A quadratic element reproduces the quadratic map exactly, so its volume
  // is int det(grad phi) = V + 2a * V * x_centroid.
  const double a = 0.4;
  TH10G15::ELEMENT el = straight_element(kCorners);
  for (int k = 0; k < 10; ++k) el.Coords[3 * k] *= 1.0 + a * el.Coords[3 * k];
  TH10G15::make_GP_J_B(&el, 1);
  const double V = tet_volume(kCorners);
  double xc = 0.0;
  for (int k = 0; k < 4; ++k) xc += kCorners[k][0] / 4.0;
  double vol = 0.0;
  for (const auto& p : el.GP) vol += p.w * p.Jac;
  EXPECT_NEAR(vol, V * (1.0 + 2.0 * a * xc), 1e-15);
}

TEST(Geometry, BGivesTheExactStrainOfLinearAndQuadraticFields) {
  const TH10G15::ELEMENT el = straight_element(kCorners);
  // A general linear field with a rigid translation, then a general one.
  const double A[3][3] = {{0.1, -0.2, 0.05}, {0.3, 0.02, -0.1}, {-0.07, 0.4, 0.2}};
  expect_exact_strain(
      el,
      [&](const double* x, double* u, double G[3][3]) {
        for (int i = 0; i < 3; ++i) {
          u[i] = 1.0 - 0.5 * i;
          for (int j = 0; j < 3; ++j) u[i] += A[i][j] * x[j], G[i][j] = A[i][j];
        }
      },
      1e-14);
  // A quadratic field, which the 10-node element represents exactly.
  expect_exact_strain(
      el,
      [](const double* x, double* u, double G[3][3]) {
        u[0] = x[0] * x[1];
        u[1] = x[2] * x[2] - x[0];
        u[2] = 0.5 * x[0] * x[0] + x[1] * x[2];
        const double g[3][3] = {{x[1], x[0], 0}, {-1, 0, 2 * x[2]}, {x[0], x[2], x[1]}};
        std::memcpy(G, g, sizeof g);
      },
      1e-13);
}

TEST(Geometry, RebuildingTheGeometryErasesTheMaterialState) {
  TH10G15::ELEMENT el = straight_element(kCorners);
  for (auto& p : el.GP) {
    p.E = 100, p.nu = 0.3, p.c = 5, p.Phi = 30;
    p.stress[0] = -10, p.strain[1] = 0.01, p.dstress[2] = 1;
    p.stress0[0] = -7, p.F = -1;
  }
  TH10G15::make_GP_J_B(&el, 1);
  for (const auto& p : el.GP) {
    EXPECT_TRUE(p.E == 0 && p.nu == 0 && p.c == 0 && p.Phi == 0);
    EXPECT_TRUE(p.stress[0] == 0 && p.strain[1] == 0 && p.dstress[2] == 0);
    EXPECT_TRUE(p.stress0[0] == -7 && p.F == -1);  // the host's initial stress survives
    EXPECT_GT(p.Jac, 0.0);
  }
}

TEST(Geometry, StructuredBoxHasPositiveJacobiansAndItsVolume) {
  Mesh m = box(2, 3, 2, 2.0, 1.5, 0.5);
  double vol = 0.0;
  for (const auto& el : m.elems)
    for (const auto& p : el.GP) {
      EXPECT_GT(p.Jac, 0.0);
      vol += p.w * p.Jac;
    }
  EXPECT_NEAR(vol, 2.0 * 1.5 * 0.5, 1e-13);
}
