// Real geotechnical set-ups: gmsh meshes against the same mesh read as GiD,
// initial stresses from the K0 procedure and from gravity loading, and
// phases that excavate, build and load, against their closed forms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "box_mesh.h"
#include "element_geometry.h"
#include "gid_ascii.h"
#include "test_support.h"

namespace {

using namespace th10run;
using th10run_test::example;
using th10run_test::solve;
using th10run_test::TempDir;

std::unique_ptr<Simulation> run(const std::string& text) {
  Problem p = parse_problem(text + "\n[output]\ngid = false\nvtu = false\ncsv = false\n", "case.toml");
  return solve(p, SolverKind::Dense);
}

// The weight of the layered column of examples/layered above height z
// (sand 8 to 12, clay 3 to 8, gravel 0 to 3), and each layer's ratio.
double column_weight(double z) {
  const double top[3] = {12, 8, 3}, gamma[3] = {18, 20, 21};
  double w = 0.0;
  for (int k = 0; k < 3; ++k) w += gamma[k] * std::max(0.0, top[k] - std::max(z, k < 2 ? top[k + 1] : 0.0));
  return w;
}

void check_column(const Simulation& s, const double* ratio, double tol) {
  ASSERT_TRUE(s.result.completed) << s.result.message;
  for (const TH10G15::ELEMENT& el : s.model.elems)
    for (int g = 0; g < tet10::kGaussPoints; ++g) {
      double xyz[3];
      tet10::gauss_point_position(el, g, xyz);
      const double sv = -column_weight(xyz[2]), k = ratio[xyz[2] > 8 ? 0 : xyz[2] > 3 ? 1 : 2];
      const double* s = el.GP[g].stress;
      ASSERT_NEAR(s[2], sv, tol * 235) << "z " << xyz[2];
      ASSERT_NEAR(s[0], k * sv, tol * 235) << "z " << xyz[2];
      ASSERT_NEAR(s[1], k * sv, tol * 235) << "z " << xyz[2];
    }
}

TEST(Th10runInitialStress, K0ProcedureGivesTheLayersWeight) {
  TempDir dir;
  const double K0[3] = {0.5, 0.6, 1 - std::sin(40 * M_PI / 180)};
  check_column(*solve(example("layered/column_k0.toml"), SolverKind::Dense), K0, 1e-12);
}

TEST(Th10runInitialStress, ElasticGravityLoadingBetweenRollers) {
  TempDir dir;
  const double ratio[3] = {0.3 / 0.7, 0.35 / 0.65, 0.25 / 0.75};  // nu / (1 - nu)
  const auto s = solve(example("layered/column_gravity.toml"), SolverKind::Dense);
  check_column(*s, ratio, 1e-10);
  // The top settles by the integral of the vertical stress over the
  // constrained modulus of each layer.
  double settlement = 0.0, z = 12.0;
  const double E[3] = {3e4, 1e4, 8e4}, nu[3] = {0.3, 0.35, 0.25}, h[3] = {4, 5, 3};
  for (int k = 0; k < 3; ++k) {
    const double M = E[k] * (1 - nu[k]) / ((1 + nu[k]) * (1 - 2 * nu[k]));
    settlement += (column_weight(z) + column_weight(z - h[k])) / 2 * h[k] / M;
    z -= h[k];
  }
  for (const FEM::NODE& n : s->model.nodes) {
    if (n.z == 12.0) {
      EXPECT_NEAR(n.u[2], -settlement, 1e-10 * settlement);
    }
  }
}

// The K0 procedure refuses ground that is not horizontal.
TEST(Th10runInitialStress, K0NeedsAHorizontalSurface) {
  TempDir dir;
  EXPECT_THROW(run("[[group]]\nname = \"hill\"\nbox = [[0.5,0,0.5],[1,1,1]]\n[material]\nunit_weight = 20\n"
                   "[[phase]]\ntype = \"k0\"\ndeactivate = \"hill\"\n[[support]]\nbox = [[0,0,0],[1,1,0]]\n"
                   "fix = \"xyz\"\n"),
               ModelError);
}

// Excavation of an elastic body: the displacements of removing the group
// are those of the remaining body under the forces the group exerted on it:
// K_remaining du = F_int(removed, at the end of the phase before).
TEST(Th10runPhases, ExcavationReleasesTheForcesOfTheRemovedElements) {
  TempDir dir;
  const auto s =
      run("[mesh]\nsize = [2, 1, 2]\ncells = [2, 1, 2]\n[material]\nc = 1e6\n[[group]]\nname = \"dig\"\n"
          "box = [[1,0,1],[2,1,2]]\n[[support]]\nbox = [[0,0,0],[2,1,0]]\nfix = \"xyz\"\n[[support]]\n"
          "box = [[0,0,0],[2,1,2]]\nfix = \"y\"\n[[phase]]\n[[phase.pressure]]\nbox = [[0,0,2],[1,1,2]]\np = "
          "100\n"
          "[[phase]]\ndeactivate = \"dig\"\nreset_displacements = true\n[steps]\nincrements = 1\ntolerance = "
          "1e-12\n");
  ASSERT_TRUE(s->result.completed) << s->result.message;
  const Model& m = s->model;
  const ElementGroup& dig = m.group("dig", "test");
  const int n = m.nDofs();
  std::vector<double> F(n, 0.0), Kdu(n, 0.0);
  std::vector<TH10G15::ELEMENT> elems = m.elems;
  TH10G15::make_Fint(&elems[dig.first], dig.count, m.nNodes(), F.data());
  std::vector<char> held(n, 0), used(m.nNodes(), 0);
  for (int e = 0; e < m.nElements(); ++e) {
    if (e >= dig.first && e < dig.first + dig.count) continue;
    double ke[tet10::kMatrixSize];
    TH10G15::make_ke(&elems[e], ke, 0);
    for (int a = 0; a < tet10::kDofs; ++a) {
      used[elems[e].DoF[a] / 3] = 1;
      for (int b = 0; b < tet10::kDofs; ++b)
        Kdu[elems[e].DoF[a]] += ke[tet10::kDofs * a + b] * m.nodes[elems[e].DoF[b] / 3].u[b % 3];
    }
  }
  double err = 0.0, ref = 0.0;
  for (int i = 0; i < n; ++i) {
    const FEM::NODE& node = m.nodes[i / 3];
    if (node.z == 0.0 || i % 3 == 1 || !used[i / 3]) {
      continue;  // supported or removed
    }
    err = std::max(err, std::fabs(Kdu[i] - F[i]));
    ref = std::max(ref, std::fabs(F[i]));
  }
  EXPECT_GT(ref, 1.0);
  EXPECT_LT(err, 1e-8 * ref);
}

// A layer built on a body loaded by its weight carries only the load put
// on it afterwards: it joins stress-free.
TEST(Th10runPhases, ABuiltLayerCarriesOnlyTheLaterLoad) {
  TempDir dir;
  const auto s = run(
      "[mesh]\nsize = [1, 1, 2]\ncells = [1, 1, 2]\n[[group]]\nname = \"fill\"\nbox = [[0,0,1],[1,1,2]]\n"
      "[[material]]\nname = \"ground\"\nunit_weight = 20\nc = 1e6\n[[material]]\nname = \"fill\"\ngroups = "
      "\"fill\"\n"
      "c = 1e6\n[[support]]\nbox = [[0,0,0],[1,1,0]]\nfix = \"xyz\"\n[[support]]\nbox = "
      "[[0,0,0],[0,1,2]]\nfix = \"x\"\n"
      "[[support]]\nbox = [[1,0,0],[1,1,2]]\nfix = \"x\"\n[[support]]\nbox = [[0,0,0],[1,1,2]]\nfix = \"y\"\n"
      "[[phase]]\ntype = \"gravity\"\n[[phase]]\nactivate = \"fill\"\n[[phase]]\n[[phase.pressure]]\n"
      "box = [[0,0,2],[1,1,2]]\np = 50\n[steps]\nincrements = 2\ntolerance = 1e-12\n");
  ASSERT_TRUE(s->result.completed) << s->result.message;
  const ElementGroup& fill = s->model.group("fill", "test");
  for (int e = fill.first; e < fill.first + fill.count; ++e)
    for (const TH10G15::GAUSSPOINT& g : s->model.elems[e].GP) {
      EXPECT_NEAR(g.stress[2], -50.0, 1e-9);
      EXPECT_NEAR(g.stress[0], -50.0 * 0.3 / 0.7, 1e-9);
    }
}

// Two phases that share one load path end where one phase does.
TEST(Th10runPhases, TwoPhasesEqualOnePhaseOnTheSamePath) {
  TempDir dir;
  const std::string body =
      "[mesh]\ncells = [2, 2, 2]\n[material]\nphi = 20\nc = 10\nassociated = true\n[[support]]\n"
      "box = [[0,0,0],[1,1,0]]\nfix = \"xyz\"\n[steps]\nincrements = 4\ntolerance = 1e-12\n";
  const std::string load = "\n[[phase.pressure]]\nbox = [[0,0,1],[0.5,0.5,1]]\np = ";
  const auto one = run(body + "[[phase]]\nincrements = 8" + load + "30\n");
  const auto two = run(body + "[[phase]]" + load + "15\n[[phase]]" + load + "15\n");
  ASSERT_TRUE(one->result.completed && two->result.completed);
  double err = 0.0;
  for (int e = 0; e < one->model.nElements(); ++e)
    for (int g = 0; g < tet10::kGaussPoints; ++g)
      for (int k = 0; k < 6; ++k)
        err = std::max(err,
                       std::fabs(one->model.elems[e].GP[g].stress[k] - two->model.elems[e].GP[g].stress[k]));
  EXPECT_LT(err, 1e-8 * 30);
}

// A gmsh mesh and the same mesh written as a GiD file give the same answer.
TEST(Th10runMeshes, GmshAndGidMeshesAgree) {
  TempDir dir;
  const std::string tail =
      "[[material]]\nname = \"clay\"\ngroups = \"clay\"\nE = 1e4\nc = 1e6\n[[material]]\nname = \"sand\"\n"
      "groups = \"sand\"\nE = 3e4\nc = 1e6\n[steps]\nincrements = 1\ntolerance = 1e-12\n";
  const auto gmsh =
      run("[mesh]\ntype = \"gmsh\"\nfile = \"" TH10RUN_EXAMPLES_DIR
          "/../tests/gmsh/cylinder.msh\"\n"
          "[[support]]\ngroup = \"base\"\nfix = \"xyz\"\n[[pressure]]\ngroup = \"top\"\np = 10\n" +
          tail);
  ASSERT_TRUE(gmsh->result.completed) << gmsh->result.message;
  boxmesh::BoxMesh b;
  for (const FEM::NODE& n : gmsh->model.nodes) b.xyz.insert(b.xyz.end(), {n.x, n.y, n.z});
  for (const TH10G15::ELEMENT& el : gmsh->model.elems) {
    std::array<int, 10> c;
    std::copy(el.Node_ID, el.Node_ID + 10, c.begin());
    b.conn.push_back(c);
  }
  ASSERT_TRUE(th10mesh::write_gid_ascii_file(b, "cyl_ascii.msh"));
  const auto gid =
      run("[mesh]\ntype = \"gid\"\nfile = \"" + dir.path() +
          "/cyl\"\n[[group]]\nname = \"clay\"\n"
          "box = [[-1,-1,0],[1,1,0.5]]\n[[group]]\nname = \"sand\"\nbox = [[-1,-1,0.5],[1,1,1]]\n"
          "[[support]]\nbox = [[-1,-1,0],[1,1,0]]\nfix = \"xyz\"\n[[pressure]]\nbox = [[-1,-1,1],[1,1,1]]\n"
          "p = 10\n" +
          tail);
  ASSERT_TRUE(gid->result.completed) << gid->result.message;
  double err = 0.0, big = 0.0;
  for (int i = 0; i < gmsh->model.nNodes(); ++i)
    for (int d = 0; d < 3; ++d) {
      err = std::max(err, std::fabs(gmsh->model.nodes[i].u[d] - gid->model.nodes[i].u[d]));
      big = std::max(big, std::fabs(gmsh->model.nodes[i].u[d]));
    }
  EXPECT_GT(big, 0.0);
  EXPECT_LT(err, 1e-12 * big);
}

}  // namespace
