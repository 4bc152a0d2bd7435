// Elasto-plastic matrix: gradients, plastic and elasto-plastic matrices.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "FEM.h"
#include "material_internal.h"
#include "material_samples.h"

using FiniteElementMethod::FEM;
namespace detail = FiniteElementMethod::detail;

namespace {

const double kPi = std::acos(-1.0);
const double kDeg = kPi / 180.0;

struct Tangent {
  double Dp[36];
  double Dep[36];
};

Tangent dep6(double* sig, double Phi, double Psi, double* De, double c = 5.0) {
  Tangent t;
  FEM::MC_SG_Dep(sig, 6, Phi, Psi, c, De, t.Dp, t.Dep);
  return t;
}

// Principal stresses sigma_m + (2r/sqrt(3)) sin(theta + 2pi/3, theta, theta - 2pi/3):
// Lode angle theta in the convention theta = +pi/6 at sigma1 = sigma2.
void principal_at_lode(double sigma_m, double r, double theta, double p[3]) {
  const double k = 2.0 * r / std::sqrt(3.0);
  p[0] = sigma_m + k * std::sin(theta + 2 * kPi / 3);
  p[1] = sigma_m + k * std::sin(theta);
  p[2] = sigma_m + k * std::sin(theta - 2 * kPi / 3);
}

// Tolerance of a value quoted to three significant digits.
double half_unit_of_third_digit(double x) {
  return 0.5 * std::pow(10.0, std::floor(std::log10(std::fabs(x))) - 2);
}

// Central differences of f with respect to each stress component.
void numerical_gradient(const std::function<double(const double*)>& f, const double* sig, double* g) {
  const double h = 1e-5;
  for (int i = 0; i < 6; ++i) {
    double sp[6], sm[6];
    for (int k = 0; k < 6; ++k) sp[k] = sm[k] = sig[k];
    sp[i] += h;
    sm[i] -= h;
    g[i] = (f(sp) - f(sm)) / (2 * h);
  }
}

void expect_elastic(int n, const double* De, const double* Dp, const double* Dep) {
  for (int k = 0; k < n * n; ++k) {
    EXPECT_EQ(Dp[k], 0.0) << k;
    EXPECT_EQ(Dep[k], De[k]) << k;
  }
}

class ElastoPlastic : public ::testing::Test {
 protected:
  void SetUp() override { FEM::SG_De(6, 1000.0, 0.25, De); }
  double H(const double* dfds, const double* dqds) const {
    double h = 0;
    for (int i = 0; i < 6; ++i)
      for (int j = 0; j < 6; ++j) h += dfds[i] * De[i * 6 + j] * dqds[j];
    return h;
  }
  double De[36];
};

TEST_F(ElastoPlastic, WorkedValuesSmoothZone) {
  double sig[6] = {-100, -50, -20, 10, 5, -8};
  double sm, ds, th;
  FEM::SG_SigInv(sig, 6, sm, ds, th);
  EXPECT_NEAR(th / kDeg, 9.58, 0.005);
  double dfds[6], dqds[6];
  ASSERT_EQ(detail::MC_Gradients(6, 30.0, 10.0, sig, dfds, dqds), detail::kSmoothZone);
  const double f[6] = {-0.233, 0.00358, 0.729, 0.0788, 0.206, -0.172};
  const double q[6] = {-0.389, -0.00543, 0.568, 0.144, 0.170, -0.179};
  for (int i = 0; i < 6; ++i) {
    EXPECT_NEAR(dfds[i], f[i], half_unit_of_third_digit(f[i])) << i;
    EXPECT_NEAR(dqds[i], q[i], half_unit_of_third_digit(q[i])) << i;
  }
  EXPECT_NEAR(H(dfds, dqds), 469, 0.5);
  const Tangent t = dep6(sig, 30.0, 10.0, De);
  EXPECT_NEAR(t.Dp[0], -7.08, 0.005);
  EXPECT_NEAR(t.Dp[1], -104, 0.5);
  EXPECT_NEAR(t.Dp[6], 1.91, 0.005);
  for (int k = 0; k < 36; ++k) EXPECT_EQ(t.Dep[k], De[k] - t.Dp[k]);
  // Cohesion does not enter.
  const Tangent a = dep6(sig, 30.0, 10.0, De, 0.0), b = dep6(sig, 30.0, 10.0, De, 250.0);
  for (int k = 0; k < 36; ++k) EXPECT_EQ(a.Dep[k], b.Dep[k]);
}

TEST_F(ElastoPlastic, WorkedValuesCornerZone) {
  double sig[6] = {-100, -100, -20, 0, 0, 0};
  double dfds[6], dqds[6], sin_theta;
  ASSERT_EQ(detail::MC_Gradients(6, 30.0, 10.0, sig, dfds, dqds, &sin_theta), detail::kCornerZone);
  EXPECT_NEAR(sin_theta, -0.5, 1e-7);  // theta = -30 degrees, corner sign -1
  const double f[6] = {-0.125, -0.125, 0.75, 0, 0, 0};
  const double q[3] = {-0.207, -0.207, 0.587};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(dfds[i], f[i], 1e-12) << i;
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(dqds[i], q[i], 5e-4) << i;
  EXPECT_NEAR(H(dfds, dqds), 428, 0.5);
  const Tangent t = dep6(sig, 30.0, 10.0, De);
  for (int k : {0, 1, 6}) EXPECT_NEAR(t.Dp[k], -22.4, 0.05);
  for (int i = 0; i < 6; ++i)
    for (int j = 3; j < 6; ++j) EXPECT_TRUE(t.Dp[i * 6 + j] == 0.0 && t.Dp[j * 6 + i] == 0.0) << i << j;
}

TEST_F(ElastoPlastic, SmoothZoneGradientsAgainstFiniteDifferences) {
  th10test::Sampler rng(31);
  int checked = 0;
  for (int trial = 0; trial < 300; ++trial) {
    const double p[3] = {rng.uniform(-150, 20), rng.uniform(-150, 20), rng.uniform(-150, 20)};
    double sig[6];
    rng.rotated_stress(p, sig);
    const double Phi = rng.uniform(5, 45), Psi = rng.uniform(0, Phi);
    double dfds[6], dqds[6], sin_theta;
    if (detail::MC_Gradients(6, Phi, Psi, sig, dfds, dqds, &sin_theta) != detail::kSmoothZone) continue;
    if (std::fabs(sin_theta) > 0.47) continue;  // finite steps must not cross into the band
    double gf[6], gq[6];
    // Q is F with psi, without cohesion.
    numerical_gradient([&](const double* s) { return FEM::MC_SG_F(const_cast<double*>(s), 6, Phi, 7.0); },
                       sig, gf);
    numerical_gradient([&](const double* s) { return FEM::MC_SG_F(const_cast<double*>(s), 6, Psi, 0.0); },
                       sig, gq);
    for (int i = 0; i < 6; ++i) {
      EXPECT_NEAR(dfds[i], gf[i], 1e-7) << trial << " " << i;
      EXPECT_NEAR(dqds[i], gq[i], 1e-7) << trial << " " << i;
    }
    ++checked;
  }
  EXPECT_GT(checked, 150);
}

TEST_F(ElastoPlastic, CornerZoneGradientIsTheConeThroughTheCorner) {
  // G = sigma_m sin(X) + sqrt(J2) (3 - s sin(X)) / (2 sqrt(3)), differentiated numerically.
  th10test::Sampler rng(8);
  for (double corner : {1.0, -1.0}) {
    for (int trial = 0; trial < 20; ++trial) {
      double p[3], sig[6], dfds[6], dqds[6], sin_theta;
      principal_at_lode(rng.uniform(-100, 0), rng.uniform(5, 50), corner * rng.uniform(0.515, 0.5235), p);
      rng.rotated_stress(p, sig);
      ASSERT_EQ(detail::MC_Gradients(6, 35.0, 5.0, sig, dfds, dqds, &sin_theta), detail::kCornerZone);
      ASSERT_EQ(sin_theta > 0, corner > 0);
      for (double X : {35.0, 5.0}) {
        const double sX = std::sin(X * kDeg);
        auto cone = [&](const double* s) {
          const double m = (s[0] + s[1] + s[2]) / 3;
          const double J2 = ((s[0] - s[1]) * (s[0] - s[1]) + (s[1] - s[2]) * (s[1] - s[2]) +
                             (s[2] - s[0]) * (s[2] - s[0])) /
                                6 +
                            s[3] * s[3] + s[4] * s[4] + s[5] * s[5];
          return m * sX + std::sqrt(J2) * (3 - corner * sX) / (2 * std::sqrt(3.0));
        };
        double g[6];
        numerical_gradient(cone, sig, g);
        for (int i = 0; i < 6; ++i) EXPECT_NEAR(X == 35.0 ? dfds[i] : dqds[i], g[i], 1e-7);
      }
    }
  }
}

// Samples of both zones: random rotated stresses and stresses next to the corners.
template <class Check>
void for_each_sample(Check check) {
  th10test::Sampler rng(404);
  for (int trial = 0; trial < 200; ++trial) {
    double p[3];
    if (trial % 2 == 0) {
      for (double& x : p) x = rng.uniform(-150, 20);
    } else {
      const double side = (trial % 4 == 1) ? 1.0 : -1.0;
      principal_at_lode(rng.uniform(-100, 0), rng.uniform(1, 50), side * rng.uniform(0.5, kPi / 6), p);
    }
    double sig[6];
    rng.rotated_stress(p, sig);
    check(sig, rng.uniform(10, 45), rng.uniform(0, 20));
  }
}

TEST_F(ElastoPlastic, TangentAnnihilatesFlowAndNormalAssociatedIsSymmetricNoDilatancyNoVolumeChange) {
  int zones[3] = {0, 0, 0};
  for_each_sample([&](double* sig, double Phi, double Psi) {
    double dfds[6], dqds[6];
    ++zones[detail::MC_Gradients(6, Phi, Psi, sig, dfds, dqds)];
    Tangent t = dep6(sig, Phi, Psi, De);
    for (int i = 0; i < 6; ++i) {
      double row = 0, col = 0;
      for (int j = 0; j < 6; ++j) row += t.Dep[i * 6 + j] * dqds[j], col += dfds[j] * t.Dep[j * 6 + i];
      EXPECT_NEAR(row, 0.0, 1e-11);
      EXPECT_NEAR(col, 0.0, 1e-11);
    }
    // Associated flow: the same gradients, exactly symmetric matrices.
    detail::MC_Gradients(6, Phi, Phi, sig, dfds, dqds);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(dfds[i], dqds[i]);
    t = dep6(sig, Phi, Phi, De);
    for (int i = 0; i < 6; ++i)
      for (int j = 0; j < i; ++j)
        EXPECT_TRUE(t.Dp[i * 6 + j] == t.Dp[j * 6 + i] && t.Dep[i * 6 + j] == t.Dep[j * 6 + i]);
    // No dilatancy: no volumetric flow.
    detail::MC_Gradients(6, Phi, 0.0, sig, dfds, dqds);
    EXPECT_NEAR(dqds[0] + dqds[1] + dqds[2], 0.0, 1e-12);
    EXPECT_GT(std::fabs(dfds[0] + dfds[1] + dfds[2]), 0.1);
  });
  EXPECT_GT(zones[detail::kSmoothZone], 50);
  EXPECT_GT(zones[detail::kCornerZone], 50);
}

TEST_F(ElastoPlastic, FourComponentsMatchSixWithZeroOutOfPlaneShears) {
  double De4[16];
  FEM::SG_De(4, 1000.0, 0.25, De4);
  const int six_of_four[4] = {0, 1, 3, 2};  // x, y, xy, z
  th10test::Sampler rng(4);
  for (int trial = 0; trial < 100; ++trial) {
    double sig6[6] = {
        rng.uniform(-100, 10), rng.uniform(-100, 10), rng.uniform(-100, 10), rng.uniform(-30, 30), 0, 0};
    if (trial % 3 == 0) sig6[1] = sig6[0], sig6[3] = 0.0;  // axisymmetric: a corner
    double sig4[4] = {sig6[0], sig6[1], sig6[3], sig6[2]};
    const Tangent t6 = dep6(sig6, 30.0, 10.0, De);
    double Dp4[16], Dep4[16];
    FEM::MC_SG_Dep(sig4, 4, 30.0, 10.0, 5.0, De4, Dp4, Dep4);
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) {
        const int k6 = six_of_four[i] * 6 + six_of_four[j];
        EXPECT_NEAR(Dp4[i * 4 + j], t6.Dp[k6], 1e-11 * (1 + std::fabs(t6.Dp[k6])));
        EXPECT_NEAR(Dep4[i * 4 + j], t6.Dep[k6], 1e-11 * (1 + std::fabs(t6.Dep[k6])));
      }
  }
}

