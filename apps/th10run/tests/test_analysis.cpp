// Whole analyses against closed-form solutions: elastic bar and pure bending
// on both solution paths, Mohr-Coulomb strength in uniaxial and triaxial
// compression, and the ways an analysis can fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "element_geometry.h"
#include "test_support.h"

namespace {

using namespace th10run;
using th10run_test::example;
using th10run_test::solve;
using th10run_test::TempDir;

// Largest error of the node displacements against a field, over the largest
// displacement; and of the Gauss-point stresses, over the largest stress.
template <class Field>
double displacement_error(const Model& m, Field exact) {
  double err = 0.0, big = 0.0;
  for (const FEM::NODE& n : m.nodes) {
    double u[3];
    exact(n.x, n.y, n.z, u);
    for (int d = 0; d < 3; ++d) {
      err = std::max(err, std::fabs(n.u[d] - u[d]));
      big = std::max(big, std::fabs(u[d]));
    }
  }
  return err / big;
}

template <class Field>
double stress_error(const Model& m, Field exact) {
  double err = 0.0, big = 0.0;
  for (const auto& el : m.elems)
    for (int g = 0; g < 15; ++g) {
      double xyz[3], s[6];
      tet10::gauss_point_position(el, g, xyz);
      exact(xyz, s);
      for (int k = 0; k < 6; ++k) {
        err = std::max(err, std::fabs(el.GP[g].stress[k] - s[k]));
        big = std::max(big, std::fabs(s[k]));
      }
    }
  return err / big;
}

class Th10runElastic : public ::testing::TestWithParam<SolverKind> {};

TEST_P(Th10runElastic, BarInTensionHasUniformStressAndStrain) {
  TempDir dir;
  const auto s = solve(example("elastic/bar.toml"), GetParam());
  ASSERT_TRUE(s->result.completed) << s->result.message;
  const double E = 1e5, nu = 0.25, sig = 100.0;
  EXPECT_LT(displacement_error(s->model,
                               [&](double x, double y, double z, double* u) {
                                 u[0] = sig / E * x;
                                 u[1] = -nu * sig / E * y;
                                 u[2] = -nu * sig / E * z;
                               }),
            1e-10);
  EXPECT_LT(stress_error(s->model,
                         [&](const double*, double* t) {
                           std::fill(t, t + 6, 0.0);
                           t[0] = sig;
                         }),
            1e-10);
}

TEST_P(Th10runElastic, PureBendingReproducesTheQuadraticField) {
  TempDir dir;
  const auto s = solve(example("elastic/bending.toml"), GetParam());
  ASSERT_TRUE(s->result.completed) << s->result.message;
  const double E = 1e5, nu = 0.25, k = 0.001;
  EXPECT_LT(displacement_error(s->model,
                               [&](double x, double y, double z, double* u) {
                                 u[0] = -k * x * z;
                                 u[1] = nu * k * y * z;
                                 u[2] = 0.5 * k * (x * x + nu * (z * z - y * y));
                               }),
            1e-10);
  EXPECT_LT(stress_error(s->model,
                         [&](const double* xyz, double* t) {
                           std::fill(t, t + 6, 0.0);
                           t[0] = -E * k * xyz[2];
                         }),
            1e-10);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, Th10runElastic, ::testing::Values(SolverKind::Dense, SolverKind::Sparse),
                         [](const auto& info) {
                           return info.param == SolverKind::Dense ? "Dense" : "Sparse";
                         });

// The axial stress history (compression positive) of a homogeneous cube test,
// from the CSV curve: the force on the top face over its area of 1.
std::vector<double> axial_history(const std::string& csv) {
  std::ifstream in(csv);
  std::string line;
  std::getline(in, line);
  std::vector<double> out;
  while (std::getline(in, line)) {
    std::stringstream ss(line);
    std::string cell;
    std::vector<double> v;
    while (std::getline(ss, cell, ',')) v.push_back(std::stod(cell));
    out.push_back(-v[9]);  // top_Fz
  }
  return out;
}

double max_phi(const Model& m) {
  double phi = 0.0;
  for (const auto& el : m.elems)
    for (const auto& g : el.GP) phi = std::max(phi, g.Phi);
  return phi;
}

struct StrengthCase {
  const char* file;
  double sig3;  // cell pressure, compression positive
  Integration integration;
  SolverKind solver;
  Stiffness stiffness;
};

void PrintTo(const StrengthCase& c, std::ostream* os) {
  *os << c.file << ", sig3 = " << c.sig3;
}

class Th10runStrength : public ::testing::TestWithParam<StrengthCase> {};

// The Mohr-Coulomb strength with phi the lower bound of the friction angle
// is reached from below, within the stress change of one increment (the cube
// is elastic until then: E times the axial strain increment).
TEST_P(Th10runStrength, ReachesTheMohrCoulombStrengthFromBelow) {
  const StrengthCase& c = GetParam();
  TempDir dir;
  Problem p = example(c.file);
  p.output.csv = true;
  p.steps.integration = c.integration;
  p.steps.stiffness = c.stiffness;
  const auto s = solve(p, c.solver);
  ASSERT_TRUE(s->result.completed) << s->result.message;
  const double phi = p.material.phi * M_PI / 180.0, coh = p.material.c;
  const double strength =
      2 * coh * std::cos(phi) / (1 - std::sin(phi)) + c.sig3 * (1 + std::sin(phi)) / (1 - std::sin(phi));
  const std::vector<double> sig1 = axial_history(p.output.name + ".csv");
  const double step = p.material.E * std::fabs(p.displacements[0].value[2].a) / p.steps.increments;
  double top = 0.0;
  for (double s1 : sig1) top = std::max(top, s1 + c.sig3);
  EXPECT_LE(top, strength * (1 + 1e-9));
  EXPECT_GE(top, strength - step);
  // The curve ends on a plateau: the last increments carry no more load.
  EXPECT_NEAR(sig1.back() + c.sig3, top, 1e-6 * top);
  std::printf("    %s: strength %.4f, reached %.4f (one increment %.4f), largest friction angle %.4f deg\n",
              c.file, strength, top, step, max_phi(s->model));
}

// Readable case names, for example "Triaxial_Mobilised_Sparse_Newton".
std::string strength_case_name(const ::testing::TestParamInfo<StrengthCase>& info) {
  static const char* const integration[] = {"Basic", "Mobilised", "PlasticForces"};
  static const char* const stiffness[] = {"Elastic", "Tangent", "Newton"};
  const StrengthCase& c = info.param;
  return std::string(c.sig3 == 0.0 ? "Uniaxial" : "Triaxial") + "_" +
         integration[static_cast<int>(c.integration)] + "_" +
         (c.solver == SolverKind::Dense ? "Dense" : "Sparse") + "_" +
         stiffness[static_cast<int>(c.stiffness)];
}

INSTANTIATE_TEST_SUITE_P(
    Cubes, Th10runStrength,
    ::testing::Values(StrengthCase{"triaxial/uniaxial.toml", 0.0, Integration::Basic, SolverKind::Dense,
                                   Stiffness::Tangent},
                      StrengthCase{"triaxial/triaxial.toml", 100.0, Integration::Basic, SolverKind::Dense,
                                   Stiffness::Tangent},
                      StrengthCase{"triaxial/uniaxial.toml", 0.0, Integration::Mobilised, SolverKind::Sparse,
                                   Stiffness::Tangent},
                      StrengthCase{"triaxial/triaxial.toml", 100.0, Integration::Mobilised,
                                   SolverKind::Sparse, Stiffness::Newton},
                      StrengthCase{"triaxial/triaxial.toml", 100.0, Integration::PlasticForces,
                                   SolverKind::Dense, Stiffness::Elastic},
                      StrengthCase{"triaxial/uniaxial.toml", 0.0, Integration::Basic, SolverKind::Sparse,
                                   Stiffness::Newton}),
    strength_case_name);

TEST(Th10runFailures, UnsupportedBodyIsASolverError) {
  TempDir dir;
  Problem p = parse_problem("[[pressure]]\nbox = [[0,0,1],[1,1,1]]\np = 1\n", "free.toml");
  p.output.gid = p.output.vtu = p.output.csv = false;
  for (SolverKind k : {SolverKind::Dense, SolverKind::Sparse}) EXPECT_THROW(solve(p, k), SolverError);
}

TEST(Th10runFailures, AnIncrementThatCannotConvergeStopsAfterTheCuts) {
  // A cube pulled apart far beyond its strength with one iteration allowed:
  // every attempt fails, and the analysis stops after the given cuts with the
  // state of the last committed increment.
  TempDir dir;
  Problem p = example("triaxial/uniaxial.toml");
  p.steps.max_iterations = 1;
  p.steps.max_cuts = 3;
  p.steps.increments = 2;
  p.displacements[0].value[2].a = -0.05;
  const auto s = solve(p, SolverKind::Dense);
  EXPECT_FALSE(s->result.completed);
  EXPECT_EQ(s->result.cuts, 4);
  EXPECT_NE(s->result.message.find("did not converge after 3 cuts"), std::string::npos) << s->result.message;
  for (const auto& el : s->model.elems)
    for (const auto& g : el.GP)
      for (int k = 0; k < 6; ++k) EXPECT_EQ(g.dstrain[k], 0.0);  // back at the committed state
}

}  // namespace

namespace {

TEST(Th10runIterations, BroydenUpdatesReachTheSameState) {
  // The triaxial test on the committed tangent, with and without Broyden's
  // updates: the same converged stresses, in fewer iterations.
  TempDir dir;
  Problem p = example("triaxial/triaxial.toml");
  p.steps.increments = 12;
  const auto plain = solve(p, SolverKind::Dense);
  p.steps.acceleration = Acceleration::Broyden;
  const auto broyden = solve(p, SolverKind::Dense);
  ASSERT_TRUE(plain->result.completed && broyden->result.completed);
  double diff = 0.0;
  for (int e = 0; e < plain->model.nElements(); ++e)
    for (int g = 0; g < 15; ++g)
      for (int k = 0; k < 6; ++k)
        diff = std::max(
            diff, std::fabs(plain->model.elems[e].GP[g].stress[k] - broyden->model.elems[e].GP[g].stress[k]));
  EXPECT_LT(diff, 1e-5 * 325.0);
  EXPECT_LT(broyden->result.iterations, plain->result.iterations);
  std::printf("    iterations: %d plain, %d with Broyden's updates\n", plain->result.iterations,
              broyden->result.iterations);
}

}  // namespace
