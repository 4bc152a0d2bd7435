// Element stiffness and its assembly into the dense global matrix.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <eigen3/Eigen/Dense>
#include <limits>
#include <random>
#include <vector>

#include "LA.h"
#include "element_fixtures.h"
#include "element_kernels.h"

using namespace th10test;
namespace detail = FiniteElementMethod::detail;

namespace {

// An element with curved edges: the mid-edge nodes moved off the chords.
TH10G15::ELEMENT curved_element() {
  TH10G15::ELEMENT el = irregular_element();
  const double shift[6][3] = {{0.05, -0.03, 0.02}, {-0.04, 0.02, 0.03},  {0.02, 0.04, -0.05},
                              {0.03, 0.01, 0.04},  {-0.02, -0.05, 0.01}, {0.04, -0.02, -0.03}};
  for (int m = 0; m < 6; ++m)
    for (int d = 0; d < 3; ++d) el.Coords[3 * (4 + m) + d] += shift[m][d];
  TH10G15::make_GP_J_B(&el, 1);
  return el;
}

// Symmetric, positive semi-definite with exactly six zero eigenvalues, and
// the six rigid-body fields (translations, rotations u = w x r) in its null space.
void expect_free_element_stiffness(const TH10G15::ELEMENT& el, const double* ke) {
  Eigen::Matrix<double, 30, 30, Eigen::RowMajor> K;
  for (int i = 0; i < 900; ++i) K.data()[i] = ke[i];
  EXPECT_EQ((K - K.transpose()).cwiseAbs().maxCoeff(), 0.0);
  const Eigen::VectorXd lambda =
      Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd>(K).eigenvalues();  // ascending
  for (int i = 0; i < 6; ++i) EXPECT_LT(std::fabs(lambda(i)), 1e-10 * lambda(29)) << "eigenvalue " << i;
  EXPECT_GT(lambda(6), 1e-4 * lambda(29)) << "a seventh zero energy mode";
  for (int mode = 0; mode < 6; ++mode) {
    double u[30], f[30];
    const double w[3] = {mode == 3 ? 1.0 : 0.0, mode == 4 ? 1.0 : 0.0, mode == 5 ? 1.0 : 0.0};
    for (int k = 0; k < 10; ++k) {
      const double* r = el.Coords + 3 * k;
      u[3 * k] = mode < 3 ? (mode == 0) : w[1] * r[2] - w[2] * r[1];
      u[3 * k + 1] = mode < 3 ? (mode == 1) : w[2] * r[0] - w[0] * r[2];
      u[3 * k + 2] = mode < 3 ? (mode == 2) : w[0] * r[1] - w[1] * r[0];
    }
    dense_mv(ke, 30, 30, u, f);
    EXPECT_LT(max_abs(f, 30), 1e-12 * K.cwiseAbs().maxCoeff() * 30.0) << "mode " << mode;
  }
}

}  // namespace

TEST(ElementStiffness, FreeElasticElementIsSymmetricPsdWithSixRigidModes) {
  for (TH10G15::ELEMENT el : {irregular_element(), curved_element()}) {
    set_elastic_state(&el, 1, 200.0, 0.3);
    double ke[900];
    TH10G15::make_ke(&el, ke, 0);
    expect_free_element_stiffness(el, ke);
  }
}

TEST(ElementStiffness, AgreesWithThePlainProductsElasticAndTangent) {
  std::mt19937 rng(7);
  TH10G15::ELEMENT el = curved_element();
  set_elastic_state(&el, 1, 200.0, 0.3);
  // Non-symmetric Dep everywhere, points alternately elastic and yielding;
  // then a symmetric Dep at every yielding point (associated flow), which
  // takes the symmetric path.
  for (int g = 0; g < 15; ++g) {
    random_matrix6(rng, 100.0, el.GP[g].Dep);
    el.GP[g].F = (g % 2 == 0) ? 0.5 : -0.5;
  }
  for (int symmetric : {0, 1}) {
    for (int tangent : {0, 1}) {
      double ke[900], ref[900];
      TH10G15::make_ke(&el, ke, tangent);
      reference_ke(el, tangent, ref);
      EXPECT_LT(rel_diff(ke, ref, 900), 1e-12) << "tangent " << tangent;
      for (int r = 0; r < 30 * symmetric; ++r)
        for (int c = 0; c < r; ++c) EXPECT_EQ(ke[30 * r + c], ke[30 * c + r]);
    }
    for (TH10G15::GAUSSPOINT& g : el.GP) {
      for (int r = 0; r < 6; ++r)
        for (int c = 0; c < r; ++c) g.Dep[6 * r + c] = g.Dep[6 * c + r];
      g.F = 1.0;
    }
  }
}

