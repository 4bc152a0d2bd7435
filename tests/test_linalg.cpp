// The linear-algebra layer against hand-computed cases, aliasing where it is
// allowed, and the 64-bit index arithmetic of large global matrices.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

#include "LA.h"

using LinearAlgebra::LA;

TEST(LinearAlgebra, ProductsAndTranspose) {
  const double A[6] = {1, 2, 3, 4, 5, 6};     // 2 x 3
  const double B[6] = {7, 8, 9, 10, 11, 12};  // 3 x 2
  double C[4];
  LA::MultiplyMM(A, 2, 3, B, 2, C);
  const double expected_C[4] = {58, 64, 139, 154};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(C[i], expected_C[i]);

  const double x[3] = {1, -1, 2};
  double y[2];
  LA::MultiplyMV(A, 2, x, 3, y);
  EXPECT_TRUE(y[0] == 5 && y[1] == 11);

  double T[6];
  LA::TransposeM(A, 2, 3, T);
  const double expected[6] = {1, 4, 2, 5, 3, 6};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(T[i], expected[i]);
}

TEST(LinearAlgebra, VectorOperationsAllowAliasing) {
  double a[3] = {1, 2, 3};
  double b[3] = {10, 20, 30};
  LA::AddVV(a, b, 3, a);  // a = a + b in place
  EXPECT_EQ(a[2], 33);
  LA::AddVV(a, b, 3, b);  // b = a + b in place
  EXPECT_EQ(b[0], 21);
  LA::SubstractVV(b, a, 3, b);
  EXPECT_EQ(b[1], 20);
  LA::MultiplyVS(a, 3, -0.5, a);
  EXPECT_EQ(a[0], -5.5);
  LA::ZeroV(a, 2);
  EXPECT_TRUE(a[0] == 0 && a[1] == 0 && a[2] == -16.5);  // only n entries are touched
}

TEST(LinearAlgebra, DeterminantAndInverseLeaveTheMatrixUnchanged) {
  const double J[9] = {2, -1, 0, 1, 3, 2, 0, 1, 4};  // det = 2*10 + 1*4 = 24
  double copy[9];
  for (int i = 0; i < 9; ++i) copy[i] = J[i];
  EXPECT_DOUBLE_EQ(LA::DeterminantMsq(copy, 3), 24.0);
  double Jinv[9], I[9];
  LA::InverseMsq(copy, Jinv, 3);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(copy[i], J[i]);
  LA::MultiplyMM(J, 3, 3, Jinv, 3, I);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(I[3 * i + j], i == j ? 1.0 : 0.0, 1e-15);

  // A 4 x 4 matrix that needs row exchanges: a zero leading entry.
  const double M[16] = {0, 2, 1, 0, 1, 1, 0, 2, 3, 0, 1, 1, 1, 0, 2, 1};
  double Minv[16], P[16];
  const double det = LA::DeterminantMsq(M, 4);
  LA::InverseMsq(M, Minv, 4);
  LA::MultiplyMM(M, 4, 4, Minv, 4, P);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_NEAR(P[4 * i + j], i == j ? 1.0 : 0.0, 1e-14);
  // det(M^-1) = 1/det(M).
  EXPECT_NEAR(LA::DeterminantMsq(Minv, 4) * det, 1.0, 1e-13);
  EXPECT_NEAR(det, -20.0, 1e-13);  // by cofactor expansion
}

TEST(LinearAlgebra, SymmetricEigenvaluesLargestFirst) {
  // The second-difference matrix: eigenvalues 2 + sqrt2, 2, 2 - sqrt2.
  const double M0[9] = {2, -1, 0, -1, 2, -1, 0, -1, 2};
  double M[9];
  std::copy(M0, M0 + 9, M);
  double values[3], vectors[9];
  LA::EigenSymmSystemMsqJ(M, 3, values, vectors);
  EXPECT_NEAR(values[0], 2 + std::sqrt(2.0), 1e-14);
  EXPECT_NEAR(values[1], 2, 1e-14);
  EXPECT_NEAR(values[2], 2 - std::sqrt(2.0), 1e-14);
  // Column k of vectors is the eigenvector of values[k].
  for (int k = 0; k < 3; ++k)
    for (int i = 0; i < 3; ++i) {
      double Mv = 0;
      for (int j = 0; j < 3; ++j) Mv += M0[3 * i + j] * vectors[3 * j + k];
      EXPECT_NEAR(Mv, values[k] * vectors[3 * i + k], 1e-13);
    }

  // Already diagonal, unsorted, with a repeated value.
  double D[9] = {-3, 0, 0, 0, 5, 0, 0, 0, -3};
  LA::EigenSymmSystemMsqJ(D, 3, values, vectors);
  EXPECT_TRUE(values[0] == 5 && values[1] == -3 && values[2] == -3);
}

TEST(LinearAlgebra, AggregateAddsNodeBlocks) {
  // Two nodes, two dofs each (nk = 4, nn = 2), into a 3-node system of side 6.
  double k[16];
  for (int i = 0; i < 16; ++i) k[i] = i + 1;
  const int nodes[2] = {2, 0};
  double K[36] = {};
  LA::AggregateMMsq(k, 4, nodes, 2, K, 6);
  LA::AggregateMMsq(k, 4, nodes, 2, K, 6);  // adds, never stores over
  // k(0,0) -> K(4,4); k(1,3) -> K(5,1); k(2,1) -> K(0,5); k(3,2) -> K(1,0).
  EXPECT_TRUE(K[4 * 6 + 4] == 2 * 1 && K[5 * 6 + 1] == 2 * 8 && K[0 * 6 + 5] == 2 * 10 &&
              K[1 * 6 + 0] == 2 * 15);
  // Node 1 has no entries.
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(K[2 * 6 + i] == 0 && K[i * 6 + 3] == 0) << i;
}

TEST(LinearAlgebra, OffsetsOfAGlobalMatrixBeyondTwoToThe31) {
  // Aggregation into such a matrix is tested with the global stiffness.
  const std::int64_t n = 46341;  // n * n > INT_MAX
  EXPECT_GT(n * n, std::int64_t(INT_MAX));
  EXPECT_EQ(LA::index(n - 1, n - 1, n), n * n - 1);
  EXPECT_EQ(LA::index(46340, 0, n), std::int64_t(46340) * 46341);
  EXPECT_EQ(LA::index(5, 46339, n), std::int64_t(5) * 46341 + 46339);
}
