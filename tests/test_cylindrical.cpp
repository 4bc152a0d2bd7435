// Cylindrical components of vectors, stresses in turned axes, principal stresses.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

#include "FEM.h"
#include "angles.h"
#include "material_samples.h"

using FiniteElementMethod::FEM;
using FiniteElementMethod::detail::kPi;
using FiniteElementMethod::detail::polar_angle;

namespace {

using Vec3 = std::array<double, 3>;
using Vec6 = std::array<double, 6>;
using Mat3 = std::array<double, 9>;

Mat3 tensor(const Vec6& s) {
  return {s[0], s[3], s[5], s[3], s[1], s[4], s[5], s[4], s[2]};
}
Vec6 vec6_of(const Mat3& A) {
  return {A[0], A[4], A[8], A[1], A[5], A[2]};
}
double trace(const Mat3& A) {
  return A[0] + A[4] + A[8];
}

double det(const Mat3& A) {
  return A[0] * (A[4] * A[8] - A[5] * A[7]) - A[1] * (A[3] * A[8] - A[5] * A[6]) +
         A[2] * (A[3] * A[7] - A[4] * A[6]);
}

// Q A Q^T.
Mat3 rotate(const Mat3& Q, const Mat3& A) {
  Mat3 R{};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      for (int k = 0; k < 3; ++k)
        for (int l = 0; l < 3; ++l) R[3 * i + j] += Q[3 * i + k] * A[3 * k + l] * Q[3 * j + l];
  return R;
}

Vec6 random_stress(std::mt19937& gen, double scale) {
  std::uniform_real_distribution<double> u(-scale, scale);
  return {u(gen), u(gen), u(gen), u(gen), u(gen), u(gen)};
}

// Roots of the characteristic cubic of the symmetric A, largest first, by the
// trigonometric method: A = q I + p B with det(B - t I) = 0 solved as
// t = 2 cos(phi + 2 pi k / 3), cos(3 phi) = det(B) / 2.
Vec3 cubic_roots(const Mat3& A) {
  const double q = trace(A) / 3.0;
  Mat3 B = A;
  for (int i = 0; i < 3; ++i) B[4 * i] -= q;
  double J2 = 0.0;
  for (double v : B) J2 += v * v / 2.0;
  const double p = std::sqrt(J2 / 3.0);
  if (p == 0.0) return {q, q, q};
  for (double& v : B) v /= p;
  const double phi = std::acos(std::clamp(det(B) / 2.0, -1.0, 1.0)) / 3.0;
  Vec3 roots = {q + 2 * p * std::cos(phi), q + 2 * p * std::cos(phi + 2 * kPi / 3),
                q + 2 * p * std::cos(phi + 4 * kPi / 3)};
  std::sort(roots.begin(), roots.end(), [](double a, double b) { return a > b; });
  return roots;
}

template <std::size_t N>
void expect_near(const std::array<double, N>& got, const std::array<double, N>& want, double tol) {
  for (std::size_t i = 0; i < N; ++i) EXPECT_NEAR(got[i], want[i], tol) << "component " << i;
}

Vec3 cyl3(double x, double y, Vec3 v) {
  Vec3 out{};
  FEM::Cart2Cyl3(x, y, v.data(), out.data());
  return out;
}

Vec6 cyl6(double x, double y, Vec6 s) {
  Vec6 out{};
  FEM::Cart2Cyl6(x, y, s.data(), out.data());
  return out;
}

}  // namespace

TEST(PolarAngle, ExactComparisonsOnTheAxesAndAtan2Elsewhere) {
  EXPECT_EQ(polar_angle(0.0, 0.0), 0.0);
  EXPECT_EQ(polar_angle(-0.0, -0.0), 0.0);
  EXPECT_EQ(polar_angle(0.0, 2.0), kPi / 2);
  EXPECT_EQ(polar_angle(-0.0, -2.0), -kPi / 2);
  EXPECT_EQ(polar_angle(-3.0, 0.0), kPi);
  EXPECT_EQ(polar_angle(-3.0, -0.0), kPi);  // atan2 would give -pi here
  EXPECT_EQ(polar_angle(3.0, -0.0), 0.0);
  // No tolerance: the tiniest x is off the axis.
  EXPECT_NEAR(polar_angle(1e-300, 1.0), kPi / 2, 1e-15);
  EXPECT_NEAR(polar_angle(-1e-300, -1.0), -kPi / 2, 1e-15);
  std::mt19937 gen(11);
  std::uniform_real_distribution<double> u(-10.0, 10.0);
  for (int i = 0; i < 1000; ++i) {
    const double x = u(gen), y = u(gen);
    EXPECT_NEAR(polar_angle(x, y), std::atan2(y, x), 1e-15) << x << ", " << y;
  }
}

