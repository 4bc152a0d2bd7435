// Node records take displacements, forces and the turn about the z axis.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "FEM.h"
#include "angles.h"

using FiniteElementMethod::FEM;
using FiniteElementMethod::detail::kHalfPi;
using FiniteElementMethod::detail::kPi;

namespace {

FEM::NODE make_node(double x, double y, double cyl, int first_dof) {
  FEM::NODE n{};
  n.x = x;
  n.y = y;
  n.z = 4.0;
  n.cyl = cyl;
  n.theta = 99.0;
  for (int k = 0; k < 3; ++k) n.DoF[k] = first_dof + k;
  return n;
}

// theta of a single node at (x, y) with cyl = 1 and displacement (ux, uy, 0).
double theta_of(double x, double y, double ux, double uy) {
  FEM::NODE n = make_node(x, y, 1.0, 0);
  double U[3] = {ux, uy, 0.0};
  double F[3] = {0.0, 0.0, 0.0};
  FEM::Update_Nodes(&n, 1, U, F);
  return n.theta;
}

}  // namespace

TEST(UpdateNodes, CopiesDisplacementsAndForcesByDoF) {
  // DoF lists in no particular order, two nodes sharing the same ones.
  std::vector<FEM::NODE> nodes = {make_node(1, 0, 0.0, 0), make_node(2, 0, -1.0, 0), make_node(3, 0, 1.0, 0)};
  nodes[0].DoF[0] = 5, nodes[0].DoF[1] = 1, nodes[0].DoF[2] = 3;
  nodes[1].DoF[0] = 5, nodes[1].DoF[1] = 1, nodes[1].DoF[2] = 3;
  nodes[2].DoF[0] = 0, nodes[2].DoF[1] = 2, nodes[2].DoF[2] = 4;
  double U[6] = {10, 11, 12, 13, 14, 15};
  double F[6] = {-10, -11, -12, -13, -14, -15};
  FEM::Update_Nodes(nodes.data(), 3, U, F);
  const double u[3][3] = {{15, 11, 13}, {15, 11, 13}, {10, 12, 14}};
  for (int i = 0; i < 3; ++i)
    for (int d = 0; d < 3; ++d) EXPECT_TRUE(nodes[i].u[d] == u[i][d] && nodes[i].f[d] == -u[i][d]) << i << d;
  EXPECT_TRUE(nodes[0].theta == 0.0 && nodes[1].theta == 0.0);  // cyl = 0 and cyl < 0 clear it
  EXPECT_NE(nodes[2].theta, 99.0);
  EXPECT_TRUE(nodes[2].x == 3 && nodes[2].z == 4);  // coordinates are read only
}

TEST(UpdateNodes, TurnOfSimpleDisplacedPositions) {
  EXPECT_NEAR(theta_of(1, 0, 0, 1), kPi / 4, 1e-15);
  EXPECT_NEAR(theta_of(0, 2, -2, -2), kPi / 2, 1e-15);  // displaced to (-2, 0)
  EXPECT_NEAR(theta_of(1, 0, -2, 0), kPi, 1e-15);
  EXPECT_NEAR(theta_of(1, 0, -1, -1), -kPi / 2, 1e-15);
  EXPECT_NEAR(theta_of(1, 0, -2, -1), 5 * kPi / 4, 1e-15);  // -135 degrees reported as +225
  // Undisplaced nodes have not turned; a node on the axis is at -pi/2, or at
  // pi/2 once displaced along +x.
  EXPECT_NEAR(theta_of(-1, 0, 0, 0), 0.0, 1e-15);
  EXPECT_EQ(theta_of(0, 0, 0, 0), -kHalfPi);
  EXPECT_EQ(theta_of(0, 0, 0.1, 0), kHalfPi);
}

// The 1e-10 bounds are absolute, on the initial x and on the turned-back x1.
TEST(UpdateNodes, AbsoluteGuards) {
  // x = 5e-11 counts as 0: a0 = pi/2 exactly, and the node seems turned by -5e-11.
  EXPECT_NEAR(theta_of(5e-11, 1, 0, 0), -5e-11, 1e-16);
  // x = 1e-10 is outside the guard: the true angle, no turn.
  EXPECT_NEAR(theta_of(1e-10, 1, 0, 0), 0.0, 1e-16);
  // x1 = 5e-11 counts as 0: exactly pi/2 (or -pi/2 when x2 <= 0).
  EXPECT_EQ(theta_of(1, 0, -1 + 5e-11, 1), kHalfPi);
  EXPECT_EQ(theta_of(1, 0, -1 + 5e-11, -1), -kHalfPi);
  EXPECT_EQ(theta_of(1, 0, -1, 0), -kHalfPi);
  // y = 0 at the guard gives -pi/2 too; the turn of (0, 0) -> (0, -1) is then 0.
  EXPECT_NEAR(theta_of(0, 0, 0, -1), 0.0, 1e-15);
}

TEST(UpdateNodes, RandomTurnsInTheirRange) {
  std::mt19937 gen(23);
  std::uniform_real_distribution<double> u(-10.0, 10.0);
  for (int i = 0; i < 2000; ++i) {
    const double x = u(gen), y = u(gen), ux = u(gen), uy = u(gen);
    const double theta = theta_of(x, y, ux, uy);
    EXPECT_TRUE(theta >= -kHalfPi && theta < 3 * kHalfPi) << theta;
    // Same turn modulo 2 pi as the difference of the two polar angles.
    const double turn = std::atan2(y + uy, x + ux) - std::atan2(y, x);
    EXPECT_NEAR(std::remainder(theta - turn, 2 * kPi), 0.0, 1e-12);
    EXPECT_NEAR(theta_of(x, y, 0, 0), 0.0, 1e-14) << "undisplaced";
  }
}