TEST_F(ElastoPlastic, CornerBandStartsStrictlyAbove049OnBothSides) {
  // Stresses one ulp apart around sin(theta) = 0.49: up to 0.49 is the smooth
  // zone, anything above the corner zone. Negating a stress negates sin(theta).
  double p[3];
  principal_at_lode(-50.0, 30.0, std::asin(0.49), p);
  double max_smooth = 0.0, min_corner = 1.0;
  for (int k0 = -12; k0 <= 12; ++k0)
    for (int k1 = -12; k1 <= 12; ++k1) {
      double sig[6] = {p[0], p[1], p[2], 0, 0, 0};
      for (int k = 0; k < std::abs(k0); ++k) sig[0] = std::nextafter(sig[0], k0 > 0 ? 1e9 : -1e9);
      for (int k = 0; k < std::abs(k1); ++k) sig[1] = std::nextafter(sig[1], k1 > 0 ? 1e9 : -1e9);
      double neg[6], dfds[6], dqds[6], s_pos, s_neg;
      for (int i = 0; i < 6; ++i) neg[i] = -sig[i];
      const detail::GradientZone z_pos = detail::MC_Gradients(6, 30.0, 10.0, sig, dfds, dqds, &s_pos);
      const detail::GradientZone z_neg = detail::MC_Gradients(6, 30.0, 10.0, neg, dfds, dqds, &s_neg);
      ASSERT_EQ(s_neg, -s_pos);
      const detail::GradientZone expected = (s_pos > 0.49) ? detail::kCornerZone : detail::kSmoothZone;
      EXPECT_EQ(z_pos, expected);
      EXPECT_EQ(z_neg, expected);
      if (s_pos > 0.49) min_corner = std::fmin(min_corner, s_pos);
      if (s_pos <= 0.49) max_smooth = std::fmax(max_smooth, s_pos);
    }
  // Both sides were sampled next to the boundary: near the corner sin(3 theta)
  // varies slowly with sin(theta), so the finest step of sin(theta) that a
  // stress can make is about 1e-15.
  EXPECT_GT(max_smooth, 0.49 - 2e-15);
  EXPECT_LT(min_corner, 0.49 + 2e-15);
}

