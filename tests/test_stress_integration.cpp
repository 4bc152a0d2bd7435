// Stress integration over the open increment, with the Mohr-Coulomb routines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "explicit_stages.h"
#include "test_support.h"

using namespace th10test;
namespace detail = FiniteElementMethod::detail;

namespace {

// A box at a committed stress (stress0 = stress): points of the listed elements on the yield surface
// (Phi mobilised, F pinned to 0), the others inside (Phi_min 40 above the mobilised 22.7 degrees).
Mesh mohr_coulomb_box(const std::vector<int>& yielding_elements) {
  Mesh m = box(1, 1, 1, 2.0, 1.0, 1.5);
  const double stress[6] = {-30.0, -45.0, -80.0, 4.0, -3.0, 2.0};
  for (TH10G15::ELEMENT& el : m.elems)
    for (GP& g : el.GP) {
      g.E = 1.0e4, g.nu = 0.3, g.c = 5.0;
      for (int i = 0; i < 6; ++i) g.stress[i] = g.stress0[i] = stress[i];
    }
  for (int e = 0; e < m.nElements(); ++e) {
    const bool yields = std::count(yielding_elements.begin(), yielding_elements.end(), e) > 0;
    TH10G15::update_Phi_F_D(&m.elems[e], 1, yields ? 0.0 : 40.0, 0, 5.0);
    for (GP& g : m.elems[e].GP) g.F = yields ? 0.0 : g.F;
  }
  return m;
}

// Points that took the stages: dstress differs from De dstrain.
int staged_points(const Mesh& m) {
  int staged = 0;
  for (const TH10G15::ELEMENT& el : m.elems)
    for (const GP& g : el.GP) {
      double elastic[6];
      dense_mv(g.De, 6, 6, g.dstrain, elastic);
      staged += rel_diff(g.dstress, elastic, 6) > 1e-12;
    }
  return staged;
}

}  // namespace

TEST(StressIntegration, ElasticPipelineGivesKTimesU) {
  // make_K (into a matrix the caller has not cleared), two displacement changes
  // (dstrain accumulates), make_Fint: the forces of stress - stress0 + dstress are K U.
  std::mt19937 rng(54);
  Mesh m = mohr_coulomb_box({});
  const int n = 3 * m.nNodes();
  std::vector<double> K(static_cast<std::size_t>(n) * n, 123.0), U(n, 0.0), KU(n), Fint(n);
  TH10G15::make_K(m.elems.data(), m.nElements(), m.nNodes(), K.data(), 1);
  for (int step = 0; step < 2; ++step) {
    std::vector<double> dU = random_vector(rng, n, 1e-5);
    TH10G15::dU_Eps_Sig_RK4(m.elems.data(), m.nElements(), dU.data(), m.nNodes());
    for (int i = 0; i < n; ++i) U[i] += dU[i];
  }
  dense_mv(K.data(), n, n, U.data(), KU.data());
  TH10G15::make_Fint(m.elems.data(), m.nElements(), m.nNodes(), Fint.data());
  EXPECT_LT(rel_diff(Fint.data(), KU.data(), n), 1e-12);
}

TEST(StressIntegration, YieldingPointsFollowTheTangentAndSplitTheElasticIncrement) {
  // Points on the surface loaded from an elastic start: dstress is the stored Dep times dstrain to
  // first order. The stages split De dstrain into dstress and its plastic part (Dep = De - Dp,
  // weights summing to one): the plastic forces are Ke dU - Fint(dstress).
  std::mt19937 rng(53);
  Mesh m = mohr_coulomb_box({0, 1, 2, 3, 4, 5});
  for (TH10G15::ELEMENT& el : m.elems)
    for (GP& g : el.GP) g.F = -1.0;
  const int n = 3 * m.nNodes();
  std::vector<double> Ke(static_cast<std::size_t>(n) * n), dU = random_vector(rng, n, 1e-5), Fint_p(n, 3.0),
                                                           expected(n), Fint(n);
  TH10G15::make_K(m.elems.data(), m.nElements(), m.nNodes(), Ke.data(), 0);
  TH10G15::dU_Eps_Sig_RK4(m.elems.data(), m.nElements(), dU.data(), m.nNodes(), Fint_p.data());
  TH10G15::make_Fint(m.elems.data(), m.nElements(), m.nNodes(), Fint.data());
  dense_mv(Ke.data(), n, n, dU.data(), expected.data());
  for (int i = 0; i < n; ++i) expected[i] -= Fint[i];
  EXPECT_GT(staged_points(m), 20);
  EXPECT_LT(rel_diff(Fint_p.data(), expected.data(), n), 1e-9);
  EXPECT_GT(max_abs(Fint_p.data(), n), 1e-3 * max_abs(Fint.data(), n));
  for (const TH10G15::ELEMENT& el : m.elems)
    for (const GP& g : el.GP) {
      double elastic[6], tangent[6];
      dense_mv(g.De, 6, 6, g.dstrain, elastic);
      dense_mv(g.Dep, 6, 6, g.dstrain, tangent);
      EXPECT_TRUE(rel_diff(g.dstress, elastic, 6) < 1e-12 || rel_diff(g.dstress, tangent, 6) < 1e-2);
    }
}

