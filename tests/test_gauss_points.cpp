// The 15-point rule and the quadratic shape functions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "TH10G15.h"
#include "shape_functions.h"

using FiniteElementMethod::TH10G15;
using FiniteElementMethod::detail::shape_functions;

namespace {

double factorial(int n) {
  return n <= 1 ? 1.0 : n * factorial(n - 1);
}

// Natural coordinates of the ten local nodes.
const double kNodeL[10][3] = {{0, 1, 0},  {0, 0, 1},  {0, 0, 0},   {1, 0, 0},   {0, .5, .5},
                              {0, 0, .5}, {0, .5, 0}, {.5, .5, 0}, {.5, 0, .5}, {.5, 0, 0}};

}  // namespace

TEST(GaussPoints, RuleIntegratesEveryMonomialOfDegreeFiveExactly) {
  TH10G15::GAUSSPOINT GP[15];
  TH10G15::CreateGaussPoints(GP);
  // Over the reference tetrahedron: int L1^a L2^b L3^c L4^d = a! b! c! d! / (a+b+c+d+3)!
  for (int a = 0; a <= 5; ++a)
    for (int b = 0; a + b <= 5; ++b)
      for (int c = 0; a + b + c <= 5; ++c)
        for (int d = 0; a + b + c + d <= 5; ++d) {
          double sum = 0.0;
          for (const auto& p : GP) {
            const double L4 = 1.0 - p.L[0] - p.L[1] - p.L[2];
            sum += p.w * std::pow(p.L[0], a) * std::pow(p.L[1], b) * std::pow(p.L[2], c) * std::pow(L4, d);
          }
          const double exact =
              factorial(a) * factorial(b) * factorial(c) * factorial(d) / factorial(a + b + c + d + 3);
          EXPECT_NEAR(sum, exact, 1e-16) << a << b << c << d;
        }
}

TEST(GaussPoints, WeightsAndCornerPoints) {
  TH10G15::GAUSSPOINT GP[15];
  TH10G15::CreateGaussPoints(GP);
  double sum = 0.0;
  for (const auto& p : GP) sum += p.w;
  EXPECT_NEAR(sum, 1.0 / 6.0, 1e-16);
  EXPECT_EQ(GP[0].w, 0.019753086419753086);
  EXPECT_EQ(GP[9].w, 0.008818342151675485);
  // Points 5..8 lie nearest local nodes 2, 1, 0, 3.
  const int nearest[4] = {2, 1, 0, 3};
  for (int q = 0; q < 4; ++q) {
    const TH10G15::GAUSSPOINT& p = GP[5 + q];
    int best = -1;
    double dmin = 1e9;
    for (int k = 0; k < 4; ++k) {
      const double d = std::hypot(p.L[0] - kNodeL[k][0], p.L[1] - kNodeL[k][1], p.L[2] - kNodeL[k][2]);
      if (d < dmin) dmin = d, best = k;
    }
    EXPECT_EQ(best, nearest[q]);
  }
}

TEST(ShapeFunctions, KroneckerPropertyAtTheNodesAndCentroidValues) {
  for (int k = 0; k < 10; ++k) {
    double N[10], dNdL[30];
    shape_functions(kNodeL[k][0], kNodeL[k][1], kNodeL[k][2], N, dNdL);
    for (int j = 0; j < 10; ++j) EXPECT_EQ(N[j], j == k ? 1.0 : 0.0) << "node " << k << " function " << j;
  }
  TH10G15::GAUSSPOINT GP[15];
  TH10G15::CreateGaussPoints(GP);
  for (int k = 0; k < 10; ++k) EXPECT_DOUBLE_EQ(GP[0].N[k], k < 4 ? -0.125 : 0.25);
}

TEST(ShapeFunctions, DerivativesMatchFiniteDifferences) {
  TH10G15::GAUSSPOINT GP[15];
  TH10G15::CreateGaussPoints(GP);
  const double h = 1e-6;
  for (const auto& p : GP) {
    double sumN = 0.0;
    for (int k = 0; k < 10; ++k) sumN += p.N[k];
    EXPECT_NEAR(sumN, 1.0, 1e-15);
    for (int r = 0; r < 3; ++r) {
      double Lp[3] = {p.L[0], p.L[1], p.L[2]}, Lm[3] = {p.L[0], p.L[1], p.L[2]};
      Lp[r] += h;
      Lm[r] -= h;
      double Np[10], Nm[10], scratch[30];
      shape_functions(Lp[0], Lp[1], Lp[2], Np, scratch);
      shape_functions(Lm[0], Lm[1], Lm[2], Nm, scratch);
      double row = 0.0;
      for (int k = 0; k < 10; ++k) {
        EXPECT_NEAR(p.dNdL[10 * r + k], (Np[k] - Nm[k]) / (2 * h), 1e-8);
        row += p.dNdL[10 * r + k];
      }
      EXPECT_NEAR(row, 0.0, 1e-14);
    }
  }
}

TEST(GaussPoints, ClearsTheStateAndKeepsTheHostFields) {
  TH10G15::GAUSSPOINT GP[15];
  std::memset(GP, 0x5a, sizeof GP);  // every double reads as a recognisable junk value
  double junk;
  std::memset(&junk, 0x5a, sizeof junk);
  TH10G15::CreateGaussPoints(GP);
  TH10G15::GAUSSPOINT again[15];
  std::memcpy(again, GP, sizeof GP);
  TH10G15::CreateGaussPoints(again);
  EXPECT_EQ(std::memcmp(again, GP, sizeof GP), 0);  // a second call rebuilds the same record

  for (const auto& p : GP) {
    for (double v : {p.E, p.nu, p.G, p.Phi, p.Psi, p.c, p.spare1[0], p.spare1[1], p.Jac, p.spare6})
      EXPECT_EQ(v, 0.0);
    for (int i = 0; i < 36; ++i) EXPECT_EQ(p.Dep[i] + p.Dp[i] + p.De[i], 0.0);
    for (double v : p.B) EXPECT_EQ(v, 0.0);
    for (int i = 0; i < 6; ++i)
      for (double v : {p.stress[i], p.dstress[i], p.strain[i], p.dstrain[i], p.spare3[i]}) EXPECT_EQ(v, 0.0);
    for (int i = 0; i < 3; ++i)
      for (double v : {p.spare4[i], p.spare5[i], p.spare7[i]}) EXPECT_EQ(v, 0.0);
    // Left as they were.
    for (int i = 0; i < 6; ++i) {
      EXPECT_EQ(std::memcmp(&p.stress0[i], &junk, 8), 0);
      EXPECT_EQ(std::memcmp(&p.spare2[i], &junk, 8), 0);
    }
    for (const double* v : {&p.sig_m, &p.ds_bar, &p.Lode, &p.F}) EXPECT_EQ(std::memcmp(v, &junk, 8), 0);
  }
}
