// Mesh set-up, node sets, supports and consistent pressure loads.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <fstream>

#include "box_mesh.h"
#include "element_geometry.h"
#include "test_support.h"

namespace {

using namespace th10run;

TEST(Th10runMesh, GradedCoordinatesSpanTheLengthWithTheGivenRatio) {
  const std::vector<double> v = boxmesh::graded(-4.0, 0.0, 5, 0.25);
  ASSERT_EQ(v.size(), 6u);
  EXPECT_DOUBLE_EQ(v.front(), -4.0);
  EXPECT_DOUBLE_EQ(v.back(), 0.0);
  EXPECT_NEAR((v[5] - v[4]) / (v[1] - v[0]), 0.25, 1e-12);
  for (int i = 1; i < 4; ++i)  // constant growth from cell to cell
    EXPECT_NEAR((v[i + 1] - v[i]) / (v[i] - v[i - 1]), (v[2] - v[1]) / (v[1] - v[0]), 1e-12);
  EXPECT_EQ(boxmesh::graded(0, 2, 4, 1.0), std::vector<double>({0, 0.5, 1, 1.5, 2}));
}

TEST(Th10runMesh, GradedBoxFillsItsVolumeWithPositiveJacobians) {
  MeshInput s;
  s.cells[0] = 2;
  s.cells[1] = 1;
  s.cells[2] = 3;
  s.grading[2] = 3.0;
  const Model m = build_model(s, {});
  EXPECT_EQ(m.nElements(), 6 * 2 * 1 * 3);
  EXPECT_EQ(m.nNodes(), 5 * 3 * 7);
  double volume = 0.0;
  for (const auto& el : m.elems) {
    for (const auto& g : el.GP) {
      EXPECT_GT(g.Jac, 0.0);
      volume += g.w * g.Jac;
    }
  }
  EXPECT_NEAR(volume, 1.0, 1e-12);
}

TEST(Th10runMesh, BadGidMeshesGiveErrorsNotCrashes) {
  th10run_test::TempDir dir;
  MeshInput s;
  s.kind = MeshKind::Gid;
  s.gid_name = dir.path() + "/missing";
  EXPECT_THROW(build_model(s, {}), ModelError);
  // A header for 4-node tetrahedra, a truncated file and an inverted element.
  const char* texts[] = {
      "MESH dimension 3 ElemType Tetrahedra Nnode 4\nCoordinates\n1 0 0 0\nend coordinates\n",
      "MESH dimension 3 ElemType Tetrahedra Nnode 10\nCoordinates\n1 0 0 0\n2 1 0",
      "garbage\x01\x02\xff",
  };
  for (const char* t : texts) {
    std::ofstream(dir.path() + "/bad_ascii.msh") << t;
    s.gid_name = dir.path() + "/bad";
    EXPECT_THROW(build_model(s, {}), ModelError) << t;
  }
  // Swapping two corners of a valid element turns its Jacobian negative.
  std::string mesh = "MESH dimension 3 ElemType Tetrahedra Nnode 10\nCoordinates\n";
  const double xyz[10][3] = {{0, 0, 0},   {1, 0, 0},  {0, 1, 0},  {0, 0, 1},   {.5, 0, 0},
                             {.5, .5, 0}, {0, .5, 0}, {0, 0, .5}, {.5, 0, .5}, {0, .5, .5}};
  for (int i = 0; i < 10; ++i)
    mesh += std::to_string(i + 1) + " " + std::to_string(xyz[i][0]) + " " + std::to_string(xyz[i][1]) + " " +
            std::to_string(xyz[i][2]) + "\n";
  mesh += "End Coordinates\n\nElements\n1 2 1 3 4 5 7 6 9 8 10\nEnd Elements\n";
  std::ofstream(dir.path() + "/inv_ascii.msh") << mesh;
  s.gid_name = dir.path() + "/inv";
  try {
    build_model(s, {});
    ADD_FAILURE() << "inverted element accepted";
  } catch (const ModelError& e) {
    EXPECT_NE(std::string(e.what()).find("element 1 is inverted or degenerate"), std::string::npos)
        << e.what();
  }
}

TEST(Th10runLoads, FlatTrianglePressureGoesToTheMidSideNodes) {
  // Triangle (0,0,0), (2,0,0), (0,1,0): area 1, normal +z.
  const double x[18] = {0, 0, 0, 2, 0, 0, 0, 1, 0, 1, 0, 0, 1, 0.5, 0, 0, 0.5, 0};
  double f[18];
  tet10::face_pressure_forces(x, 3.0, f);
  for (int k = 0; k < 6; ++k) {
    EXPECT_NEAR(f[3 * k], 0.0, 1e-15);
    EXPECT_NEAR(f[3 * k + 1], 0.0, 1e-15);
    EXPECT_NEAR(f[3 * k + 2], k < 3 ? 0.0 : -1.0, 1e-14) << k;  // p A / 3 on each mid-side node
  }
}

TEST(Th10runLoads, CurvedFaceForcesSumToPressureTimesAreaVector) {
  // A face over the unit right triangle in the xy plane whose hypotenuse is a
  // parabola lifted 0.3 at its middle. The total force of a uniform pressure
  // is -p times the area vector (1/2) loop integral of r x dr, which depends
  // on the boundary only: (-0.2, -0.2, 0.5) for this face.
  double x[18] = {0, 0, 0, 1, 0, 0, 0, 1, 0, 0.5, 0, 0, 0.5, 0.5, 0, 0, 0.5, 0};
  x[3 * 4 + 2] = 0.3;  // lift the mid-side node of the hypotenuse
  double f[18], sum[3] = {0, 0, 0};
  tet10::face_pressure_forces(x, 2.0, f);
  for (int k = 0; k < 6; ++k)
    for (int d = 0; d < 3; ++d) sum[d] += f[3 * k + d];
  EXPECT_NEAR(sum[0], 0.4, 1e-13);
  EXPECT_NEAR(sum[1], 0.4, 1e-13);
  EXPECT_NEAR(sum[2], -1.0, 1e-13);
}

// The resultant of one pressure load on a 2 x 1 x 1 box.
std::array<double, 3> resultant(const std::string& pressure) {
  const Problem p = parse_problem("[mesh]\nsize = [2, 1, 1]\ncells = [2, 2, 1]\n" + pressure, "p.toml");
  const Model m = build_model(p.mesh, p.groups);
  const Boundary b = build_boundary(m, p, 0, std::vector<char>(m.groups.size(), 1));
  std::array<double, 3> f = {0, 0, 0};
  for (int i = 0; i < m.nDofs(); ++i) f[i % 3] += b.Fref[i];
  return f;
}

TEST(Th10runLoads, PressureOnABoxFacePushesInwardWithTheFullResultant) {
  // Pushes down on the top face of area 2.
  const auto top = resultant("[[pressure]]\nbox = [[0, 0, 1], [2, 1, 1]]\np = 5\n");
  EXPECT_NEAR(top[0], 0.0, 1e-12);
  EXPECT_NEAR(top[1], 0.0, 1e-12);
  EXPECT_NEAR(top[2], -10.0, 1e-12);
  // A negative pressure pulls the face x = 0 (area 1) outwards, towards -x;
  // the bottom face is pushed up.
  const auto side = resultant("[[pressure]]\nbox = [[0, 0, 0], [0, 1, 1]]\np = -1\n");
  EXPECT_NEAR(side[0], -1.0, 1e-12);
  const auto base = resultant("[[pressure]]\nbox = [[0, 0, 0], [2, 1, 0]]\np = 3\n");
  EXPECT_NEAR(base[2], 6.0, 1e-12);
  // Pressure all round a closed body adds up to nothing.
  const auto all = resultant("[[pressure]]\nbox = [[0, 0, 0], [2, 1, 1]]\np = 4\n");
  for (double f : all) EXPECT_NEAR(f, 0.0, 1e-12);
}

TEST(Th10runLoads, SupportsAndLinearPrescribedDisplacements) {
  const Problem p = parse_problem(R"(
[mesh]
size = [2, 1, 1]
cells = [2, 2, 1]
[[support]]
box = [[0, 0, 0], [2, 1, 0]]
fix = "xyz"
[[displacement]]
box = [[2, 0, 0], [2, 1, 1]]
x = [0, 0, 0, 0.1]
)",
                                  "p.toml");
  const Model m = build_model(p.mesh, p.groups);
  const Boundary b = build_boundary(m, p, 0, std::vector<char>(m.groups.size(), 1));
  const auto monitors = build_monitors(m, p, phase_activity(m, p));
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(monitors[0].name, "displacement1");
  int fixed = 0;
  for (int i = 0; i < m.nNodes(); ++i) {
    for (int d = 0; d < 3; ++d) fixed += b.con.kind[3 * i + d] == Constraints::Fixed;
    if (m.nodes[i].x == 2.0) {
      // The prescribed displacement overrides the support on the shared edge.
      EXPECT_EQ(b.con.kind[3 * i], Constraints::Prescribed);
      EXPECT_DOUBLE_EQ(b.con.target[3 * i], 0.1 * m.nodes[i].z);
    }
  }
  EXPECT_EQ(fixed, 3 * 5 * 5 - 5);  // the base, less x of its 5 nodes at x = 2
  EXPECT_EQ(b.con.nFree + b.con.nPrescribed + fixed, m.nDofs());
}