TEST_F(ElastoPlastic, GuardsGiveTheElasticMatrix) {
  // No deviatoric stress (6 and 4 components).
  double zero[6] = {0, 0, 0, 0, 0, 0}, hydro[6] = {-100, -100, -100, 0, 0, 0},
         tiny[6] = {1e-12, 0, 0, 0, 0, 0};
  for (double* sig : {zero, hydro, tiny}) {
    const Tangent t = dep6(sig, 30.0, 10.0, De);
    expect_elastic(6, De, t.Dp, t.Dep);
  }
  double De4[16], Dp4[16], Dep4[16], hydro4[4] = {-100, -100, 0, -100};
  FEM::SG_De(4, 1000.0, 0.25, De4);
  FEM::MC_SG_Dep(hydro4, 4, 30.0, 10.0, 5.0, De4, Dp4, Dep4);
  expect_elastic(4, De4, Dp4, Dep4);
  // Denominator zero or not finite.
  double sig[6] = {-100, -50, -20, 10, 5, -8};
  double zero_De[36] = {}, nan_De[36];
  Tangent t = dep6(sig, 30.0, 10.0, zero_De);
  expect_elastic(6, zero_De, t.Dp, t.Dep);
  for (int k = 0; k < 36; ++k) nan_De[k] = De[k];
  nan_De[7] = std::nan("");
  t = dep6(sig, 30.0, 10.0, nan_De);
  for (int k = 0; k < 36; ++k) EXPECT_EQ(t.Dp[k], 0.0);
  // Sizes 1 <= n <= 6 without gradients: Dp = 0, Dep = De over n x n entries;
  // beyond that range nothing is written.
  for (int n : {1, 2, 3, 5, 0, -1, 7}) {
    double Dp[49], Dep[49], D[49];
    for (int k = 0; k < 49; ++k) Dp[k] = Dep[k] = D[k] = -7.0;
    for (int k = 0; k < 36; ++k) D[k] = De[k];
    FEM::MC_SG_Dep(sig, n, 30.0, 10.0, 5.0, D, Dp, Dep);
    const int size = (n >= 1 && n <= 6) ? n : 0;
    expect_elastic(size, D, Dp, Dep);
    for (int k = size * size; k < 49; ++k) EXPECT_EQ(Dp[k] + Dep[k], -14.0) << n << " " << k;
  }
}

