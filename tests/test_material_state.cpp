// Material-state updates: the commit of the open increment and the
// re-evaluation of Phi, Psi, F, De, Dp, Dep at the committed stress.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "element_fixtures.h"

using namespace th10test;

namespace {

// Every field of every Gauss point filled with distinct random values.
void scramble(Mesh& m, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (TH10G15::ELEMENT& el : m.elems)
    for (TH10G15::GAUSSPOINT& g : el.GP) {
      double* p = reinterpret_cast<double*>(&g);
      for (std::size_t i = 0; i < sizeof(g) / sizeof(double); ++i) p[i] = u(rng);
    }
}

}  // namespace

bool same_elements(const std::vector<TH10G15::ELEMENT>& a, const Mesh& m) {
  return std::memcmp(a.data(), m.elems.data(), a.size() * sizeof(TH10G15::ELEMENT)) == 0;
}

TEST(Commit, AddsTheIncrementsClearsThemAndTouchesNothingElse) {
  std::mt19937 rng(31);
  Mesh m = box(1, 1, 2);
  scramble(m, rng);
  const std::vector<TH10G15::ELEMENT> before = m.elems;
  TH10G15::update_Strain_Stress(m.elems.data(), 0);  // no elements: nothing changes
  TH10G15::update_Phi_F_D(m.elems.data(), 0, 10.0, 1, 0.0);
  EXPECT_TRUE(same_elements(before, m));
  TH10G15::update_Strain_Stress(m.elems.data(), m.nElements());
  for (int e = 0; e < m.nElements(); ++e) {
    for (int g = 0; g < 15; ++g) {
      TH10G15::GAUSSPOINT p = m.elems[e].GP[g];
      const TH10G15::GAUSSPOINT& b = before[e].GP[g];
      for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(p.strain[i], b.strain[i] + b.dstrain[i]);
        EXPECT_EQ(p.stress[i], b.stress[i] + b.dstress[i]);
        EXPECT_TRUE(p.dstrain[i] == 0.0 && p.dstress[i] == 0.0);
      }
      std::memcpy(p.strain, b.strain, 48);
      std::memcpy(p.stress, b.stress, 48);
      std::memcpy(p.dstrain, b.dstrain, 48);
      std::memcpy(p.dstress, b.dstress, 48);
      EXPECT_TRUE(same_bytes(p, b)) << "element " << e << " point " << g;
    }
    EXPECT_EQ(std::memcmp(m.elems[e].Node_ID, before[e].Node_ID, 40 + 120 + 240), 0);
  }
  // A second commit changes nothing.
  const std::vector<TH10G15::ELEMENT> once = m.elems;
  TH10G15::update_Strain_Stress(m.elems.data(), m.nElements());
  EXPECT_TRUE(same_elements(once, m));
}

namespace {

// Material constants and a committed stress that differs from point to point:
// compressive states, some inside the surface and some beyond it.
void set_points(Mesh& m, std::mt19937& rng) {
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  for (TH10G15::ELEMENT& el : m.elems)
    for (TH10G15::GAUSSPOINT& g : el.GP) {
      g.E = 2000.0 + 500.0 * u(rng);
      g.nu = 0.25 + 0.1 * u(rng);
      g.c = 5.0 + 4.0 * u(rng);
      const double p = -50.0 + 20.0 * u(rng);
      for (int i = 0; i < 3; ++i) g.stress[i] = p + 30.0 * u(rng);
      for (int i = 3; i < 6; ++i) g.stress[i] = 10.0 * u(rng);
    }
}

}  // namespace

