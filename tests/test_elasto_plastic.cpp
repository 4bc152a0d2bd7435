// Elasto-plastic matrix: gradients, plastic and elasto-plastic matrices.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>

#include "angles.h"
#include "material_internal.h"
#include "test_support.h"

using namespace th10test;
using FiniteElementMethod::detail::kPi;
namespace detail = FiniteElementMethod::detail;

namespace {

struct Tangent {
  double Dp[36], Dep[36];
};

Tangent dep6(double* sig, double Phi, double Psi, double* De) {
  Tangent t;
  FEM::MC_SG_Dep(sig, 6, Phi, Psi, 5.0, De, t.Dp, t.Dep);
  return t;
}

// Central differences of f with respect to each stress component.
void numerical_gradient(const std::function<double(double*)>& f, const double* sig, double* g) {
  for (int i = 0; i < 6; ++i) {
    double sp[6], sm[6];
    for (int k = 0; k < 6; ++k) sp[k] = sm[k] = sig[k];
    sp[i] += 1e-5, sm[i] -= 1e-5;
    g[i] = (f(sp) - f(sm)) / 2e-5;
  }
}

// Stresses of both zones (random, and of Lode angle next to the corners, +pi/6 at
// sigma1 = sigma2) in random axes, with Phi from 10 to 45 and Psi from 0 to 20.
template <class Check>
void for_each_sample(Check check) {
  std::mt19937 rng(404);
  for (int trial = 0; trial < 200; ++trial) {
    double p[3], sig[6];
    const double mean = uniform(rng, -100, 0), r = uniform(rng, 1, 50);
    const double theta = (trial % 4 - 2) * uniform(rng, 0.5, kPi / 6);
    for (int i = 0; i < 3; ++i)
      p[i] = trial % 2 == 0 ? uniform(rng, -150, 20)
                            : mean + 2 * r / std::sqrt(3.0) * std::sin(theta + (1 - i) * 2 * kPi / 3);
    rotated_stress(rng, p, sig);
    check(sig, uniform(rng, 10, 45), uniform(rng, 0, 20));
  }
}

class ElastoPlastic : public ::testing::Test {
 protected:
  void SetUp() override { FEM::SG_De(6, 1000.0, 0.25, De); }
  double De[36];
};

}  // namespace

TEST_F(ElastoPlastic, GradientsAreThoseOfTheYieldFunctionOrOfTheConeThroughTheCorner) {
  // Smooth: Q is F with psi, no cohesion. Corner s: sigma_m sin(X) + sqrt(J2) (3 - s sin(X)) / (2 sqrt(3)).
  int zones[3] = {0, 0, 0};
  for_each_sample([&](double* sig, double Phi, double Psi) {
    double dfds[6], dqds[6], sin_theta, gf[6], gq[6], sm, ds, th;
    const detail::GradientZone zone = detail::MC_Gradients(6, Phi, Psi, sig, dfds, dqds, &sin_theta);
    FEM::SG_SigInv(sig, 6, sm, ds, th);
    if (std::fabs(std::fabs(std::sin(th)) - 0.49) < 0.001) return;  // finite steps would cross the band
    EXPECT_EQ(zone, std::fabs(std::sin(th)) > 0.49 ? detail::kCornerZone : detail::kSmoothZone);
    ++zones[zone];
    for (const double X : {Phi, Psi}) {
      const double sX = std::sin(X * kPi / 180), s = sin_theta < 0 ? -1.0 : 1.0;
      const auto G = [&](double* t) {
        if (zone == detail::kSmoothZone) return FEM::MC_SG_F(t, 6, X, X == Phi ? 7.0 : 0.0);
        const double d01 = t[0] - t[1], d12 = t[1] - t[2], d20 = t[2] - t[0];
        const double J2 = (d01 * d01 + d12 * d12 + d20 * d20) / 6 + t[3] * t[3] + t[4] * t[4] + t[5] * t[5];
        return (t[0] + t[1] + t[2]) / 3 * sX + std::sqrt(J2) * (3 - s * sX) / (2 * std::sqrt(3.0));
      };
      numerical_gradient(G, sig, X == Phi ? gf : gq);
    }
    for (int i = 0; i < 6; ++i)
      EXPECT_TRUE(std::fabs(dfds[i] - gf[i]) < 1e-7 && std::fabs(dqds[i] - gq[i]) < 1e-7);
  });
  EXPECT_GT(zones[detail::kSmoothZone], 50);
  EXPECT_GT(zones[detail::kCornerZone], 30);
}

TEST_F(ElastoPlastic, TangentAnnihilatesTheFlowAndAssociatedFlowIsSymmetric) {
  for_each_sample([&](double* sig, double Phi, double Psi) {
    double dfds[6], dqds[6];
    detail::MC_Gradients(6, Phi, Psi, sig, dfds, dqds);
    Tangent t = dep6(sig, Phi, Psi, De);
    for (int i = 0; i < 6; ++i) {
      double row = 0, col = 0;
      for (int j = 0; j < 6; ++j) row += t.Dep[i * 6 + j] * dqds[j], col += dfds[j] * t.Dep[j * 6 + i];
      EXPECT_TRUE(std::fabs(row) < 1e-11 && std::fabs(col) < 1e-11) << row << " " << col;
      for (int j = 0; j < 6; ++j) EXPECT_EQ(t.Dep[6 * i + j], De[6 * i + j] - t.Dp[6 * i + j]);
    }
    t = dep6(sig, Phi, Phi, De);
    for (int i = 0; i < 6; ++i)
      for (int j = 0; j < i; ++j)
        EXPECT_TRUE(t.Dp[i * 6 + j] == t.Dp[j * 6 + i] && t.Dep[i * 6 + j] == t.Dep[j * 6 + i]);
  });
}

TEST_F(ElastoPlastic, GuardsGiveTheElasticMatrix) {
  double zero[6] = {}, hydro[6] = {-100, -100, -100, 0, 0, 0}, sig[6] = {-100, -50, -20, 10, 5, -8};
  double zero_De[36] = {}, nan_De[36], huge_De[36];
  for (int k = 0; k < 36; ++k) nan_De[k] = (k == 7) ? std::nan("") : De[k], huge_De[k] = 1e305 * De[k];
  // No deviatoric stress; a denominator of zero, or not finite; entries that would overflow.
  for (auto [s, D] : {std::make_pair(zero, De), {hydro, De}, {sig, zero_De}, {sig, nan_De}, {sig, huge_De}}) {
    const Tangent t = dep6(s, 30.0, 10.0, D);
    EXPECT_EQ(max_abs(t.Dp, 36), 0.0);
    EXPECT_EQ(std::memcmp(t.Dep, D, sizeof t.Dep), 0);
  }
}
