// Whole analyses against closed-form solutions: elastic bar and pure bending
// on both solution paths; the Mohr-Coulomb strength of homogeneous cubes
// with the exact return, whatever the increment size, and Newton's
// quadratic convergence; the ways an analysis can fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

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
    for (int g = 0; g < tet10::kGaussPoints; ++g) {
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

// A homogeneous unit cube (one cell, six elements) of c = 10, phi = 30,
// E = 1e5, nu = 0.3 under one of the classic tests, strained to `strains`
// times the strain of its stress change to failure over E, in `increments`
// equal steps.
enum class CubeTest { Uniaxial, Triaxial, Extension, PlaneStrain, SimpleShear, Tension };

struct CubeCase {
  CubeTest test;
  bool associated;
  double strains;  // total strain over the yield strain (the strength over E)
  int increments;
};

// The boundary conditions of each test. Rollers on x = 0, y = 0, z = 0; the
// triaxial tests start from an isotropic stress of -100 held by the sides.
std::string cube_problem(const CubeCase& c, double stress_change) {
  const double e = c.strains * stress_change / 1e5;
  std::string s = "[mesh]\ncells = [1, 1, 1]\n[material]\nE = 1e5\nnu = 0.3\nc = 10\nphi = 30\n";
  s += c.associated ? "associated = true\n" : "psi = 0\n";
  if (c.test == CubeTest::Tension) s += "tensile_strength = 5\n";
  if (c.test == CubeTest::Triaxial || c.test == CubeTest::Extension)
    s += "[initial_stress]\ntype = \"uniform\"\nstress = [-100, -100, -100, 0, 0, 0]\n";
  const char* rollers[] = {"[[support]]\nbox = [[0,0,0],[0,1,1]]\nfix = \"x\"\n",
                           "[[support]]\nbox = [[0,0,0],[1,0,1]]\nfix = \"y\"\n",
                           "[[support]]\nbox = [[0,0,0],[1,1,0]]\nfix = \"z\"\n"};
  const std::string top = "[[displacement]]\nname = \"top\"\nbox = [[0,0,1],[1,1,1]]\n";
  switch (c.test) {
    case CubeTest::SimpleShear:
      // Every boundary node follows u = (gamma z, 0, 0).
      for (const char* face : {"[[0,0,0],[1,1,0]]", "[[0,0,1],[1,1,1]]", "[[0,0,0],[0,1,1]]",
                               "[[1,0,0],[1,1,1]]", "[[0,0,0],[1,0,1]]", "[[0,1,0],[1,1,1]]"})
        s += "[[displacement]]\nbox = " + std::string(face) + "\nx = [0, 0, 0, " + std::to_string(2 * e) +
             "]\ny = 0\nz = 0\n";
      break;
    case CubeTest::PlaneStrain:
      s += rollers[0] + std::string(rollers[2]) + "[[support]]\nbox = [[0,0,0],[1,1,1]]\nfix = \"y\"\n";
      s += top + "z = " + std::to_string(-e) + "\n";
      break;
    default:
      s += rollers[0] + std::string(rollers[1]) + rollers[2];
      s += top +
           "z = " + std::to_string(c.test == CubeTest::Extension || c.test == CubeTest::Tension ? e : -e) +
           "\n";
  }
  s += "[steps]\ntolerance = 1e-10\nmax_iterations = 20\nincrements = " + std::to_string(c.increments) + "\n";
  s += "[output]\ngid = false\nvtu = false\ncsv = false\n";
  return s;
}

// The closed-form stress at failure, the stress component it fixes, and
// how far that component moves from the start to there.
struct Strength {
  double value;
  int component;
  double change() const { return std::fabs(value - (component == 2 ? initial : 0.0)); }
  double initial = 0.0;
};

Strength strength_of(CubeTest t) {
  const double sin_phi = 0.5, cos_phi = std::sqrt(0.75), c = 10.0;
  const double qu = 2 * c * cos_phi / (1 - sin_phi);  // uniaxial, 34.64
  const double Kp = (1 + sin_phi) / (1 - sin_phi);    // 3
  switch (t) {
    case CubeTest::Uniaxial:
    case CubeTest::PlaneStrain:
      return {-qu, 2};
    case CubeTest::Triaxial:
      return {-(qu + 100 * Kp), 2, -100};
    case CubeTest::Extension:
      return {-(100 - qu) / Kp, 2, -100};  // the axial stress rises to this
    case CubeTest::SimpleShear:
      return {c * cos_phi, 5};  // tau_zx with no normal stress (psi = 0)
    case CubeTest::Tension:
      return {5.0, 2};  // the cut-off, below the tensile strength 2 c cos(phi) / (1 + sin(phi)) = 11.5
  }
  return {0, 0};
}

std::string cube_name(const ::testing::TestParamInfo<CubeCase>& info) {
  static const char* const names[] = {"Uniaxial",    "Triaxial",    "Extension",
                                      "PlaneStrain", "SimpleShear", "Tension"};
  const CubeCase& c = info.param;
  return std::string(names[static_cast<int>(c.test)]) + (c.associated ? "_Associated_" : "_Psi0_") +
         std::to_string(c.increments) + "x" +
         std::to_string(static_cast<int>(100 * c.strains / c.increments)) + "pct";
}

class Th10runCube : public ::testing::TestWithParam<CubeCase> {};

// The strength equals its closed form at every Gauss point, whether an
// increment is a hundredth of the yield strain or ten times it.
TEST_P(Th10runCube, ReachesTheClosedFormStrengthAtAnyIncrementSize) {
  const CubeCase& c = GetParam();
  TempDir dir;
  const Strength f = strength_of(c.test);
  const auto s = solve(parse_problem(cube_problem(c, f.change()), "cube.toml"), SolverKind::Dense);
  ASSERT_TRUE(s->result.completed) << s->result.message;
  for (const auto& el : s->model.elems)
    for (const auto& g : el.GP) ASSERT_NEAR(g.stress[f.component], f.value, 1e-6 * std::fabs(f.value));
}

INSTANTIATE_TEST_SUITE_P(
    Cubes, Th10runCube,
    ::testing::Values(
        CubeCase{CubeTest::Uniaxial, false, 10, 1}, CubeCase{CubeTest::Uniaxial, true, 2, 200},
        CubeCase{CubeTest::Triaxial, false, 2, 200}, CubeCase{CubeTest::Triaxial, true, 10, 1},
        CubeCase{CubeTest::Extension, false, 10, 1}, CubeCase{CubeTest::Extension, true, 2, 200},
        CubeCase{CubeTest::PlaneStrain, true, 10, 1}, CubeCase{CubeTest::PlaneStrain, false, 2, 200},
        CubeCase{CubeTest::SimpleShear, false, 10, 1}, CubeCase{CubeTest::SimpleShear, false, 2, 200},
        CubeCase{CubeTest::Tension, true, 10, 1}, CubeCase{CubeTest::Tension, false, 2, 200}),
    cube_name);

// Where the solution is unique, Newton's method with the consistent tangent
// converges quadratically: at most 6 iterations per increment to 1e-10, and
// once the residual is small each one at most a constant times the square
// of the one before.
TEST(Th10runNewton, ConvergesQuadraticallyWhereTheSolutionIsUnique) {
  TempDir dir;
  for (CubeTest t : {CubeTest::PlaneStrain, CubeTest::SimpleShear}) {
    const CubeCase c{t, t == CubeTest::PlaneStrain, 5, 10};
    const auto s =
        solve(parse_problem(cube_problem(c, strength_of(t).change()), "cube.toml"), SolverKind::Dense);
    ASSERT_TRUE(s->result.completed) << s->result.message;
    for (const auto& history : s->result.residuals) {
      EXPECT_LE(history.size(), 6u);
      for (size_t k = 1; k < history.size(); ++k) {
        if (history[k - 1] < 1e-3) {
          EXPECT_LE(history[k], 10.0 * history[k - 1] * history[k - 1]);
        }
      }
    }
  }
}

TEST(Th10runFailures, UnsupportedBodyIsASolverError) {
  TempDir dir;
  Problem p = parse_problem("[[pressure]]\nbox = [[0,0,1],[1,1,1]]\np = 1\n", "free.toml");
  p.output.gid = p.output.vtu = p.output.csv = false;
  for (SolverKind k : {SolverKind::Dense, SolverKind::Sparse}) EXPECT_THROW(solve(p, k), SolverError);
}

TEST(Th10runFailures, AnIncrementThatCannotConvergeStopsAfterTheCuts) {
  // A cube crushed far beyond its strength with one iteration allowed:
  // every attempt fails, and the analysis stops after the given cuts with the
  // state of the last committed increment.
  TempDir dir;
  Problem p = example("triaxial/uniaxial.toml");
  p.steps.max_iterations = 1;
  p.steps.max_cuts = 3;
  p.steps.increments = 2;
  p.phases[0].displacements[0].value[2].a = -0.05;
  const auto s = solve(p, SolverKind::Dense);
  EXPECT_FALSE(s->result.completed);
  EXPECT_EQ(s->result.cuts, 4);
  EXPECT_NE(s->result.message.find("did not converge after 3 cuts"), std::string::npos) << s->result.message;
  for (const auto& el : s->model.elems)
    for (const auto& g : el.GP)
      for (int k = 0; k < 6; ++k) EXPECT_EQ(g.dstrain[k], 0.0);  // back at the committed state
}

TEST(Th10runIterations, BroydenUpdatesReachTheSameState) {
  // The staged scheme on the committed tangent, with and without Broyden's
  // updates: the same converged stresses, in fewer iterations.
  TempDir dir;
  Problem p = example("triaxial/triaxial.toml");
  p.steps.increments = 12;
  p.steps.integration = Integration::Basic;
  p.steps.stiffness = Stiffness::Tangent;
  const auto plain = solve(p, SolverKind::Dense);
  p.steps.acceleration = Acceleration::Broyden;
  const auto broyden = solve(p, SolverKind::Dense);
  ASSERT_TRUE(plain->result.completed && broyden->result.completed);
  double diff = 0.0;
  for (int e = 0; e < plain->model.nElements(); ++e)
    for (int g = 0; g < tet10::kGaussPoints; ++g)
      for (int k = 0; k < 6; ++k)
        diff = std::max(
            diff, std::fabs(plain->model.elems[e].GP[g].stress[k] - broyden->model.elems[e].GP[g].stress[k]));
  EXPECT_LT(diff, 1e-5 * 325.0);
  EXPECT_LT(broyden->result.iterations, plain->result.iterations);
}

}  // namespace
