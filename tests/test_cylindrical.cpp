// Cylindrical components of vectors, stresses in turned axes, principal
// stresses, and the node update with the turn of a node about the z axis.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iterator>

#include "angles.h"
#include "test_support.h"

using namespace th10test;
using FiniteElementMethod::detail::kHalfPi;
using FiniteElementMethod::detail::kPi;

namespace {

using Vec3 = std::array<double, 3>;
using Vec6 = std::array<double, 6>;

template <std::size_t N>
void expect_near(const std::array<double, N>& got, const std::array<double, N>& want, double tol) {
  for (std::size_t i = 0; i < N; ++i) EXPECT_NEAR(got[i], want[i], tol) << "component " << i;
}

Vec3 cyl3(double x, double y, Vec3 v) {
  Vec3 out{};
  FEM::Cart2Cyl3(x, y, v.data(), out.data());
  return out;
}

Vec6 cyl6(double x, double y, Vec6 s) {
  Vec6 out{};
  FEM::Cart2Cyl6(x, y, s.data(), out.data());
  return out;
}

// theta of a node at (x, y) with cyl = 1 and displacement (ux, uy, 0).
double theta_of(double x, double y, double ux, double uy) {
  FEM::NODE n{};
  n.x = x, n.y = y, n.cyl = 1.0, n.DoF[0] = 0, n.DoF[1] = 1, n.DoF[2] = 2;
  double U[3] = {ux, uy, 0.0}, F[3] = {};
  FEM::Update_Nodes(&n, 1, U, F);
  return n.theta;
}

}  // namespace

TEST(Cart2Cyl, WorkedPoints) {
  // Vectors turn by +theta, tensors by -theta; on the z axis and the positive
  // x axis the input is kept exactly.
  struct Case {
    double x, y;
    Vec3 v, v_cyl;
    Vec6 s, s_cyl;
  };
  const Vec3 v = {1, 2, 3};
  const Vec6 s = {1, 2, 3, 4, 5, 6};
  const Case cases[] = {
      {0.0, 0.0, v, v, s, s},
      {-0.0, -2.0, v, {-2, 1, 3}, s, {2, 1, 3, -4, -6, 5}},
      {0.0, 1.0, v, {2, -1, 3}, s, {2, 1, 3, -4, 6, -5}},
      {1.0, 1.0, {1, 1, 0}, {std::sqrt(2.0), 0, 0}, {0, 0, 0, 1, 0, 0}, {-1, 1, 0, 0, 0, 0}},
      {3.0, 4.0, v, {2.2, 0.4, 3}, {1, 0, 0, 0, 0, 0}, {0.36, 0.64, 0, 0.48, 0, 0}},
      // A half turn keeps the in-plane tensor components and flips yz and zx.
      {-1.0, -0.0, v, {-1, -2, 3}, s, {1, 2, 3, 4, -5, -6}},
  };
  for (const Case& c : cases) {
    const double tol = (c.y == 0.0 && c.x >= 0.0) ? 0.0 : 1e-14;
    SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
    expect_near(cyl3(c.x, c.y, c.v), c.v_cyl, tol);
    expect_near(cyl6(c.x, c.y, c.s), c.s_cyl, tol);
  }
}

// The tensor is turned by -theta, the vector by +theta: the axes of the tensor
// are the cylindrical vector axes of the point mirrored in the x axis.
TEST(Cart2Cyl6, MatchesTheVectorRotationOfTheMirroredPoint) {
  std::mt19937 rng(7);
  for (int i = 0; i < 200; ++i) {
    const double x = uniform(rng, -5, 5), y = uniform(rng, -5, 5);
    double Q[3][3];  // column j: Cart2Cyl3 of the unit vector e_j at (x, -y)
    for (int j = 0; j < 3; ++j) {
      Vec3 e{};
      e[j] = 1.0;
      const Vec3 col = cyl3(x, -y, e);
      for (int r = 0; r < 3; ++r) Q[r][j] = col[r];
    }
    Vec6 s;
    for (double& c : s) c = uniform(rng, -10, 10);
    const int row[6] = {0, 1, 2, 0, 1, 2}, col[6] = {0, 1, 2, 1, 2, 0};
    const double S[3][3] = {{s[0], s[3], s[5]}, {s[3], s[1], s[4]}, {s[5], s[4], s[2]}};
    Vec6 want{};  // Q S Q^T
    for (int k = 0; k < 6; ++k)
      for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) want[k] += Q[row[k]][a] * S[a][b] * Q[col[k]][b];
    expect_near(cyl6(x, y, s), want, 1e-12);
    Vec6 inplace = s;
    FEM::Cart2Cyl6(x, y, inplace.data(), inplace.data());
    expect_near(inplace, cyl6(x, y, s), 0.0);
  }
}