TEST(Th10runLoads, EmptyNodeSetsAreErrorsThatNameTheTable) {
  const char* texts[] = {
      "[[support]]\nbox = [[5, 5, 5], [6, 6, 6]]\nfix = \"z\"\n",
      "[[displacement]]\nbox = [[5, 5, 5], [6, 6, 6]]\nz = 1\n",
      "[[pressure]]\nbox = [[0, 0, 0], [1, 0, 0]]\np = 1\n",  // nodes on an edge, but no whole face
  };
  for (const char* t : texts) {
    const Problem p = parse_problem(t, "e.toml");
    const Model m = build_model(p.mesh, p.groups);
    try {
      build_monitors(m, p, phase_activity(m, p));
      build_boundary(m, p, 0, std::vector<char>(m.groups.size(), 1));
      ADD_FAILURE() << t;
    } catch (const ModelError& e) {
      EXPECT_EQ(std::string(e.what()).rfind("e.toml:1: ", 0), 0u) << e.what();
    }
  }
}

TEST(Th10runOutput, VtkNodeOrderMatchesTheGeometry) {
  // VTK corners right-handed; each VTK mid-edge node halfway along its edge.
  const Model m = build_model(MeshInput{}, {});
  static const int edges[6][2] = {{0, 1}, {1, 2}, {2, 0}, {0, 3}, {1, 3}, {2, 3}};
  for (const auto& el : m.elems) {
    const double* c = el.Coords;
    auto X = [&](int vtk, int d) { return c[3 * tet10::vtk_node(vtk) + d]; };
    double a[3], b[3], e[3];
    for (int d = 0; d < 3; ++d) {
      a[d] = X(1, d) - X(0, d);
      b[d] = X(2, d) - X(0, d);
      e[d] = X(3, d) - X(0, d);
    }
    const double det = a[0] * (b[1] * e[2] - b[2] * e[1]) - a[1] * (b[0] * e[2] - b[2] * e[0]) +
                       a[2] * (b[0] * e[1] - b[1] * e[0]);
    EXPECT_GT(det, 0.0);
    for (int k = 0; k < 6; ++k)
      for (int d = 0; d < 3; ++d)
        EXPECT_DOUBLE_EQ(X(4 + k, d), 0.5 * (X(edges[k][0], d) + X(edges[k][1], d)));
  }
}

}  // namespace
