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

// The six rigid-body displacement fields of an element: three translations
// and three infinitesimal rotations u = w x r about the origin.
std::vector<std::vector<double>> rigid_modes(const TH10G15::ELEMENT& el) {
  std::vector<std::vector<double>> modes;
  for (int d = 0; d < 3; ++d) {
    std::vector<double> u(30, 0.0);
    for (int k = 0; k < 10; ++k) u[3 * k + d] = 1.0;
    modes.push_back(u);
  }
  for (int axis = 0; axis < 3; ++axis) {
    const double w[3] = {axis == 0 ? 1.0 : 0.0, axis == 1 ? 1.0 : 0.0, axis == 2 ? 1.0 : 0.0};
    std::vector<double> u(30);
    for (int k = 0; k < 10; ++k) {
      const double* r = el.Coords + 3 * k;
      u[3 * k] = w[1] * r[2] - w[2] * r[1];
      u[3 * k + 1] = w[2] * r[0] - w[0] * r[2];
      u[3 * k + 2] = w[0] * r[1] - w[1] * r[0];
    }
    modes.push_back(u);
  }
  return modes;
}

void expect_free_element_stiffness(const TH10G15::ELEMENT& el, const double* ke) {
  Eigen::Matrix<double, 30, 30, Eigen::RowMajor> K;
  for (int i = 0; i < 900; ++i) K.data()[i] = ke[i];
  const double scale = K.cwiseAbs().maxCoeff();
  EXPECT_EQ((K - K.transpose()).cwiseAbs().maxCoeff(), 0.0);

  Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd> eig(K);
  const Eigen::VectorXd lambda = eig.eigenvalues();  // ascending
  for (int i = 0; i < 6; ++i) EXPECT_LT(std::fabs(lambda(i)), 1e-10 * lambda(29)) << "eigenvalue " << i;
  EXPECT_GT(lambda(6), 1e-4 * lambda(29)) << "a seventh zero energy mode";

  for (const std::vector<double>& u : rigid_modes(el)) {
    double f[30];
    dense_mv(ke, 30, 30, u.data(), f);
    EXPECT_LT(max_abs(f, 30), 1e-12 * scale * 30.0);
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
  // Non-symmetric Dep everywhere, points alternately elastic and yielding.
  for (int g = 0; g < 15; ++g) {
    random_matrix6(rng, 100.0, el.GP[g].Dep);
    el.GP[g].F = (g % 2 == 0) ? 0.5 : -0.5;
  }
  for (int tangent : {0, 1}) {
    double ke[900], ref[900];
    TH10G15::make_ke(&el, ke, tangent);
    reference_ke(el, tangent, ref);
    EXPECT_LT(rel_diff(ke, ref, 900), 1e-12) << "tangent " << tangent;
  }
  // A symmetric Dep at every point (associated flow) takes the symmetric path.
  for (TH10G15::GAUSSPOINT& g : el.GP) {
    for (int r = 0; r < 6; ++r)
      for (int c = 0; c < r; ++c) g.Dep[6 * r + c] = g.Dep[6 * c + r];
    g.F = 1.0;
  }
  double ke[900], ref[900];
  TH10G15::make_ke(&el, ke, 1);
  reference_ke(el, 1, ref);
  EXPECT_LT(rel_diff(ke, ref, 900), 1e-12);
  for (int r = 0; r < 30; ++r)
    for (int c = 0; c < r; ++c) EXPECT_EQ(ke[30 * r + c], ke[30 * c + r]);
}

// The contribution of Gauss point g alone, with matrix D.
static void single_point_ke(TH10G15::ELEMENT el, int g, const double* D, double* ke) {
  for (int p = 0; p < 15; ++p) {
    if (p == g) {
      for (int i = 0; i < 36; ++i) el.GP[p].De[i] = D[i];
    } else {
      el.GP[p].w = 0.0;
    }
    el.GP[p].F = -1.0;
  }
  TH10G15::make_ke(&el, ke, 0);
}

TEST(ElementStiffness, ChoosesDepExactlyWhereFIsNotNegative) {
  TH10G15::ELEMENT el = irregular_element();
  set_elastic_state(&el, 1, 200.0, 0.3);
  for (TH10G15::GAUSSPOINT& g : el.GP)
    for (int i = 0; i < 36; ++i) g.Dep[i] = 0.25 * g.De[i];
  double ke_elastic[900];
  TH10G15::make_ke(&el, ke_elastic, 0);

  const double tiny = -std::numeric_limits<double>::denorm_min();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double F;
    bool uses_Dep;
  };
  const Case cases[] = {{0.0, true}, {-0.0, true}, {1e-300, true}, {nan, true}, {tiny, false}, {-1.0, false}};
  const int g = 9;
  double ke_De[900], ke_Dep[900];
  single_point_ke(el, g, el.GP[g].De, ke_De);
  single_point_ke(el, g, el.GP[g].Dep, ke_Dep);
  for (const Case& c : cases) {
    el.GP[g].F = c.F;
    double ke[900], expected[900];
    for (int tangent : {-3, 0}) {  // elastic whatever F holds
      TH10G15::make_ke(&el, ke, tangent);
      EXPECT_EQ(max_abs_diff(ke, ke_elastic, 900), 0.0) << "F " << c.F << " tangent " << tangent;
    }
    for (int tangent : {1, 2}) {
      TH10G15::make_ke(&el, ke, tangent);
      for (int i = 0; i < 900; ++i) expected[i] = ke_elastic[i] - (c.uses_Dep ? ke_De[i] - ke_Dep[i] : 0.0);
      EXPECT_LT(rel_diff(ke, expected, 900), 1e-12) << "F " << c.F << " tangent " << tangent;
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

TEST(GlobalStiffness, SharedNodesAddUp) {
  // Two cells of one box: the elements on both sides of the face x = 1 share
  // nodes there, and the global entry of a shared node is the sum of theirs.
  Mesh m = box(2, 1, 1, 2.0, 1.0, 1.0);
  set_elastic_state(m, 10.0, 0.2);
  const int n = 3 * m.nNodes();
  std::vector<double> K(static_cast<std::size_t>(n) * n);
  TH10G15::make_K(m.elems.data(), m.nElements(), m.nNodes(), K.data(), 0);
  int shared_node = -1;
  for (int k = 0; k < m.nNodes(); ++k)
    if (m.nodes[k].x == 1.0 && m.nodes[k].y == 0.5 && m.nodes[k].z == 0.5) shared_node = k;
  ASSERT_GE(shared_node, 0);
  double diag = 0.0;
  int owners = 0;
  std::vector<bool> sides(2, false);
  for (TH10G15::ELEMENT& el : m.elems)
    for (int a = 0; a < 10; ++a)
      if (el.Node_ID[a] == shared_node) {
        double ke[900];
        TH10G15::make_ke(&el, ke, 0);
        diag += ke[30 * (3 * a) + 3 * a];
        ++owners;
        sides[el.Coords[0] + el.Coords[3] + el.Coords[6] + el.Coords[9] > 4.0 ? 1 : 0] = true;
      }
  EXPECT_GE(owners, 2);
  EXPECT_TRUE(sides[0] && sides[1]);
  EXPECT_NEAR(K[static_cast<std::size_t>(3 * shared_node) * n + 3 * shared_node], diag, 1e-13 * diag);
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
