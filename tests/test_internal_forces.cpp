// Internal forces of the current stress, assembled into a global vector.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "element_fixtures.h"

using namespace th10test;

namespace {

// Sets stress = stress0 + sigma at every Gauss point, dstress = 0.
void set_uniform_stress(Mesh& m, const double* stress0, const double* sigma) {
  for (TH10G15::ELEMENT& el : m.elems)
    for (TH10G15::GAUSSPOINT& g : el.GP)
      for (int i = 0; i < 6; ++i) {
        g.stress0[i] = stress0[i];
        g.stress[i] = stress0[i] + sigma[i];
        g.dstress[i] = 0.0;
      }
}

bool on_boundary(const FEM::NODE& n, double lx, double ly, double lz) {
  return n.x == 0.0 || n.y == 0.0 || n.z == 0.0 || n.x == lx || n.y == ly || n.z == lz;
}

}  // namespace

TEST(InternalForces, UniformStressLeavesInteriorNodesUnloaded) {
  const double lx = 2.0, ly = 1.0, lz = 1.5;
  Mesh m = box(3, 2, 3, lx, ly, lz);
  const double stress0[6] = {-10.0, -20.0, -30.0, 1.0, 2.0, 3.0};
  const double sigma[6] = {3.0, -1.5, 2.0, 0.7, -0.4, 1.1};
  set_uniform_stress(m, stress0, sigma);
  const int n = 3 * m.nNodes();
  std::vector<double> Fint(n);
  TH10G15::make_Fint(m.elems.data(), m.nElements(), m.nNodes(), Fint.data());

  const double scale = max_abs(Fint.data(), n);
  ASSERT_GT(scale, 0.0);
  int interior = 0;
  for (int k = 0; k < m.nNodes(); ++k)
    if (!on_boundary(m.nodes[k], lx, ly, lz)) {
      ++interior;
      for (int d = 0; d < 3; ++d) EXPECT_LT(std::fabs(Fint[3 * k + d]), 1e-13 * scale) << "node " << k;
    }
  EXPECT_GT(interior, 10);

  // The work of the forces on a linear displacement field is the volume times
  // sigma : strain of that field: u = (x, 0, 0) picks sigma_x, u = (y, 0, 0)
  // the shear sigma_xy, u = (0, 0, y) the shear sigma_yz.
  const double volume = lx * ly * lz;
  double work_x = 0.0, work_xy = 0.0, work_yz = 0.0;
  for (int k = 0; k < m.nNodes(); ++k) {
    work_x += Fint[3 * k] * m.nodes[k].x;
    work_xy += Fint[3 * k] * m.nodes[k].y;
    work_yz += Fint[3 * k + 2] * m.nodes[k].y;
  }
  EXPECT_NEAR(work_x, volume * sigma[0], 1e-12 * volume);
  EXPECT_NEAR(work_xy, volume * sigma[3], 1e-12 * volume);
  EXPECT_NEAR(work_yz, volume * sigma[4], 1e-12 * volume);
}

TEST(InternalForces, InitialStressAloneGivesZeroAndNoRecordIsWritten) {
  std::mt19937 rng(5);
  Mesh m = box(2, 1, 1);
  const double stress0[6] = {-10.0, -20.0, -30.0, 1.0, 2.0, 3.0}, zero[6] = {0, 0, 0, 0, 0, 0};
  set_uniform_stress(m, stress0, zero);
  const int n = 3 * m.nNodes();
  std::vector<double> Fint(n, 42.0), none(n, 42.0);
  TH10G15::make_Fint(m.elems.data(), m.nElements(), m.nNodes(), Fint.data());
  EXPECT_EQ(max_abs(Fint.data(), n), 0.0);
  // No elements: all 3 nNodes entries cleared.
  TH10G15::make_Fint(m.elems.data(), 0, m.nNodes(), none.data());
  EXPECT_EQ(max_abs(none.data(), n), 0.0);

  // Repeated calls give the same vector and leave the records as they were.
  for (TH10G15::ELEMENT& el : m.elems)
    for (TH10G15::GAUSSPOINT& g : el.GP)
      for (double* f : {g.stress0, g.stress, g.dstress})
        for (int i = 0; i < 6; ++i) f[i] = std::uniform_real_distribution<double>(-1, 1)(rng);
  const std::vector<TH10G15::ELEMENT> before = m.elems;
  std::vector<double> first(n), second(n);
  TH10G15::make_Fint(m.elems.data(), m.nElements(), m.nNodes(), first.data());
  TH10G15::make_Fint(m.elems.data(), m.nElements(), m.nNodes(), second.data());
  EXPECT_EQ(first, second);
  EXPECT_EQ(std::memcmp(before.data(), m.elems.data(), before.size() * sizeof(TH10G15::ELEMENT)), 0);
}
