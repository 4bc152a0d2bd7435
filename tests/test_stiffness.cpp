// Element stiffness (its assembly is checked with the internal forces: K u = Fint).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <eigen3/Eigen/Dense>
#include <limits>
#include <vector>

#include "test_support.h"

using namespace th10test;

namespace {

// An element with curved edges: the mid-edge nodes moved off the chords.
TH10G15::ELEMENT curved_element() {
  TH10G15::ELEMENT el = irregular_element();
  for (int k = 4; k < 10; ++k)
    for (int d = 0; d < 3; ++d) el.Coords[3 * k + d] += 0.05 * std::sin(3.0 * k + d);
  TH10G15::make_GP_J_B(&el, 1);
  return el;
}

// The sum over the Gauss points of w Jac B^T D B, with every zero of B multiplied.
void reference_ke(const TH10G15::ELEMENT& el, int tangent, double* ke) {
  for (int i = 0; i < 900; ++i) ke[i] = 0.0;
  for (const GP& g : el.GP) {
    const double* D = (tangent < 1 || g.F < 0.0) ? g.De : g.Dep;
    double DB[180];
    for (int r = 0; r < 6; ++r)
      for (int c = 0; c < 30; ++c) {
        DB[30 * r + c] = 0.0;
        for (int t = 0; t < 6; ++t) DB[30 * r + c] += D[6 * r + t] * g.B[30 * t + c];
      }
    for (int r = 0; r < 30; ++r)
      for (int c = 0; c < 30; ++c)
        for (int t = 0; t < 6; ++t) ke[30 * r + c] += g.w * g.Jac * g.B[30 * t + r] * DB[30 * t + c];
  }
}

}  // namespace

TEST(ElementStiffness, FreeElasticElementIsSymmetricPsdWithSixRigidModes) {
  for (TH10G15::ELEMENT el : {irregular_element(), curved_element()}) {
    set_elastic_state(&el, 1, 200.0, 0.3);
    Eigen::Matrix<double, 30, 30, Eigen::RowMajor> K;
    TH10G15::make_ke(&el, K.data(), 0);
    EXPECT_EQ((K - K.transpose()).cwiseAbs().maxCoeff(), 0.0);
    const Eigen::VectorXd lambda =
        Eigen::SelfAdjointEigenSolver<Eigen::MatrixXd>(K).eigenvalues();  // ascending
    for (int i = 0; i < 6; ++i) EXPECT_LT(std::fabs(lambda(i)), 1e-10 * lambda(29)) << "eigenvalue " << i;
    EXPECT_GT(lambda(6), 1e-4 * lambda(29)) << "a seventh zero energy mode";
    for (int mode = 0; mode < 6; ++mode) {  // translations, then rotations u = w x r
      Eigen::Matrix<double, 30, 1> u;
      for (int k = 0; k < 10; ++k) {
        const Eigen::Vector3d r(el.Coords[3 * k], el.Coords[3 * k + 1], el.Coords[3 * k + 2]);
        u.segment<3>(3 * k) =
            mode < 3 ? Eigen::Vector3d::Unit(mode) : Eigen::Vector3d::Unit(mode - 3).cross(r);
      }
      EXPECT_LT((K * u).cwiseAbs().maxCoeff(), 1e-12 * K.cwiseAbs().maxCoeff() * 30.0) << "mode " << mode;
    }
  }
}

TEST(ElementStiffness, IsThePlainProductWithDepExactlyWhereFIsNotNegative) {
  std::mt19937 rng(7);
  TH10G15::ELEMENT el = curved_element();
  set_elastic_state(&el, 1, 200.0, 0.3);
  // Non-symmetric Dep at every point, then a symmetric one (which takes the
  // mirrored path); F of either sign, zeros, a denormal and NaN.
  const double F[] = {0.5, -0.5, 0.0, -0.0, 1e-300, std::nan(""), -std::numeric_limits<double>::denorm_min()};
  for (int g = 0; g < 15; ++g) {
    for (double& d : el.GP[g].Dep) d = uniform(rng, -100, 100);
    el.GP[g].F = F[g % 7];
  }
  for (int symmetric : {0, 1}) {
    for (int tangent : {-3, 0, 1, 2}) {
      double ke[900], ref[900];
      TH10G15::make_ke(&el, ke, tangent);
      reference_ke(el, tangent, ref);
      EXPECT_LT(rel_diff(ke, ref, 900), 1e-12) << "tangent " << tangent << " symmetric " << symmetric;
      for (int r = 0; r < 30 * symmetric; ++r)
        for (int c = 0; c < r; ++c) EXPECT_EQ(ke[30 * r + c], ke[30 * c + r]);
    }
    for (GP& g : el.GP) {
      for (int r = 0; r < 6; ++r)
        for (int c = 0; c < r; ++c) g.Dep[6 * r + c] = g.Dep[6 * c + r];
      g.F = 1.0;
    }
  }
}