TEST(MaterialState, ReevaluatesAtTheCommittedStressAndWritesNothingElse) {
  for (int assoc : {1, 0, 2}) {
    std::mt19937 rng(40 + assoc);
    Mesh m = box(1, 1, 1);
    scramble(m, rng);
    set_points(m, rng);
    const std::vector<TH10G15::ELEMENT> before = m.elems;
    const double Phi_min = 12.0, Psi = 3.5;
    TH10G15::update_Phi_F_D(m.elems.data(), m.nElements(), Phi_min, assoc, Psi);
    int yielding = 0;
    for (int e = 0; e < m.nElements(); ++e)
      for (int g = 0; g < 15; ++g) {
        TH10G15::GAUSSPOINT p = m.elems[e].GP[g];
        TH10G15::GAUSSPOINT b = before[e].GP[g];
        EXPECT_EQ(p.Phi, FEM::MC_SG_F_Phi(b.stress, 6, b.c, Phi_min, 45.0));
        EXPECT_TRUE(p.Phi >= Phi_min && p.Phi <= 45.0);
        EXPECT_EQ(p.Psi, assoc == 1 ? p.Phi : Psi);
        EXPECT_EQ(p.F, FEM::MC_SG_F(b.stress, 6, p.Phi, b.c)) << "F with the new Phi";
        yielding += (p.F >= 0.0) ? 1 : 0;
        double De[36], Dp[36], Dep[36], iso[36];
        FEM::SG_De(6, b.E, b.nu, De);
        FEM::MC_SG_Dep(b.stress, 6, p.Phi, p.Psi, b.c, De, Dp, Dep);
        isotropic_De(b.E, b.nu, iso);
        EXPECT_TRUE(!std::memcmp(p.De, De, sizeof(De)) && !std::memcmp(p.Dp, Dp, sizeof(Dp)) &&
                    !std::memcmp(p.Dep, Dep, sizeof(Dep)));
        EXPECT_LT(rel_diff(p.De, iso, 36), 1e-15);
        for (int i = 0; i < 36; ++i) EXPECT_NEAR(p.Dep[i] + p.Dp[i], p.De[i], 1e-12 * max_abs(p.De, 36));
        // Everything else as it was.
        b.Phi = p.Phi, b.Psi = p.Psi, b.F = p.F;
        std::memcpy(b.De, p.De, sizeof(De));
        std::memcpy(b.Dp, p.Dp, sizeof(Dp));
        std::memcpy(b.Dep, p.Dep, sizeof(Dep));
        EXPECT_TRUE(same_bytes(p, b)) << "element " << e << " point " << g;
      }
    EXPECT_GT(yielding, 0);
    EXPECT_LT(yielding, 15 * m.nElements());
  }
}

TEST(MaterialState, FullCommitReevaluatesAtTheNewStress) {
  std::mt19937 rng(44);
  Mesh m = box(1, 1, 1);
  set_points(m, rng);
  for (TH10G15::ELEMENT& el : m.elems)
    for (TH10G15::GAUSSPOINT& g : el.GP)
      for (int i = 0; i < 6; ++i) g.dstress[i] = 5.0 * std::uniform_real_distribution<double>(-1, 1)(rng);
  const std::vector<TH10G15::ELEMENT> before = m.elems;
  TH10G15::update_Phi_F_D(m.elems.data(), m.nElements(), 0.0, 1, 0.0);
  for (int e = 0; e < m.nElements(); ++e)
    for (int g = 0; g < 15; ++g) {
      // Before the commit the state follows stress alone, not stress + dstress.
      TH10G15::GAUSSPOINT b = before[e].GP[g];
      EXPECT_EQ(m.elems[e].GP[g].Phi, FEM::MC_SG_F_Phi(b.stress, 6, b.c, 0.0, 45.0));
    }
  TH10G15::update_Strain_Stress(m.elems.data(), m.nElements());
  TH10G15::update_Phi_F_D(m.elems.data(), m.nElements(), 0.0, 1, 0.0);
  for (int e = 0; e < m.nElements(); ++e)
    for (int g = 0; g < 15; ++g) {
      const TH10G15::GAUSSPOINT& b = before[e].GP[g];
      double committed[6];
      for (int i = 0; i < 6; ++i) committed[i] = b.stress[i] + b.dstress[i];
      EXPECT_EQ(m.elems[e].GP[g].Phi, FEM::MC_SG_F_Phi(committed, 6, b.c, 0.0, 45.0));
    }
}
