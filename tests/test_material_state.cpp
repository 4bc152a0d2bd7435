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

TEST(Commit, AddsTheIncrementsClearsThemAndTouchesNothingElse) {
  std::mt19937 rng(31);
  Mesh m = box(1, 1, 2);
  scramble(m, rng);
  const std::vector<TH10G15::ELEMENT> before = m.elems;
  TH10G15::update_Strain_Stress(m.elems.data(), m.nElements());
  for (int e = 0; e < m.nElements(); ++e) {
    for (int g = 0; g < 15; ++g) {
      TH10G15::GAUSSPOINT p = m.elems[e].GP[g];
      const TH10G15::GAUSSPOINT& b = before[e].GP[g];
      for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(p.strain[i], b.strain[i] + b.dstrain[i]);
        EXPECT_EQ(p.stress[i], b.stress[i] + b.dstress[i]);
        EXPECT_EQ(p.dstrain[i], 0.0);
        EXPECT_EQ(p.dstress[i], 0.0);
      }
      std::memcpy(p.strain, b.strain, 48);
      std::memcpy(p.stress, b.stress, 48);
      std::memcpy(p.dstrain, b.dstrain, 48);
      std::memcpy(p.dstress, b.dstress, 48);
      EXPECT_TRUE(same_bytes(p, b)) << "element " << e << " point " << g;
    }
    EXPECT_EQ(std::memcmp(m.elems[e].Node_ID, before[e].Node_ID, 40 + 120 + 240), 0);
  }
}

TEST(Commit, TwiceChangesNothingAndNoElementsChangeNothing) {
  std::mt19937 rng(32);
  Mesh m = box(1, 1, 1);
  scramble(m, rng);
  TH10G15::update_Strain_Stress(m.elems.data(), m.nElements());
  const std::vector<TH10G15::ELEMENT> once = m.elems;
  TH10G15::update_Strain_Stress(m.elems.data(), m.nElements());
  for (int e = 0; e < m.nElements(); ++e)
    EXPECT_EQ(std::memcmp(&once[e], &m.elems[e], sizeof(TH10G15::ELEMENT)), 0);

  scramble(m, rng);
  const std::vector<TH10G15::ELEMENT> before = m.elems;
  TH10G15::update_Strain_Stress(m.elems.data(), 0);
  TH10G15::update_Phi_F_D(m.elems.data(), 0, 10.0, 1, 0.0);
  for (int e = 0; e < m.nElements(); ++e)
    EXPECT_EQ(std::memcmp(&before[e], &m.elems[e], sizeof(TH10G15::ELEMENT)), 0);
}
