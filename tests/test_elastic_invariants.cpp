// Elastic matrix and stress invariants.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "FEM.h"
#include "material_samples.h"

using FiniteElementMethod::FEM;

namespace {

const double kPi = std::acos(-1.0);

TEST(ElasticMatrix, LayoutsOfSixFourAndThreeComponents) {
  // A uniaxial strain ex gives sx = (1-nu)k ex, sy = sz = nu k ex; the shear
  // diagonal is the shear modulus E / (2(1 + nu)) = k (1 - 2 nu) / 2.
  const double E = 200.0, nu = 0.3, k = E / ((1 + nu) * (1 - 2 * nu));
  const double a = (1 - nu) * k, b = nu * k, g = 0.5 * k * (1 - 2 * nu);
  double D6[36], D4[16], D3[9], D5[25], D1[36];
  std::fill(D5, D5 + 25, 7.0);
  std::fill(D1, D1 + 36, 7.0);
  FEM::SG_De(6, E, nu, D6);
  FEM::SG_De(4, E, nu, D4);
  FEM::SG_De(3, E, nu, D3);
  FEM::SG_De(5, E, nu, D5);  // unsupported: all zero
  FEM::SG_De(6, 1.0, 0.0, D1);
  const double diag1[6] = {1, 1, 1, 0.5, 0.5, 0.5};
  for (int i = 0; i < 6; ++i)
    for (int j = 0; j < 6; ++j) {
      EXPECT_EQ(D1[i * 6 + j], i == j ? diag1[i] : 0.0) << i << "," << j;
      const double expected = i >= 3 || j >= 3 ? (i == j ? g : 0.0) : (i == j ? a : b);
      EXPECT_NEAR(D6[i * 6 + j], expected, 1e-13) << i << "," << j;
    }
  // Order x, y, xy, z: the shear at (2,2), the z coupling in row/column 3.
  const double expected4[16] = {a, b, 0, b, b, a, 0, b, 0, 0, g, 0, b, b, 0, a};
  const double expected3[9] = {a, b, 0, b, a, 0, 0, 0, g};
  for (int i = 0; i < 16; ++i) EXPECT_DOUBLE_EQ(D4[i], expected4[i]) << i;
  for (int i = 0; i < 9; ++i) EXPECT_DOUBLE_EQ(D3[i], expected3[i]) << i;
  for (double d : D5) EXPECT_EQ(d, 0.0);
}

struct Inv {
  double sigma_m = -1, ds_bar = -1, theta_Lode = -1;
};

Inv sg(double* s, int n) {
  Inv v;
  FEM::SG_SigInv(s, n, v.sigma_m, v.ds_bar, v.theta_Lode);
  return v;
}

TEST(Invariants, WorkedValuesAndTheLodeAngleSignConvention) {
  // Tension positive: uniaxial tension sits at -pi/6, compression at +pi/6
  // (also two larger principal stresses equal), pure shear at 0; no
  // deviatoric stress has no Lode angle.
  struct Case {
    std::vector<double> s;
    double sigma_m, ds_bar, theta;
  };
  const double nan = std::nan("");  // not checked
  const Case cases[] = {
      {{0, 0, 0, 0, 0, 0}, 0.0, 0.0, 0.0},
      {{-100, -100, -100, 0, 0, 0}, -100.0, 0.0, 0.0},
      {{-100, -100, 0, -100}, -100.0, 0.0, 0.0},
      {{1, 0, 0, 0, 0, 0}, 1.0 / 3.0, 1.0, -kPi / 6},
      {{-1, 0, 0, 0, 0, 0}, nan, nan, kPi / 6},
      {{0, -1, 0, 0}, nan, nan, kPi / 6},
      {{0, 0, 0, 1, 0, 0}, 0.0, std::sqrt(3.0), 0.0},
      {{-50, -50, -200, 0, 0, 0}, nan, nan, kPi / 6},
  };
  for (const Case& c : cases) {
    std::vector<double> s = c.s;
    const Inv v = sg(s.data(), static_cast<int>(s.size()));
    SCOPED_TRACE(testing::Message() << c.s[0] << " " << c.s[1] << " " << c.s[2] << " " << c.s[3]);
    EXPECT_TRUE(std::isnan(c.sigma_m) || std::fabs(v.sigma_m - c.sigma_m) <= 1e-14) << v.sigma_m;
    EXPECT_TRUE(std::isnan(c.ds_bar) || std::fabs(v.ds_bar - c.ds_bar) <= 1e-14) << v.ds_bar;
    EXPECT_TRUE(c.ds_bar != 0.0 || (v.ds_bar == 0.0 && v.theta_Lode == 0.0));
    EXPECT_NEAR(v.theta_Lode, c.theta, 1e-7);
  }
}

TEST(Invariants, FourComponentsMatchSixWithZeroOutOfPlaneShears) {
  double s4[4] = {10, -20, 5, 30};
  double s6[6] = {10, -20, 30, 5, 0, 0};
  const Inv a = sg(s4, 4), b = sg(s6, 6);
  EXPECT_DOUBLE_EQ(a.sigma_m, 20.0 / 3.0);
  EXPECT_NEAR(a.ds_bar, 44.4, 0.05);
  EXPECT_NEAR(a.theta_Lode, 0.140, 5e-4);
  EXPECT_NEAR(a.sigma_m, b.sigma_m, 1e-13);
  EXPECT_NEAR(a.ds_bar, b.ds_bar, 1e-12);
  EXPECT_NEAR(a.theta_Lode, b.theta_Lode, 1e-13);
}

TEST(Invariants, AgainstPrincipalStressesOfRotatedTensors) {
  // sigma_m, sqrt(3 J2) and sin(3 theta) from the principal values directly.
  th10test::Sampler rng(12345);
  for (int trial = 0; trial < 200; ++trial) {
    const double p[3] = {rng.uniform(-100, 100), rng.uniform(-100, 100), rng.uniform(-100, 100)};
    double s6[6];
    rng.rotated_stress(p, s6);
    const Inv v = sg(s6, 6);
    const double m = (p[0] + p[1] + p[2]) / 3;
    const double d[3] = {p[0] - m, p[1] - m, p[2] - m};
    const double J2 = (d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) / 2;
    const double J3 = d[0] * d[1] * d[2];
    EXPECT_NEAR(v.sigma_m, m, 1e-12);
    EXPECT_NEAR(v.ds_bar, std::sqrt(3 * J2), 1e-10);
    EXPECT_NEAR(std::sin(3 * v.theta_Lode), -3 * std::sqrt(3.0) * J3 / (2 * std::pow(J2, 1.5)), 1e-8);
  }
}

TEST(Invariants, PZScalesTheDeviatoricInvariant) {
  double tension[6] = {1, 0, 0, 0, 0, 0};
  Inv p;
  FEM::PZ_SigInv(tension, 6, p.sigma_m, p.ds_bar, p.theta_Lode);
  const Inv s = sg(tension, 6);
  EXPECT_NEAR(p.ds_bar, 1.0 / std::sqrt(3.0), 1e-15);
  EXPECT_EQ(p.sigma_m, s.sigma_m);
  EXPECT_EQ(p.theta_Lode, s.theta_Lode);
}

TEST(Invariants, ThresholdAtExactly1em10IsNotBelow) {
  // Walk a uniaxial tension up in steps of one ulp across ds_bar = 1e-10: below
  // the threshold there is no Lode angle, at exactly 1e-10 it is computed.
  double s = 1e-10;
  for (int k = 0; k < 100; ++k) s = std::nextafter(s, 0.0);
  bool found = false;
  for (int k = 0; k < 200 && !found; ++k, s = std::nextafter(s, 1.0)) {
    double t[6] = {s, 0, 0, 0, 0, 0};
    const Inv v = sg(t, 6);
    if (v.ds_bar < 1e-10) {
      EXPECT_EQ(v.theta_Lode, 0.0);
    } else if (v.ds_bar == 1e-10) {
      found = true;
      EXPECT_NEAR(v.theta_Lode, -kPi / 6, 1e-7);
    }
  }
  EXPECT_TRUE(found);
}

TEST(Invariants, UnsupportedSizeLeavesOutputsUntouched) {
  double s[6] = {1, 2, 3, 4, 5, 6};
  for (int n : {3, 5, 0}) {
    Inv v = sg(s, n);
    EXPECT_EQ(v.sigma_m, -1.0);
    EXPECT_EQ(v.ds_bar, -1.0);
    EXPECT_EQ(v.theta_Lode, -1.0);
    Inv p;
    FEM::PZ_SigInv(s, n, p.sigma_m, p.ds_bar, p.theta_Lode);
    EXPECT_EQ(p.sigma_m, -1.0);
    EXPECT_EQ(p.ds_bar, -1.0);
    EXPECT_EQ(p.theta_Lode, -1.0);
  }
}

}  // namespace
