// The element state: internal forces of the current stress, the commit of the
// open increment and the re-evaluation of Phi, Psi, F, De, Dp, Dep.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "test_support.h"

using namespace th10test;

namespace {

// stress = stress0 + sigma at every Gauss point, dstress = 0.
void set_uniform_stress(Mesh& m, const double* stress0, const double* sigma) {
  for (TH10G15::ELEMENT& el : m.elems)
    for (GP& g : el.GP)
      for (int i = 0; i < 6; ++i)
        g.stress0[i] = stress0[i], g.stress[i] = stress0[i] + sigma[i], g.dstress[i] = 0.0;
}

const double kStress0[6] = {-10.0, -20.0, -30.0, 1.0, 2.0, 3.0};

// Every double of every Gauss point random, then material constants and a committed
// stress (compressive; some points inside the surface, some beyond).
Mesh scrambled_box(std::mt19937& rng) {
  Mesh m = box(1, 1, 1);
  for (TH10G15::ELEMENT& el : m.elems)
    for (GP& g : el.GP) {
      double* p = reinterpret_cast<double*>(&g);
      for (std::size_t i = 0; i < sizeof(g) / sizeof(double); ++i) p[i] = uniform(rng, -1, 1);
      g.E = uniform(rng, 1500, 2500), g.nu = uniform(rng, 0.15, 0.35), g.c = uniform(rng, 1, 9);
      const double mean = uniform(rng, -70, -30);
      for (int i = 0; i < 6; ++i) g.stress[i] = i < 3 ? mean + uniform(rng, -30, 30) : uniform(rng, -10, 10);
    }
  return m;
}

}  // namespace

TEST(InternalForces, UniformStressLoadsTheBoundaryOnlyWithTheWorkOfTheStress) {
  const double lx = 2.0, ly = 1.0, lz = 1.5, volume = lx * ly * lz;
  Mesh m = box(3, 2, 3, lx, ly, lz);
  const double sigma[6] = {3.0, -1.5, 2.0, 0.7, -0.4, 1.1};
  set_uniform_stress(m, kStress0, sigma);
  const int n = 3 * m.nNodes();
  std::vector<double> Fint(n, 42.0);
  TH10G15::make_Fint(m.elems.data(), m.nElements(), m.nNodes(), Fint.data());
  const double scale = max_abs(Fint.data(), n);
  for (int k = 0; k < m.nNodes(); ++k) {
    const FEM::NODE& p = m.nodes[k];
    if (p.x == 0.0 || p.y == 0.0 || p.z == 0.0 || p.x == lx || p.y == ly || p.z == lz) continue;
    for (int d = 0; d < 3; ++d) EXPECT_LT(std::fabs(Fint[3 * k + d]), 1e-13 * scale) << "node " << k;
  }
  // The work of the forces on a linear displacement is the volume times
  // sigma : strain: u = (x, 0, 0) picks sigma_x, (y, 0, 0) sigma_xy, (0, 0, y) sigma_yz.
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

TEST(InternalForces, InitialStressAloneGivesZero) {
  Mesh m = box(2, 1, 1);
  const double zero[6] = {};
  set_uniform_stress(m, kStress0, zero);
  std::vector<double> Fint(3 * m.nNodes(), 42.0), none(Fint);
  TH10G15::make_Fint(m.elems.data(), m.nElements(), m.nNodes(), Fint.data());
  TH10G15::make_Fint(m.elems.data(), 0, m.nNodes(), none.data());  // no elements: all entries cleared
  EXPECT_EQ(max_abs(Fint.data(), 3 * m.nNodes()) + max_abs(none.data(), 3 * m.nNodes()), 0.0);
}

TEST(Commit, AddsTheIncrementsClearsThemAndTouchesNothingElse) {
  std::mt19937 rng(31);
  Mesh m = scrambled_box(rng);
  const std::vector<TH10G15::ELEMENT> before = m.elems;
  TH10G15::update_Strain_Stress(m.elems.data(), m.nElements());
  for (int e = 0; e < m.nElements(); ++e)
    for (int g = 0; g < 15; ++g) {
      GP b = before[e].GP[g];
      for (int i = 0; i < 6; ++i)
        b.strain[i] += b.dstrain[i], b.stress[i] += b.dstress[i], b.dstrain[i] = b.dstress[i] = 0.0;
      EXPECT_EQ(std::memcmp(&m.elems[e].GP[g], &b, sizeof b), 0) << "element " << e << " point " << g;
    }
}

TEST(MaterialState, ReevaluatesAtTheCommittedStressAndWritesNothingElse) {
  for (int assoc : {1, 0, 2}) {
    std::mt19937 rng(40 + assoc);
    Mesh m = scrambled_box(rng);
    const std::vector<TH10G15::ELEMENT> before = m.elems;
    const double Phi_min = 12.0, Psi = 3.5;
    TH10G15::update_Phi_F_D(m.elems.data(), m.nElements(), Phi_min, assoc, Psi);
    int yielding = 0;
    for (int e = 0; e < m.nElements(); ++e)
      for (int g = 0; g < 15; ++g) {
        const GP& p = m.elems[e].GP[g];
        GP b = before[e].GP[g];
        EXPECT_EQ(p.Phi, FEM::MC_SG_F_Phi(b.stress, 6, b.c, Phi_min, 45.0));
        EXPECT_EQ(p.Psi, assoc == 1 ? p.Phi : Psi);
        EXPECT_EQ(p.F, FEM::MC_SG_F(b.stress, 6, p.Phi, b.c)) << "F with the new Phi";
        yielding += p.F >= 0.0;
        FEM::SG_De(6, b.E, b.nu, b.De);
        FEM::MC_SG_Dep(b.stress, 6, p.Phi, p.Psi, b.c, b.De, b.Dp, b.Dep);
        b.Phi = p.Phi, b.Psi = p.Psi, b.F = p.F;
        EXPECT_EQ(std::memcmp(&p, &b, sizeof p), 0) << "element " << e << " point " << g;
      }
    EXPECT_TRUE(yielding > 0 && yielding < 15 * m.nElements()) << yielding;
  }
}