// Known principal values, repeated ones too, in random axes.
TEST(Principal3D, KnownPrincipalValuesInRandomAxes) {
  std::mt19937 rng(17);
  const Vec3 cases[] = {{1, 3, 2},  {-5, -1, -3},          {2, 2, 2}, {5, -1, -1}, {3, 3, -4},
                        {0, 0, -7}, {1e3, 1e3, 1e3 + 1e-6}};
  for (const Vec3& d : cases)
    for (int i = 0; i < 50; ++i) {
      Vec6 s;
      rotated_stress(rng, d.data(), s.data());
      Vec3 want = d, p{};
      std::sort(want.begin(), want.end(), [](double a, double b) { return a > b; });
      const double tau = FEM::Principal3D(s.data(), p.data());
      const double scale = std::max(std::fabs(want[0]), std::fabs(want[2]));
      expect_near(p, want, 1e-13 * scale);
      EXPECT_NEAR(tau, (want[0] - want[2]) / 2.0, 1e-13 * scale);
    }
}

TEST(UpdateNodes, CopiesDisplacementsAndForcesByDoF) {
  FEM::NODE nodes[3] = {};
  const int dofs[3][3] = {{5, 1, 3}, {5, 1, 3}, {0, 2, 4}};  // in no order, two nodes sharing them
  for (int i = 0; i < 9; ++i) nodes[i / 3].DoF[i % 3] = dofs[i / 3][i % 3], nodes[i / 3].theta = 99.0;
  nodes[1].cyl = -1.0, nodes[2].cyl = 1.0, nodes[2].x = 1.0;
  double U[6] = {10, 11, 12, 13, 14, 15}, F[6] = {-10, -11, -12, -13, -14, -15};
  FEM::Update_Nodes(nodes, 3, U, F);
  for (int i = 0; i < 9; ++i)
    EXPECT_TRUE(nodes[i / 3].u[i % 3] == 10 + dofs[i / 3][i % 3] &&
                nodes[i / 3].f[i % 3] == -nodes[i / 3].u[i % 3]);
  EXPECT_TRUE(nodes[0].theta == 0.0 && nodes[1].theta == 0.0);  // cyl <= 0 clears it
  EXPECT_NEAR(nodes[2].theta, std::atan2(12.0, 11.0), 1e-15);   // (1, 0) moved to (11, 12)
}

TEST(UpdateNodes, TurnOfDisplacedPositionsAndTheAbsoluteGuards) {
  // x, y, ux, uy, theta: -135 degrees reported as +225; a node on the axis
  // at -pi/2, or at pi/2 once displaced along +x; |x| < 1e-10 (absolute) on the y axis.
  const double cases[] = {
      1,     0, 0,  1,  kPi / 4,  0, 2, -2,         -2, kPi / 2,     1,     0, -2,         0,  kPi,
      1,     0, -1, -1, -kPi / 2, 1, 0, -2,         -1, 5 * kPi / 4, -1,    0, 0,          0,  0.0,
      0,     0, 0,  0,  -kHalfPi, 0, 0, 0.1,        0,  kHalfPi,     5e-11, 1, 0,          0,  -5e-11,
      1e-10, 1, 0,  0,  0.0,      1, 0, -1 + 5e-11, 1,  kHalfPi,     1,     0, -1 + 5e-11, -1, -kHalfPi,
      1,     0, -1, 0,  -kHalfPi, 0, 0, 0,          -1, 0.0};
  for (const double* c = cases; c < std::end(cases); c += 5)
    EXPECT_NEAR(theta_of(c[0], c[1], c[2], c[3]), c[4], 1e-15)
        << c[0] << " " << c[1] << " " << c[2] << " " << c[3];
  std::mt19937 rng(23);
  for (int i = 0; i < 2000; ++i) {  // in range, and the turn of the polar angle modulo 2 pi
    const double x = uniform(rng, -10, 10), y = uniform(rng, -10, 10), u = uniform(rng, -10, 10),
                 v = uniform(rng, -10, 10), theta = theta_of(x, y, u, v);
    EXPECT_TRUE(theta >= -kHalfPi && theta < 3 * kHalfPi) << theta;
    EXPECT_NEAR(std::remainder(theta - (std::atan2(y + v, x + u) - std::atan2(y, x)), 2 * kPi), 0.0, 1e-12);
  }
}
