// The material model at one stress point: elastic matrix, stress invariants,
// Mohr-Coulomb yield function, mobilised friction angle and potential derivatives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "angles.h"
#include "test_support.h"

using namespace th10test;
using FiniteElementMethod::detail::kPi;

namespace {

const double kDeg = kPi / 180.0;

struct Inv {
  double sigma_m = -1, ds_bar = -1, theta_Lode = -1;
};

Inv invariants(std::vector<double> s, bool PZ = false) {
  Inv v;
  const int n = static_cast<int>(s.size());
  (PZ ? FEM::PZ_SigInv : FEM::SG_SigInv)(s.data(), n, v.sigma_m, v.ds_bar, v.theta_Lode);
  return v;
}

// Q = ds_bar (cos(theta)/sqrt(3) - sin(theta) sin(psi)/3) of J2 and J3 (without the sigma_m term).
double potential_of_J2_J3(double J2, double J3, double sin_psi) {
  const double theta = std::asin(-3 * std::sqrt(3.0) * J3 / (2 * std::pow(J2, 1.5))) / 3;
  return std::sqrt(3 * J2) * (std::cos(theta) / std::sqrt(3.0) - std::sin(theta) * sin_psi / 3);
}

}  // namespace

TEST(ElasticMatrix, IsTheLameFormInEveryLayout) {
  double lame[36], D6[36], D4[16], D3[9];
  lame_De(200.0, 0.3, lame);
  FEM::SG_De(6, 200.0, 0.3, D6), FEM::SG_De(4, 200.0, 0.3, D4), FEM::SG_De(3, 200.0, 0.3, D3);
  // n = 4 (x, y, xy, z) and n = 3 (x, y, xy): their rows and columns of the n = 6 matrix.
  const int four[4] = {0, 1, 3, 2}, three[3] = {0, 1, 3};
  for (int i = 0; i < 36; ++i) EXPECT_NEAR(D6[i], lame[i], 1e-13) << i;
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(D4[i], lame[6 * four[i / 4] + four[i % 4]], 1e-13) << i;
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(D3[i], lame[6 * three[i / 3] + three[i % 3]], 1e-13) << i;
}

TEST(Invariants, AgainstPrincipalStressesOfRotatedTensors) {
  std::mt19937 rng(12345);
  for (int trial = 0; trial < 200; ++trial) {
    const double p[3] = {uniform(rng, -100, 100), uniform(rng, -100, 100), uniform(rng, -100, 100)};
    std::vector<double> s6(6);
    rotated_stress(rng, p, s6.data());
    const Inv v = invariants(s6), four = invariants({s6[0], s6[1], s6[3], s6[2]});  // x, y, xy, z
    const double m = (p[0] + p[1] + p[2]) / 3, d[3] = {p[0] - m, p[1] - m, p[2] - m};
    const double J2 = (d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) / 2, J3 = d[0] * d[1] * d[2];
    EXPECT_NEAR(v.sigma_m, m, 1e-12);
    EXPECT_NEAR(v.ds_bar, std::sqrt(3 * J2), 1e-10);
    EXPECT_NEAR(std::sin(3 * v.theta_Lode), -3 * std::sqrt(3.0) * J3 / (2 * std::pow(J2, 1.5)), 1e-8);
    EXPECT_NEAR(invariants({s6[0], s6[1], s6[2], s6[3], 0, 0}).theta_Lode, four.theta_Lode, 1e-10);
  }
  // Without deviatoric stress there is no Lode angle; PZ gives sqrt(J2).
  EXPECT_EQ(invariants({-100, -100, 0, -100}).theta_Lode, 0.0);
  EXPECT_EQ(invariants({0, 0, 0, 1, 0, 0}, true).ds_bar, 1.0);
}

TEST(YieldFunction, IsThePrincipalStressFormInAnyAxes) {
  // (sigma1 - sigma3)/2 + (sigma1 + sigma3)/2 sin(phi) - c cos(phi).
  std::mt19937 rng(2024);
  for (int trial = 0; trial < 500; ++trial) {
    const double p[3] = {uniform(rng, -200, 50), uniform(rng, -200, 50), uniform(rng, -200, 50)};
    const double Phi = uniform(rng, 0, 50), c = uniform(rng, 0, 20);
    const double s1 = std::max({p[0], p[1], p[2]}), s3 = std::min({p[0], p[1], p[2]});
    double s6[6];
    rotated_stress(rng, p, s6);
    const double F = (s1 - s3) / 2 + (s1 + s3) / 2 * std::sin(Phi * kDeg) - c * std::cos(Phi * kDeg);
    EXPECT_NEAR(FEM::MC_SG_F(s6, 6, Phi, c), F, 1e-9) << trial;
  }
}