TEST(ElementStiffness, ChoosesDepExactlyWhereFIsNotNegative) {
  TH10G15::ELEMENT el = irregular_element();
  set_elastic_state(&el, 1, 200.0, 0.3);
  for (TH10G15::GAUSSPOINT& g : el.GP)
    for (int i = 0; i < 36; ++i) g.Dep[i] = 0.25 * g.De[i];
  double ke_elastic[900];
  TH10G15::make_ke(&el, ke_elastic, 0);
  // The contributions of point g alone with De and with Dep.
  const int g = 9;
  double ke_De[900], ke_Dep[900];
  for (double* out : {ke_De, ke_Dep}) {
    TH10G15::ELEMENT one = el;
    for (int p = 0; p < 15; ++p) one.GP[p].w = (p == g) ? one.GP[p].w : 0.0;
    if (out == ke_Dep) std::memcpy(one.GP[g].De, one.GP[g].Dep, sizeof(one.GP[g].De));
    TH10G15::make_ke(&one, out, 0);
  }
  const double tiny = -std::numeric_limits<double>::denorm_min();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::pair<double, bool> cases[] = {{0.0, true}, {-0.0, true},  {1e-300, true},
                                           {nan, true}, {tiny, false}, {-1.0, false}};
  for (const auto& [F, uses_Dep] : cases) {
    el.GP[g].F = F;
    double ke[900], expected[900];
    for (int tangent : {-3, 0}) {  // elastic whatever F holds
      TH10G15::make_ke(&el, ke, tangent);
      EXPECT_EQ(max_abs_diff(ke, ke_elastic, 900), 0.0) << "F " << F << " tangent " << tangent;
    }
    for (int tangent : {1, 2}) {
      TH10G15::make_ke(&el, ke, tangent);
      for (int i = 0; i < 900; ++i) expected[i] = ke_elastic[i] - (uses_Dep ? ke_De[i] - ke_Dep[i] : 0.0);
      EXPECT_LT(rel_diff(ke, expected, 900), 1e-12) << "F " << F << " tangent " << tangent;
    }
  }
}

TEST(GlobalStiffness, IsTheSumOfTheElementBlocks) {
  std::mt19937 rng(3);
  Mesh m = box(2, 1, 1, 2.0, 1.0, 1.5);
  set_elastic_state(m, 50.0, 0.25);
  for (TH10G15::ELEMENT& el : m.elems)
    for (int g = 0; g < 15; g += 4) {
      random_matrix6(rng, 30.0, el.GP[g].Dep);
      el.GP[g].F = 0.0;
    }
  const int n = 3 * m.nNodes();
  const std::vector<TH10G15::ELEMENT> before = m.elems;
  for (int tangent : {0, 1}) {
    std::vector<double> K(static_cast<std::size_t>(n) * n, 123.0);  // not cleared by the caller
    TH10G15::make_K(m.elems.data(), m.nElements(), m.nNodes(), K.data(), tangent);
    std::vector<double> expected(K.size(), 0.0);
    for (TH10G15::ELEMENT& el : m.elems) {
      double ke[900];
      TH10G15::make_ke(&el, ke, tangent);
      for (int a = 0; a < 10; ++a)
        for (int b = 0; b < 10; ++b)
          for (int p = 0; p < 3; ++p)
            for (int q = 0; q < 3; ++q)
              expected[static_cast<std::size_t>(3 * el.Node_ID[a] + p) * n + 3 * el.Node_ID[b] + q] +=
                  ke[30 * (3 * a + p) + 3 * b + q];
    }
    EXPECT_EQ(max_abs_diff(K.data(), expected.data(), n * n), 0.0) << "tangent " << tangent;

    std::vector<double> again(K.size(), -7.0);
    TH10G15::make_K(m.elems.data(), m.nElements(), m.nNodes(), again.data(), tangent);
    EXPECT_EQ(again, K);
  }
  for (int e = 0; e < m.nElements(); ++e)  // make_K and make_ke write no record
    EXPECT_EQ(std::memcmp(&before[e], &m.elems[e], sizeof(TH10G15::ELEMENT)), 0) << "element " << e;
}

TEST(GlobalStiffness, NoElementsGiveAZeroMatrix) {
  std::vector<double> K(30 * 30, 5.0);
  TH10G15::make_K(nullptr, 0, 10, K.data(), 1);
  EXPECT_EQ(max_abs(K.data(), 900), 0.0);
}

TEST(GlobalStiffness, EntryCountAndOffsetsAre64Bit) {
  EXPECT_EQ(detail::global_entries(20000), 3600000000LL);
  EXPECT_EQ(detail::global_entries(15446), 2147210244LL);  // side 46,338: below 2^31
  EXPECT_EQ(detail::global_entries(15447), 2147488281LL);  // side 46,341: above 2^31 - 1

  // Aggregation into a matrix of side 48,000 (2.3e9 entries, 18 GB): only the
  // pages that the element touches are ever mapped.
  const int nNodes = 16000;
  const std::int64_t n = 3 * static_cast<std::int64_t>(nNodes);
  const std::size_t bytes = static_cast<std::size_t>(detail::global_entries(nNodes)) * sizeof(double);
  void* mem =
      mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (mem == MAP_FAILED) GTEST_SKIP() << "no address space for an 18 GB mapping";
  double* K = static_cast<double*>(mem);
  int nodes[10];
  for (int a = 0; a < 10; ++a) nodes[a] = nNodes - 1 - 700 * a;  // rows far beyond 2^31 / n
  double ke[900];
  for (int i = 0; i < 900; ++i) ke[i] = i + 1.0;
  LinearAlgebra::LA::AggregateMMsq(ke, 30, nodes, 10, K, static_cast<int>(n));
  LinearAlgebra::LA::AggregateMMsq(ke, 30, nodes, 10, K, static_cast<int>(n));
  for (int a : {0, 3, 9})
    for (int b : {0, 5, 9})
      for (int p = 0; p < 3; ++p) {
        const std::int64_t row = 3 * static_cast<std::int64_t>(nodes[a]) + p;
        const std::int64_t col = 3 * static_cast<std::int64_t>(nodes[b]) + 2;
        EXPECT_EQ(K[row * n + col], 2.0 * ke[30 * (3 * a + p) + 3 * b + 2]);
      }
  munmap(mem, bytes);
}
