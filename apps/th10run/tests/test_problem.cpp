// Problem files: defaults, and every kind of error names the file, the line
// and the field.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "problem.h"
#include "test_support.h"

namespace {

using namespace th10run;

Problem parse(const std::string& text) {
  return parse_problem(text, "dir/case.toml");
}

// The message of the error that the text raises ("" if none).
std::string error_of(const std::string& text) {
  try {
    parse(text);
  } catch (const ProblemError& e) {
    return e.what();
  }
  return "";
}

TEST(Th10runProblem, ReadsEveryTable) {
  const Problem p = parse(R"(
title = "t"
[mesh]
type = "gid"
file = "meshes/m"
[material]
E = 2e4
nu = 0.2
c = 5
phi = 25
psi = 5
associated = true
[initial_stress]
type = "geostatic"
unit_weight = 18
K0 = 0.5
surface = 3
[[support]]
box = [[0, 0, 0], [1, 1, 0]]
fix = "xz"
[[displacement]]
name = "top"
box = [[0, 0, 1], [1, 1, 1]]
z = -0.1
x = [0.5, 1, 2, 3]
[[pressure]]
box = [[0, 0, 1], [1, 1, 1]]
p = 7
[steps]
increments = 5
max_iterations = 9
tolerance = 1e-4
stiffness = "elastic"
integration = "mobilised"
max_cuts = 2
[solver]
type = "sparse"
dense_limit = 10
[output]
folder = "out"
name = "res"
gid = false
dump = true
every = 3
)");
  EXPECT_EQ(p.title, "t");
  EXPECT_EQ(p.mesh.kind, MeshKind::Gid);
  EXPECT_EQ(p.mesh.gid_name, "dir/meshes/m");  // relative to the problem file
  EXPECT_TRUE(p.materials[0].associated);
  EXPECT_EQ(p.initial.kind, InitialStressKind::Geostatic);
  EXPECT_DOUBLE_EQ(p.initial.K0, 0.5);
  ASSERT_EQ(p.supports.size(), 1u);
  EXPECT_TRUE(p.supports[0].fix[0] && !p.supports[0].fix[1] && p.supports[0].fix[2]);
  EXPECT_EQ(p.supports[0].where, "case.toml:18");
  ASSERT_EQ(p.phases.size(), 1u);
  ASSERT_EQ(p.phases[0].displacements.size(), 1u);
  const DisplacementInput& d = p.phases[0].displacements[0];
  EXPECT_TRUE(d.on[0] && !d.on[1] && d.on[2]);
  const double at[3] = {1, 1, 1};
  EXPECT_DOUBLE_EQ(d.value[0].at(at), 6.5);
  EXPECT_DOUBLE_EQ(d.value[2].at(at), -0.1);
  ASSERT_EQ(p.phases[0].pressures.size(), 1u);
  EXPECT_EQ(p.phases[0].pressures[0].name, "pressure1");
  EXPECT_EQ(p.steps.integration, Integration::Mobilised);
  EXPECT_EQ(p.steps.stiffness, Stiffness::Elastic);
  EXPECT_EQ(p.solver.kind, SolverKind::Sparse);
  EXPECT_EQ(p.output.folder, "out");
  EXPECT_FALSE(p.output.gid);
  EXPECT_TRUE(p.output.dump);
  EXPECT_EQ(p.output.every, 3);
}

TEST(Th10runProblem, ErrorsNameTheFileLineAndField) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"[material]\nE = 1e5\nEE = 3\n",
       "case.toml:3: material.EE: unknown field (expected one of: name, groups, E, nu, c, phi, psi, "
       "associated, "
       "tensile_strength, unit_weight, K0)"},
      {"[material]\n\nE = -1\n", "case.toml:3: material.E: expected a positive number, got -1"},
      {"[material]\nnu = 0.5\n", "case.toml:2: material.nu: expected a number > -1 and < 0.5, got 0.5"},
      {"[material]\nphi = 45\n", "case.toml:2: material.phi: expected a number >= 0 and < 45, got 45"},
      {"[material]\nassociated = 1\n", "case.toml:2: material.associated: expected true or false, got 1"},
      {"[mesh]\ncells = [2, 2]\n",
       "case.toml:2: mesh.cells: expected an array of 3 whole numbers, got an array of 2"},
      {"[mesh]\ntype = \"hex\"\n",
       "case.toml:2: mesh.type: expected one of \"box\", \"gid\", \"gmsh\", got \"hex\""},
      {"[mesh]\ntype = \"gid\"\n",
       "case.toml:1: mesh.file: missing (the GiD mesh file name without \"_ascii.msh\")"},
      {"[steps]\nincrements = 2.5\n",
       "case.toml:2: steps.increments: expected a whole number from 1 to 100000, got 2.5"},
      {"[[support]]\nfix = \"x\"\n",
       "case.toml:1: support[1].box: missing (an array of two corners [[xmin, ymin, zmin], [xmax, ymax, "
       "zmax]], or group = \"a physical surface\")"},
      {"[[support]]\nbox = [[0,0,0],[1,1,1]]\nfix = \"xw\"\n",
       "case.toml:3: support[1].fix: expected a string of the fixed directions, such as \"xyz\" or \"z\", "
       "got \"xw\""},
      {"[[displacement]]\nbox = [[0,0,0],[1,1,1]]\n",
       "case.toml:1: displacement[1].x: a prescribed displacement needs at least one of x, y, z"},
      {"[[displacement]]\nbox = [[0,0,0],[1,1,1]]\nz = [1, 2]\n",
       "case.toml:3: displacement[1].z: expected a number or [a, gx, gy, gz] (a + gx*x + gy*y + gz*z), got "
       "an array "
       "of 2"},
      {"[[pressure]]\nbox = [[0,0,0],[1,1,1]]\n", "case.toml:1: pressure[1].p: missing (a number)"},
      {"[output]\nname = \"a/b\"\n", "case.toml:2: output.name: a file stem without folders, got \"a/b\""},
      {"materials = 3\n",
       "case.toml:1: materials: unknown field (expected one of: title, mesh, group, material, "
       "initial_stress, "
       "support, displacement, pressure, phase, steps, solver, output)"},
      {"support = 3\n", "case.toml:1: support: expected tables written as [[support]], got 3"},
      {"[initial_stress]\ntype = \"uniform\"\n",
       "case.toml:1: initial_stress.stress: missing (an array of 6 numbers)"},
      {"[initial_stress]\ntype = \"geostatic\"\nunit_weight = 18\nsurface = 0\nstress = [0,0,0,0,0,0]\n",
       "case.toml:5: initial_stress.stress: unknown field (expected one of: type, unit_weight, K0, surface)"},
      {"[[phase]]\ntype = \"safety\"\n",
       "case.toml:1: a safety phase starts from the state that a phase before it has left (a gravity or load "
       "phase first)"},
      {"[[phase]]\n[[phase]]\ntype = \"safety\"\n[[phase]]\n",
       "case.toml:2: a safety phase leaves the strength reduced: it must be the last phase"},
      {"[[phase]]\n[[phase]]\ntype = \"safety\"\nmaterials = [\"clay\"]\n",
       "case.toml:2: phase phase2 reduces the strength of the unknown material \"clay\""},
      {"[[phase]]\n[[phase]]\ntype = \"safety\"\n[[phase.pressure]]\nbox = [[0,0,0],[1,1,1]]\np = 1\n",
       "case.toml:4: phase[2].pressure: a safety phase only reduces the strength: loads, supports, groups "
       "and "
       "the weight stay as the phase before left them"},
  };
  for (const Case& c : cases) EXPECT_EQ(error_of(c.text), c.message) << c.text;
}

TEST(Th10runProblem, SyntaxErrorsAndMissingFilesAreReportedNotThrownThrough) {
  const std::string bad = error_of("[material]\nE = = 3\n");
  EXPECT_EQ(bad.rfind("case.toml:2: not valid TOML: ", 0), 0u) << bad;
  EXPECT_NE(error_of("[material]\n[material]\n").find("case.toml:2: not valid TOML"), std::string::npos);
  EXPECT_THROW(read_problem("/nonexistent/problem.toml"), ProblemError);
  // Binary garbage is a syntax error, not a crash.
  std::string junk;
  for (int i = 0; i < 256; ++i) junk += static_cast<char>((i * 37) & 0xff);
  EXPECT_THROW(parse(junk), ProblemError);
}

TEST(Th10runProblem, ShippedExamplesAreValid) {
  int count = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(TH10RUN_EXAMPLES_DIR))
    if (e.path().extension() == ".toml") {
      EXPECT_NO_THROW(read_problem(e.path().string())) << e.path();
      ++count;
    }
  EXPECT_GE(count, 5);
}

}  // namespace