TEST(StressIntegration, OverloadsAgreeAndModeTwoMobilisesTheAngleAtTheStageStress) {
  // The stages take Dep v and Dp v from the gradients, the sines of the angles kept from
  // point to point; a model that forms the matrices with MC_SG_Dep agrees, for angles that change.
  std::mt19937 rng(52);
  Mesh base = mohr_coulomb_box({0, 1, 2, 3, 4, 5});
  for (TH10G15::ELEMENT& el : base.elems)
    for (int g = 0; g < 15; ++g) el.GP[g].Phi += (g / 4) * 0.5, el.GP[g].Psi = 2.0 + (g / 3);
  std::vector<double> dU = random_vector(rng, 3 * base.nNodes(), 1e-5), Fint_p(dU.size()),
                      Fp_formed(dU.size());
  const auto same = [](const Mesh& a, const Mesh& b) {
    return !std::memcmp(a.elems.data(), b.elems.data(), a.elems.size() * sizeof(TH10G15::ELEMENT));
  };
  Mesh one = base, three = base, formed = base;
  TH10G15::dU_Eps_Sig_RK4(one.elems.data(), 6, dU.data(), base.nNodes());
  TH10G15::dU_Eps_Sig_RK4(three.elems.data(), 6, dU.data(), base.nNodes(), Fint_p.data());
  EXPECT_TRUE(same(one, three));
  EXPECT_GT(staged_points(one), 20);
  for (int e = 0; e < 6; ++e)  // from F >= 0: elastic exactly where the trial with the stored Dep gives f < 0
    for (GP& g : one.elems[e].GP) {
      double trial[6], elastic[6];
      dense_mv(g.Dep, 6, 6, g.dstrain, trial), dense_mv(g.De, 6, 6, g.dstrain, elastic);
      for (int i = 0; i < 6; ++i) trial[i] += g.stress[i];
      EXPECT_EQ(FEM::MC_SG_F(trial, 6, g.Phi, g.c) < 0.0, rel_diff(g.dstress, elastic, 6) < 1e-12) << e;
    }
  int remobilised = 0;
  for (int mode : {0, 1, 3, -2, 2}) {
    Mesh two = base;
    TH10G15::dU_Eps_Sig_RK4(two.elems.data(), 6, dU.data(), base.nNodes(), mode, 10.0, mode == 2, 3.0);
    const detail::MaterialModel library = detail::mohr_coulomb();
    const detail::MaterialModel matrices{library.F, library.F_Phi, library.Dep, nullptr};
    formed = base;
    detail::integrate_explicit(formed.elems.data(), 6, dU.data(), base.nNodes(),
                               {mode == 2, 10.0, mode == 2, 3.0}, matrices, Fp_formed.data());
    if (mode != 2) {
      EXPECT_TRUE(same(one, two)) << "mode " << mode;
      EXPECT_LT(rel_diff(Fint_p.data(), Fp_formed.data(), static_cast<int>(Fint_p.size())), 1e-12);
    }
    for (int e = 0; e < 6; ++e)
      for (int g = 0; g < 15; ++g) {
        const GP &p = two.elems[e].GP[g], &b = base.elems[e].GP[g], &f = formed.elems[e].GP[g];
        EXPECT_TRUE(rel_diff(p.dstress, f.dstress, 6) < 1e-12 && p.Phi == f.Phi)
            << mode << " " << e << " " << g;
        if (mode != 2 || (p.Phi == b.Phi && p.F == b.F)) continue;  // elastic: nothing re-mobilised
        EXPECT_EQ(p.Psi, p.Phi) << "associated flow";
        ++remobilised;
        // The angle mobilised at the last stage stress, stress + D1 dstrain / 2
        // with D1 = Dep at stress + D0 dstrain / 2 and the angle mobilised there.
        double s1[6], s2[6], d[6], Dp[36], D1[36];
        dense_mv(b.Dep, 6, 6, p.dstrain, d);
        for (int i = 0; i < 6; ++i) s1[i] = b.stress[i] + 0.5 * d[i];
        const double Phi1 = FEM::MC_SG_F_Phi(s1, 6, b.c, 10.0, 45.0);
        FEM::MC_SG_Dep(s1, 6, Phi1, Phi1, b.c, const_cast<double*>(b.De), Dp, D1);
        dense_mv(D1, 6, 6, p.dstrain, d);
        for (int i = 0; i < 6; ++i) s2[i] = b.stress[i] + 0.5 * d[i];
        EXPECT_NEAR(p.Phi, FEM::MC_SG_F_Phi(s2, 6, b.c, 10.0, 45.0), 1e-9);
      }
  }
  EXPECT_GT(remobilised, 20);
}