TEST(MobilisedFrictionAngle, BoundsApplyOnlyWhenTheUpperExceedsTheLower) {
  // Hydrostatic: -atan(c / |p|) unbounded; tension beyond the upper bound; no stress and no cohesion:
  // nothing; with cohesion, +-90 for either sign of zero; a = 0 exactly: the root -acos(tau / c).
  double hydro[6] = {-100, -100, -100, 0, 0, 0}, tensile[6] = {10, 5, -5, 0, 0, 0}, zero[6] = {};
  double minus_zero[6] = {-0.0, -0.0, -0.0, -0.0, -0.0, -0.0}, shear[6] = {0, 0, 0, 3, 0, 0};
  const struct {
    double* s;
    double c, Phi_min, Phi_max, Phi;
  } cases[] = {{hydro, 10, 45, 0, -std::atan(0.1) / kDeg},
               {hydro, 10, 0, 45, 0},
               {hydro, 10, 20, 20, -std::atan(0.1) / kDeg},
               {tensile, 2, 45, 0, 90 + std::atan(0.8) / kDeg},
               {tensile, 2, 0, 45, 45},
               {zero, 0, 5, 45, 5},
               {zero, 0, 45, 5, 0},
               {minus_zero, 5, 10, 45, 10},
               {zero, 5, 45, 0, -90},
               {minus_zero, -5, 45, 0, 90},
               {shear, 5, 45, 0, -std::acos(0.6) / kDeg}};
  for (const auto& k : cases) EXPECT_NEAR(FEM::MC_SG_F_Phi(k.s, 6, k.c, k.Phi_min, k.Phi_max), k.Phi, 1e-10);
}

TEST(PotentialDerivatives, AgainstFiniteDifferencesAndTheConeThroughTheCorner) {
  std::mt19937 rng(5);
  int checked = 0;
  for (int trial = 0; trial < 300; ++trial) {
    const double p[3] = {uniform(rng, -100, 10), uniform(rng, -100, 10), uniform(rng, -100, 10)};
    const double Psi = uniform(rng, 0, 40), sin_psi = std::sin(Psi * kDeg);
    double s6[6], sm, ds, th, dq[3];
    rotated_stress(rng, p, s6);
    FEM::SG_SigInv(s6, 6, sm, ds, th);
    FEM::MC_SG_Qder(s6, 6, Psi, dq);
    EXPECT_NEAR(dq[0], sin_psi, 1e-15);
    if (std::fabs(std::sin(th)) > 0.49) {  // the corner s * 30 degrees: dq2 = (3/4 - s sin(psi)/4) / ds_bar
      EXPECT_TRUE(dq[2] == 0.0 &&
                  std::fabs(dq[1] - (0.75 + std::copysign(0.25, -th) * sin_psi) / ds) < 1e-15);
    } else if (std::fabs(std::sin(th)) < 0.45) {
      const double J2 = ds * ds / 3, J3 = -std::sin(3 * th) * 2 * std::pow(J2, 1.5) / (3 * std::sqrt(3.0));
      const double h2 = 1e-5 * J2, h3 = 1e-5 * std::pow(J2, 1.5);
      const double d2 =
          (potential_of_J2_J3(J2 + h2, J3, sin_psi) - potential_of_J2_J3(J2 - h2, J3, sin_psi)) / (2 * h2);
      const double d3 =
          (potential_of_J2_J3(J2, J3 + h3, sin_psi) - potential_of_J2_J3(J2, J3 - h3, sin_psi)) / (2 * h3);
      EXPECT_NEAR(dq[1], d2, 1e-6 * std::fabs(d2) + 1e-12) << trial;
      EXPECT_NEAR(dq[2], d3, 1e-6 * std::fabs(d3) + 1e-12) << trial;
      ++checked;
    }
  }
  EXPECT_GT(checked, 100);
}