TEST_F(ElastoPlastic, FiniteInputsGiveFiniteOutputs) {
  // Moduli and stresses at the ends of the double range: no infinity or NaN leaves.
  double sig[6] = {-100, -50, -20, 10, 5, -8};
  double huge_sig[6] = {-1e200, -5e199, -2e199, 1e199, 5e198, -8e198};
  for (double scale : {1e-300, 1e150, 1e200, 1e300, 1e305}) {
    double D[36];
    for (int k = 0; k < 36; ++k) D[k] = De[k] * scale;
    for (double* s : {sig, huge_sig}) {
      const Tangent t = dep6(s, 30.0, 10.0, D);
      for (int k = 0; k < 36; ++k)
        EXPECT_TRUE(std::isfinite(t.Dp[k]) && std::isfinite(t.Dep[k])) << scale << " " << k;
    }
  }
}

TEST_F(ElastoPlastic, ProductsWithoutTheMatricesMatchTheMatrices) {
  // Dep v and Dp v formed from the gradients agree with the matrices times v:
  // smooth and corner zones, the elastic fall-backs and moduli so large that
  // the entries must be looked at.
  th10test::Sampler rng(11);
  const double v[6] = {2e-4, -1e-4, -3e-4, 1.5e-4, -0.5e-4, 1e-4};
  double D_huge[36], D_zero[36] = {};
  for (int k = 0; k < 36; ++k) D_huge[k] = De[k] * 2e304;
  for (int trial = 0; trial < 60; ++trial) {
    double p[3] = {rng.uniform(-200, 20), rng.uniform(-200, 20), rng.uniform(-200, 20)};
    if (trial % 3 == 1) p[1] = p[0];  // Lode angle at a corner
    if (trial == 2) p[0] = p[1] = p[2] = -50.0;
    double sig[6];
    rng.rotated_stress(p, sig);
    const double Phi = rng.uniform(5, 45), Psi = rng.uniform(0, 20);
    const double* D = (trial == 4) ? D_huge : (trial == 5) ? D_zero : De;
    double Dcopy[36];
    for (int k = 0; k < 36; ++k) Dcopy[k] = D[k];
    const Tangent t = dep6(sig, Phi, Psi, Dcopy);
    double Dep_v[6], Dp_v[6], Dep_v_only[6];
    detail::MC_Dep_times(detail::sin_of_degrees(Phi), detail::sin_of_degrees(Psi), D, sig, v, Dep_v, Dp_v);
    detail::MC_Dep_times(detail::sin_of_degrees(Phi), detail::sin_of_degrees(Psi), D, sig, v, Dep_v_only,
                         nullptr);
    for (int i = 0; i < 6; ++i) {
      double ep = 0.0, pp = 0.0, scale = 0.0;
      for (int j = 0; j < 6; ++j) {
        ep += t.Dep[6 * i + j] * v[j];
        pp += t.Dp[6 * i + j] * v[j];
        scale += std::fabs(D[6 * i + j] * v[j]) + std::fabs(t.Dp[6 * i + j] * v[j]);
      }
      EXPECT_NEAR(Dep_v[i], ep, 1e-13 * scale) << trial << " " << i;
      EXPECT_NEAR(Dp_v[i], pp, 1e-13 * scale) << trial << " " << i;
      EXPECT_EQ(Dep_v_only[i], Dep_v[i]);
      EXPECT_TRUE(std::isfinite(Dep_v[i]) && std::isfinite(Dp_v[i])) << trial;
      if (trial == 2 || trial == 5) {
        EXPECT_EQ(Dp_v[i], 0.0);
      }
    }
  }
}

}  // namespace
