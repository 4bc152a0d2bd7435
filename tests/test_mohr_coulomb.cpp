// Mohr-Coulomb yield function, mobilised friction angle and potential derivatives.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "FEM.h"
#include "material_internal.h"
#include "material_samples.h"

using FiniteElementMethod::FEM;
namespace detail = FiniteElementMethod::detail;

namespace {

const double kPi = std::acos(-1.0);
const double kDeg = kPi / 180.0;

// (sigma1 - sigma3)/2 + (sigma1 + sigma3)/2 sin(phi) - c cos(phi), any order of p.
double principal_F(const double p[3], double Phi, double c) {
  const double s1 = std::max({p[0], p[1], p[2]});
  const double s3 = std::min({p[0], p[1], p[2]});
  return (s1 - s3) / 2 + (s1 + s3) / 2 * std::sin(Phi * kDeg) - c * std::cos(Phi * kDeg);
}

TEST(YieldFunction, WorkedValuesAndThePrincipalStressForm) {
  double zero[6] = {0, 0, 0, 0, 0, 0}, s[6] = {-10, -20, -50, 0, 0, 0};
  EXPECT_NEAR(FEM::MC_SG_F(zero, 6, 30.0, 5.0), -2.5 * std::sqrt(3.0), 1e-14);
  EXPECT_NEAR(FEM::MC_SG_F(s, 6, 30.0, 5.0), 0.670, 5e-4);
  th10test::Sampler rng(2024);
  for (int trial = 0; trial < 500; ++trial) {
    const double p[3] = {rng.uniform(-200, 50), rng.uniform(-200, 50), rng.uniform(-200, 50)};
    const double Phi = rng.uniform(0, 50), c = rng.uniform(0, 20);
    double s6[6];
    rng.rotated_stress(p, s6);
    EXPECT_NEAR(FEM::MC_SG_F(s6, 6, Phi, c), principal_F(p, Phi, c), 1e-9) << trial;
    // Four components (x, y, xy, z) match six with zero out-of-plane shears.
    double q6[6] = {s6[0], s6[1], s6[2], s6[3], 0, 0}, q4[4] = {s6[0], s6[1], s6[3], s6[2]};
    EXPECT_NEAR(FEM::MC_SG_F(q4, 4, Phi, c), FEM::MC_SG_F(q6, 6, Phi, c), 1e-11);
  }
}

TEST(MobilisedFrictionAngle, WorkedValues) {
  double s[6] = {-10, -20, -50, 0, 0, 0};
  const double Phi = FEM::MC_SG_F_Phi(s, 6, 5.0, 0.0, 45.0);
  EXPECT_NEAR(Phi, 31.7, 0.05);
  EXPECT_NEAR(FEM::MC_SG_F(s, 6, Phi, 5.0), 0.0, 1e-12);

  double hydro[6] = {-100, -100, -100, 0, 0, 0};
  const double unbounded = FEM::MC_SG_F_Phi(hydro, 6, 10.0, 45.0, 0.0);
  EXPECT_NEAR(unbounded, -std::atan(0.1) / kDeg, 1e-10);
  EXPECT_NEAR(unbounded, -5.71, 0.005);
  EXPECT_EQ(FEM::MC_SG_F_Phi(hydro, 6, 10.0, 0.0, 45.0), 0.0);
  EXPECT_EQ(FEM::MC_SG_F_Phi(hydro, 6, 10.0, 20.0, 20.0), unbounded);

  // Tension: a > 0, the formula's angle is not a root of F.
  double tensile[6] = {10, 5, -5, 0, 0, 0};
  const double t = FEM::MC_SG_F_Phi(tensile, 6, 2.0, 45.0, 0.0);
  EXPECT_NEAR(t, 129.0, 0.5);
  EXPECT_GT(std::fabs(FEM::MC_SG_F(tensile, 6, t, 2.0)), 1.0);
  EXPECT_EQ(FEM::MC_SG_F_Phi(tensile, 6, 2.0, 0.0, 45.0), 45.0);
}

TEST(MobilisedFrictionAngle, IsARootOfTheYieldFunctionInCompression) {
  th10test::Sampler rng(99);
  int roots = 0;
  for (int trial = 0; trial < 300; ++trial) {
    const double p[3] = {rng.uniform(-200, -1), rng.uniform(-200, -1), rng.uniform(-200, -1)};
    const double c = rng.uniform(0, 20);
    double s6[6];
    rng.rotated_stress(p, s6);
    const double Phi = FEM::MC_SG_F_Phi(s6, 6, c, 0.0, 45.0);
    ASSERT_GE(Phi, 0.0);
    ASSERT_LE(Phi, 45.0);
    const double F = FEM::MC_SG_F(s6, 6, Phi, c);
    if (Phi > 0.0 && Phi < 45.0) {
      EXPECT_NEAR(F, 0.0, 1e-9) << trial;
      ++roots;
    } else if (Phi == 0.0) {
      EXPECT_LT(F, 1e-9);  // inside the surface even without friction
    } else {
      EXPECT_GT(F, -1e-9);  // outside even at the upper bound
    }
  }
  EXPECT_GT(roots, 100);
}

TEST(MobilisedFrictionAngle, UnloadedPointsAndPureShear) {
  // No stress and no cohesion: the lower bound, or 0 when no bounds apply.
  double zero[6] = {0, 0, 0, 0, 0, 0}, minus_zero[6] = {-0.0, -0.0, -0.0, -0.0, -0.0, -0.0};
  EXPECT_EQ(FEM::MC_SG_F_Phi(zero, 6, 0.0, 5.0, 45.0), 5.0);
  EXPECT_EQ(FEM::MC_SG_F_Phi(zero, 6, 0.0, 45.0, 5.0), 0.0);
  // A zero stress with cohesion: the same result for +0 and -0.
  for (double* s : {zero, minus_zero}) {
    EXPECT_EQ(FEM::MC_SG_F_Phi(s, 6, 5.0, 10.0, 45.0), 10.0);
    EXPECT_EQ(FEM::MC_SG_F_Phi(s, 4, 5.0, 10.0, 45.0), 10.0);
    EXPECT_NEAR(FEM::MC_SG_F_Phi(s, 6, 5.0, 45.0, 0.0), -90.0, 1e-12);
    EXPECT_NEAR(FEM::MC_SG_F_Phi(s, 6, -5.0, 45.0, 0.0), 90.0, 1e-12);
  }
  // sigma1 = -sigma3 = 3 gives a = 0 exactly; the angle is the root
  // -acos(tau / c) of F = tau - c cos(phi).
  double shear[6] = {0, 0, 0, 3, 0, 0};
  const double Phi = FEM::MC_SG_F_Phi(shear, 6, 5.0, 45.0, 0.0);
  EXPECT_NEAR(Phi, -std::acos(0.6) / kDeg, 1e-10);
  EXPECT_NEAR(FEM::MC_SG_F(shear, 6, Phi, 5.0), 0.0, 1e-12);
  EXPECT_EQ(FEM::MC_SG_F_Phi(shear, 6, 5.0, 0.0, 45.0), 0.0);
}

TEST(MaterialFunctions, UnsupportedSizeUsesZeroInvariants) {
  double junk[6] = {1e3, -2e3, 7, 8, 9, 10};
  for (int n : {0, 3, 5}) {
    EXPECT_DOUBLE_EQ(FEM::MC_SG_F(junk, n, 30.0, 5.0), -5.0 * std::cos(30.0 * kDeg));
    EXPECT_EQ(FEM::MC_SG_F_Phi(junk, n, 5.0, 2.0, 45.0), 2.0);
    EXPECT_EQ(FEM::MC_SG_F_Phi(junk, n, 0.0, 2.0, 45.0), 2.0);
    double dq[3] = {-1, -1, -1};
    FEM::MC_SG_Qder(junk, n, 10.0, dq);
    EXPECT_DOUBLE_EQ(dq[0], std::sin(10.0 * kDeg));
    EXPECT_TRUE(dq[1] == 0.0 && dq[2] == 0.0);
  }
}

TEST(PotentialDerivatives, CornerValuesForUniaxialStress) {
  const double sin_psi = std::sin(10.0 * kDeg);
  double compression[6] = {-7, 0, 0, 0, 0, 0}, tension[4] = {0, 7, 0, 0}, dq[3];
  for (double side : {-1.0, 1.0}) {
    FEM::MC_SG_Qder(side < 0 ? compression : tension, side < 0 ? 6 : 4, 10.0, dq);
    EXPECT_DOUBLE_EQ(dq[0], sin_psi);
    EXPECT_NEAR(dq[1], (0.75 + side * sin_psi / 4) / 7.0, 1e-15);
    EXPECT_EQ(dq[2], 0.0);
  }
}

// Q = ds_bar (cos(theta)/sqrt(3) - sin(theta) sin(psi)/3) as a function of J2
// and J3 (the sigma_m term does not depend on them).
double potential_of_J2_J3(double J2, double J3, double sin_psi) {
  const double t = -3 * std::sqrt(3.0) * J3 / (2 * std::pow(J2, 1.5));
  const double theta = std::asin(t) / 3;
  return std::sqrt(3 * J2) * (std::cos(theta) / std::sqrt(3.0) - std::sin(theta) * sin_psi / 3);
}

TEST(PotentialDerivatives, SmoothZoneAgainstFiniteDifferences) {
  th10test::Sampler rng(5);
  int checked = 0;
  for (int trial = 0; trial < 300; ++trial) {
    const double p[3] = {rng.uniform(-100, 10), rng.uniform(-100, 10), rng.uniform(-100, 10)};
    const double Psi = rng.uniform(0, 40);
    double s6[6];
    rng.rotated_stress(p, s6);
    double sm, ds, th;
    FEM::SG_SigInv(s6, 6, sm, ds, th);
    if (std::fabs(std::sin(th)) > 0.45) continue;  // stay clear of the band
    double dq[3];
    FEM::MC_SG_Qder(s6, 6, Psi, dq);
    const double sin_psi = std::sin(Psi * kDeg);
    const double J2 = ds * ds / 3;
    const double J3 = -std::sin(3 * th) * 2 * std::pow(J2, 1.5) / (3 * std::sqrt(3.0));
    const double h2 = 1e-5 * J2, h3 = 1e-5 * std::pow(J2, 1.5);
    const double d2 =
        (potential_of_J2_J3(J2 + h2, J3, sin_psi) - potential_of_J2_J3(J2 - h2, J3, sin_psi)) / (2 * h2);
    const double d3 =
        (potential_of_J2_J3(J2, J3 + h3, sin_psi) - potential_of_J2_J3(J2, J3 - h3, sin_psi)) / (2 * h3);
    EXPECT_NEAR(dq[0], sin_psi, 1e-15);
    EXPECT_NEAR(dq[1], d2, 1e-6 * std::fabs(d2) + 1e-12) << trial;
    EXPECT_NEAR(dq[2], d3, 1e-6 * std::fabs(d3) + 1e-12) << trial;
    ++checked;
  }
  EXPECT_GT(checked, 100);
}

TEST(PotentialDerivatives, CornerBandStartsStrictlyAbove049) {
  // The largest Lode angle with sin(theta) <= 0.49 takes the smooth branch
  // (dq3 != 0), the next larger angle the corner branch (dq3 == 0), on both
  // sides. (No double theta has a sine of exactly 0.49.)
  double below = std::asin(0.49);
  while (std::sin(below) > 0.49) below = std::nextafter(below, 0.0);
  while (std::sin(std::nextafter(below, 1.0)) <= 0.49) below = std::nextafter(below, 1.0);
  const double above = std::nextafter(below, 1.0);
  ASSERT_LE(std::sin(below), 0.49);
  ASSERT_GT(std::sin(above), 0.49);
  for (double sign : {1.0, -1.0}) {
    double dq1, dq2, dq3;
    detail::MC_Qder(20.0, 50.0, sign * below, &dq1, &dq2, &dq3);
    EXPECT_NE(dq3, 0.0);
    detail::MC_Qder(20.0, 50.0, sign * above, &dq1, &dq2, &dq3);
    EXPECT_EQ(dq3, 0.0);
    const double s_sin_psi = sign * std::sin(20.0 * kDeg);
    EXPECT_NEAR(dq2, (0.75 - s_sin_psi / 4) / 50.0, 1e-15);
  }
}

}  // namespace