TEST(Cart2Cyl, WorkedPoints) {
  // Vectors turn by +theta, tensors by -theta; on the z axis and the positive
  // x axis the input is kept exactly.
  struct Case {
    double x, y;
    Vec3 v, v_cyl;
    Vec6 s, s_cyl;
  };
  const Vec3 v = {1, 2, 3};
  const Vec6 s = {1, 2, 3, 4, 5, 6};
  const Case cases[] = {
      {0.0, 0.0, v, v, s, s},
      {1e-8, 0.0, v, v, s, s},
      {1e8, 0.0, v, v, s, s},
      {0.0, 1.0, v, {2, -1, 3}, s, {2, 1, 3, -4, 6, -5}},
      {1.0, 1.0, {1, 1, 0}, {std::sqrt(2.0), 0, 0}, {0, 0, 0, 1, 0, 0}, {-1, 1, 0, 0, 0, 0}},
      {3.0, 4.0, v, {2.2, 0.4, 3}, {1, 0, 0, 0, 0, 0}, {0.36, 0.64, 0, 0.48, 0, 0}},
      // A half turn keeps the in-plane tensor components and flips yz and zx.
      {-1.0, 0.0, v, {-1, -2, 3}, s, {1, 2, 3, 4, -5, -6}},
      {-1.0, -0.0, v, {-1, -2, 3}, s, {1, 2, 3, 4, -5, -6}},
  };
  for (const Case& c : cases) {
    const double tol = (c.y == 0.0 && c.x >= 0.0) ? 0.0 : 1e-14;
    SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
    expect_near(cyl3(c.x, c.y, c.v), c.v_cyl, tol);
    expect_near(cyl6(c.x, c.y, c.s), c.s_cyl, tol);
    Vec3 v_same = c.v;  // the same array in and out
    FEM::Cart2Cyl3(c.x, c.y, v_same.data(), v_same.data());
    expect_near(v_same, c.v_cyl, tol);
  }
}

// The tensor is turned by -theta, the vector by +theta: the axes of the tensor
// are the cylindrical vector axes of the point mirrored in the x axis.
TEST(Cart2Cyl6, MatchesTheVectorRotationOfTheMirroredPoint) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<double> u(-5.0, 5.0);
  for (int i = 0; i < 200; ++i) {
    const double x = u(gen), y = u(gen);
    Mat3 Q{};  // column j: Cart2Cyl3 of the unit vector e_j at (x, -y)
    for (int j = 0; j < 3; ++j) {
      Vec3 e{};
      e[j] = 1.0;
      const Vec3 col = cyl3(x, -y, e);
      for (int r = 0; r < 3; ++r) Q[3 * r + j] = col[r];
    }
    const Vec6 s = random_stress(gen, 10.0);
    const Vec6 want = vec6_of(rotate(Q, tensor(s)));
    expect_near(cyl6(x, y, s), want, 1e-12);
    Vec6 inplace = s;
    FEM::Cart2Cyl6(x, y, inplace.data(), inplace.data());
    expect_near(inplace, cyl6(x, y, s), 0.0);
  }
}

TEST(Principal3D, WorkedValuesLeaveTheStressUnchanged) {
  struct Case {
    Vec6 s;
    Vec3 p;
    double tau;
  };
  const Case cases[] = {{{1, 3, 2, 0, 0, 0}, {3, 2, 1}, 1.0},
                        {{-5, -1, -3, 0, 0, 0}, {-1, -3, -5}, 2.0},
                        // Radial = hoop = -2, axial = -6 seen from turned axes.
                        {cyl6(0.3, 0.8, {-2, -2, -6, 0, 0, 0}), {-2, -2, -6}, 2.0}};
  for (const Case& c : cases) {
    Vec6 s = c.s;
    Vec3 p{};
    EXPECT_NEAR(FEM::Principal3D(s.data(), p.data()), c.tau, 1e-14);
    expect_near(p, c.p, 1e-14);
    EXPECT_EQ(s, c.s);
  }
}

TEST(Principal3D, RandomStressesMatchTheCharacteristicCubic) {
  std::mt19937 gen(13);
  for (int i = 0; i < 1000; ++i) {
    const double scale = std::pow(10.0, i % 7 - 3);
    Vec6 s = random_stress(gen, scale);
    const Mat3 A = tensor(s);
    Vec3 p{};
    const double tau = FEM::Principal3D(s.data(), p.data());
    expect_near(p, cubic_roots(A), 1e-9 * scale);
    EXPECT_GE(p[0], p[1]);
    EXPECT_GE(p[1], p[2]);
    EXPECT_NEAR(p[0] + p[1] + p[2], trace(A), 1e-13 * scale);
    EXPECT_NEAR(p[0] * p[1] * p[2], det(A), 1e-12 * scale * scale * scale);
    EXPECT_EQ(tau, (p[0] - p[2]) / 2.0);
  }
}

// Known principal values (with repeated ones) in random axes.
TEST(Principal3D, RepeatedPrincipalValuesInRandomAxes) {
  th10test::Sampler rng(17);
  const Vec3 cases[] = {{2, 2, 2}, {5, -1, -1}, {3, 3, -4}, {0, 0, -7}, {1e3, 1e3, 1e3 + 1e-6}};
  for (const Vec3& d : cases) {
    for (int i = 0; i < 50; ++i) {
      Vec6 s;
      rng.rotated_stress(d.data(), s.data());
      Vec3 want = d;
      std::sort(want.begin(), want.end(), [](double a, double b) { return a > b; });
      Vec3 p{};
      const double tau = FEM::Principal3D(s.data(), p.data());
      const double scale = std::max(std::fabs(want[0]), std::fabs(want[2]));
      expect_near(p, want, 1e-13 * scale);
      EXPECT_NEAR(tau, (want[0] - want[2]) / 2.0, 1e-13 * scale);
      // The cubic oracle loses half the digits at a double root.
      expect_near(p, cubic_roots(tensor(s)), 1e-6 * scale);
    }
  }
}
