// The gmsh reader on meshes in tests/gmsh/ (made by gmsh from the .geo files
// there, so the tests need no gmsh): exact strains and the volume of curved
// 10-node tetrahedra through the library's B and Jacobians, physical groups,
// boundary faces, binary files, and the message of each malformed input.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

#include "element_geometry.h"
#include "gmsh_reader.h"
#include "test_support.h"

using namespace th10test;

namespace {

std::string data_file(const char* name) {
  return std::string(TH10FEM_SOURCE_DIR) + "/tests/gmsh/" + name;
}

// The library's records of a mesh read from gmsh, with Jacobians and B built.
Mesh records_of(const gmshmesh::Mesh& g) {
  boxmesh::BoxMesh b{0, 0, 0, g.xyz, {}};
  for (const gmshmesh::Tetrahedron& t : g.tetrahedra) b.conn.push_back(t.nodes);
  Mesh r{std::vector<FEM::NODE>(b.nNodes()), std::vector<TH10G15::ELEMENT>(b.nElements())};
  boxmesh::fill_records(b, r.nodes.data(), r.elems.data());
  TH10G15::make_GP_J_B(r.elems.data(), r.nElements());
  return r;
}

// u_i = A_ij x_j + q/2 x.Q_i x, gradient A_ij + q (Q_i x)_j (Q_i symmetric).
const double kA[3][3] = {{0.1, -0.2, 0.05}, {0.3, 0.02, -0.1}, {-0.07, 0.4, 0.2}};
const double kQ[3][3][3] = {{{1.0, 0.6, 0.0}, {0.6, 0.0, -0.7}, {0.0, -0.7, 0.0}},
                            {{0.0, 0.2, -0.3}, {0.2, 0.8, 0.0}, {-0.3, 0.0, 0.0}},
                            {{0.0, 0.45, -0.55}, {0.45, 0.0, 0.25}, {-0.55, 0.25, 0.7}}};

void field(const double* x, double q, double* u, double G[3][3]) {
  for (int i = 0; i < 3; ++i) {
    u[i] = 0.0;
    for (int j = 0; j < 3; ++j) {
      double Qx = 0.0;
      for (int k = 0; k < 3; ++k) Qx += kQ[i][j][k] * x[k];
      G[i][j] = kA[i][j] + q * Qx;
      u[i] += (kA[i][j] + 0.5 * q * Qx) * x[j];
    }
  }
}

// Largest difference between B times the nodal field and the exact strain
// (x, y, z, xy, yz, zx with engineering shears) over the Gauss points.
double strain_error(const TH10G15::ELEMENT& el, double q) {
  double ue[tet10::kDofs], u[3], G[3][3], x[3], worst = 0.0;
  for (int k = 0; k < tet10::kNodes; ++k) field(&el.Coords[3 * k], q, &ue[3 * k], G);
  for (int g = 0; g < tet10::kGaussPoints; ++g) {
    tet10::gauss_point_position(el, g, x);
    field(x, q, u, G);
    const double exact[6] = {G[0][0],           G[1][1],           G[2][2],
                             G[0][1] + G[1][0], G[1][2] + G[2][1], G[2][0] + G[0][2]};
    for (int r = 0; r < 6; ++r) {
      double eps = 0.0;
      for (int c = 0; c < tet10::kDofs; ++c) eps += el.GP[g].B[tet10::kDofs * r + c] * ue[c];
      worst = std::max(worst, std::fabs(eps - exact[r]));
    }
  }
  return worst;
}

// Whether every mid-edge node (by the faces' edges) lies halfway between its corners.
bool straight_sided(const TH10G15::ELEMENT& el) {
  for (const auto& face : tet10::kFaceNode)
    for (int j = 0; j < 3; ++j)
      for (int d = 0; d < 3; ++d) {
        const double mid = 0.5 * (el.Coords[3 * face[j] + d] + el.Coords[3 * face[(j + 1) % 3] + d]);
        if (std::fabs(el.Coords[3 * face[3 + j] + d] - mid) > 1e-9) return false;
      }
  return true;
}

// Checks that every triangle is a face of a tetrahedron, node for node, and
// gives for each +1 or -1 as its normal (x1 - x0) x (x2 - x0) points out of
// that tetrahedron or into it.
std::vector<int> faces_of(const gmshmesh::Mesh& g, const Mesh& r) {
  std::map<std::vector<int>, std::pair<int, int>> face_of;  // sorted corners -> element, face
  std::map<std::pair<int, int>, int> mid_of;                // ends of an edge -> its mid-edge node
  for (int e = 0; e < r.nElements(); ++e)
    for (int f = 0; f < tet10::kFaces; ++f) {
      const int *n = r.elems[e].Node_ID, *face = tet10::kFaceNode[f];
      std::vector<int> c = {n[face[0]], n[face[1]], n[face[2]]};
      for (int j = 0; j < 3; ++j) mid_of[std::minmax(c[j], c[(j + 1) % 3])] = n[face[3 + j]];
      std::sort(c.begin(), c.end());
      face_of[c] = {e, f};
    }
  std::vector<int> signs;
  for (const gmshmesh::Triangle& t : g.triangles) {
    const int* tn = t.nodes.data();
    for (int j = 0; j < 3; ++j) {
      const auto edge = std::minmax(tn[j], tn[(j + 1) % 3]);
      EXPECT_EQ(mid_of.count(edge) ? mid_of[edge] : -1, tn[3 + j]) << "triangle " << t.tag;
    }
    std::vector<int> c(tn, tn + 3);
    std::sort(c.begin(), c.end());
    const auto [e, f] = face_of.at(c);
    const int *n = r.elems[e].Node_ID, *face = tet10::kFaceNode[f];
    const int i = n[face[0]] == tn[0] ? 0 : n[face[1]] == tn[0] ? 1 : 2;  // where the triangle starts
    signs.push_back(tet10::face_orientation(r.elems[e], f) * (n[face[(i + 1) % 3]] == tn[1] ? 1 : -1));
  }
  return signs;
}

// The volume that the triangles enclose: 1/3 of the flux of x out through them.
double enclosed_volume(const gmshmesh::Mesh& g, const Mesh& r) {
  const std::vector<int> signs = faces_of(g, r);
  double volume = 0.0;
  for (std::size_t i = 0; i < g.triangles.size(); ++i) {
    double x[tet10::kFaceDofs], f[tet10::kFaceDofs];
    for (int k = 0; k < tet10::kFaceNodes; ++k)
      for (int d = 0; d < 3; ++d) x[3 * k + d] = g.xyz[3 * g.triangles[i].nodes[k] + d];
    tet10::face_pressure_forces(x, 1.0, f);  // f_k = -integral of N_k n dA
    for (int c = 0; c < tet10::kFaceDofs; ++c) volume -= signs[i] * x[c] * f[c] / 3.0;
  }
  return volume;
}

// The message of the error that reading the text gives, or "" when it reads.
std::string error_of(const std::string& text, const std::string& name) {
  try {
    gmshmesh::read_msh(text, name);
  } catch (const gmshmesh::Error& e) {
    return e.what();
  }
  return "";
}

// The one-tetrahedron mesh with each `from` replaced by its `to`.
using Edits = std::vector<std::pair<std::string, std::string>>;
std::string edited(const Edits& edits) {
  std::string text = read_file(data_file("one_tetrahedron.msh"));
  for (const auto& [from, to] : edits) text = replace_all(text, from, to);
  return text;
}

}  // namespace

TEST(GmshReader, CurvedCylinderGivesExactStrainsPositiveJacobiansAndItsVolume) {
  const gmshmesh::Mesh g = gmshmesh::read_msh_file(data_file("cylinder.msh"));
  const Mesh r = records_of(g);
  EXPECT_EQ(g.mirrored, 0);  // gmsh's orientation is the library's under the node map
  int straight = 0;
  double volume = 0.0;
  for (int e = 0; e < r.nElements(); ++e) {
    const TH10G15::ELEMENT& el = r.elems[e];
    for (const auto& p : el.GP) {
      EXPECT_GT(p.Jac, 0.0) << "element " << g.tetrahedra[e].tag;
      volume += p.w * p.Jac;
    }
    // Quadratic fields are exact on straight-sided elements; on curved ones
    // (x quadratic in the reference coordinates) linear fields are.
    const bool is_straight = straight_sided(el);
    straight += is_straight;
    EXPECT_LT(strain_error(el, is_straight ? 1.0 : 0.0), 1e-10) << "element " << g.tetrahedra[e].tag;
  }
  EXPECT_GT(straight, r.nElements() / 6);  // a wrong node order leaves no element straight
  EXPECT_LT(straight, r.nElements());      // and the mantle's elements are curved
  EXPECT_NEAR(volume, enclosed_volume(g, r), 1e-12);
  EXPECT_NEAR(volume, M_PI, 0.02);  // the cylinder of radius 1 and height 1
}

TEST(GmshReader, PhysicalGroupsAndTheirTrianglesOnTheBoundary) {
  const gmshmesh::Mesh g = gmshmesh::read_msh_file(data_file("cylinder.msh"));
  const gmshmesh::PhysicalGroup *clay = g.find_group(3, "clay"), *base = g.find_group(2, "base"),
                                *top = g.find_group(2, "top");
  ASSERT_TRUE(clay && base && top && g.find_group(3, "sand") && g.find_group(2, "mantle"));
  EXPECT_EQ(g.find_group(2, "clay"), nullptr);
  // Clay lies below z = 0.5, sand above; base at z = 0, top at z = 1, the
  // mantle at radius 1 (its mid-edge nodes too).
  for (const auto& t : g.tetrahedra)
    for (int n : t.nodes) EXPECT_GE((g.xyz[3 * n + 2] - 0.5) * (t.physical == clay->tag ? -1 : 1), -1e-12);
  for (const auto& t : g.triangles)
    for (int n : t.nodes) {
      const double* x = &g.xyz[3 * n];
      const double off = t.physical == base->tag  ? x[2]
                         : t.physical == top->tag ? x[2] - 1.0
                                                  : std::hypot(x[0], x[1]) - 1.0;
      EXPECT_NEAR(off, 0.0, 1e-9) << "triangle " << t.tag;
    }
  EXPECT_EQ(g.groups.size(), 5u);
  faces_of(g, records_of(g));  // every triangle is a face of a tetrahedron, node for node
}

TEST(GmshReader, BinaryFileReadsAsTheAsciiOne) {
  const gmshmesh::Mesh a = gmshmesh::read_msh_file(data_file("cylinder.msh"));
  const gmshmesh::Mesh b = gmshmesh::read_msh_file(data_file("cylinder_binary.msh"));
  ASSERT_EQ(a.xyz.size(), b.xyz.size());
  for (std::size_t i = 0; i < a.xyz.size(); ++i) EXPECT_NEAR(a.xyz[i], b.xyz[i], 1e-15);
  ASSERT_TRUE(a.tetrahedra.size() == b.tetrahedra.size() && a.triangles.size() == b.triangles.size());
  for (std::size_t i = 0; i < a.tetrahedra.size(); ++i)
    EXPECT_EQ(a.tetrahedra[i].nodes, b.tetrahedra[i].nodes);
  for (std::size_t i = 0; i < a.triangles.size(); ++i) EXPECT_EQ(a.triangles[i].nodes, b.triangles[i].nodes);
  EXPECT_TRUE(a.node_tags == b.node_tags && a.groups.size() == b.groups.size());
  // Errors in binary data are placed by byte.
  std::string text = read_file(data_file("cylinder_binary.msh"));
  EXPECT_EQ(error_of(text.substr(0, text.size() / 2), "half.msh").rfind("half.msh: byte ", 0), 0u);
  text.replace(text.find("4.1 1 8\n") + 8, 4, std::string("\0\0\0\1", 4));  // 1 in the other byte order
  EXPECT_EQ(error_of(text, "x.msh").rfind("x.msh: byte 20: the byte-order integer reads 16777216", 0), 0u);
}

TEST(GmshReader, ElementOfTheOppositeOrientationIsTurnedOver) {
  for (const Edits& edits : {Edits{}, Edits{{"\n4 1 2 3 4 5 6 7 8 9 10", "\n4 1 3 2 4 7 6 5 8 10 9"}}}) {
    const gmshmesh::Mesh g = gmshmesh::read_msh(edited(edits), "case.msh");
    EXPECT_EQ(g.mirrored, static_cast<int>(edits.size()));
    ASSERT_EQ(g.nNodes(), 10);  // the point and the line add nothing
    ASSERT_EQ(g.triangles.size(), 1u);
    EXPECT_EQ(g.groups.size(), 2u);
    const Mesh r = records_of(g);
    for (const auto& p : r.elems[0].GP) EXPECT_NEAR(p.Jac, 1.0, 1e-14);
    EXPECT_LT(strain_error(r.elems[0], 1.0), 1e-13);
    faces_of(g, r);
  }
}

TEST(GmshReader, MalformedInputGivesAClearError) {
  const struct {
    Edits edits;
    const char* message;
  } cases[] = {
      {{{"4.1 0 8", "2.2 0 8"}}, "case.msh:2: gmsh mesh format version 2.2: only 4.1 is read"},
      {{{"4.1 0 8", "4.1 2 8"}}, "case.msh:2: file type 2: 0 (ASCII) or 1 (binary) expected"},
      {{{"$MeshFormat\n4.1", "MESH\n4.1"}}, "case.msh:1: not a gmsh mesh"},
      {{{"0.5 0.5 0\n", "0.5 0.5x 0\n"}}, "case.msh:37: expected a coordinate of node 6 (a number), found"},
      {{{"$EndNodes", "$EndNode"}}, "case.msh:42: expected $EndNodes, found '$EndNode'"},
      {{{"8 9 10\n$EndElements\n", "8"}},
       "case.msh:52: unexpected end of file: expected a node of element 4"},
      {{{"$EndComments", "$EndComment"}}, "case.msh:9: section $Comments has no $EndComments"},
      {{{"1 10 1 10", "1 11 1 11"}}, "case.msh:19: $Nodes announces 11 nodes, its blocks hold 10"},
      {{{"3 1 11 1\n4 1 2 3 4 5 6 7 8 9 10", "3 1 4 1\n4 1 2 3 4"}},
       "case.msh:51: volume 1 holds elements of type 4 (4-node tetrahedron), first-order elements: mesh "
       "with"},
      {{{"3 1 11 1", "3 1 5 1"}}, "case.msh:51: volume 1 holds elements of type 5 (8-node hexahedron): only"},
      {{{"3 1 11 1", "3 1 77 1"}}, "case.msh:51: volume 1 holds elements of type 77, which is not a gmsh"},
      {{{"\n1 0 0 0 1 0 0 0 0\n", "\n1 0 0 0 1 0 0 1 3 0\n"}},
       "case.msh:47: curve 1 holds elements of type 8 (3-node line) and is in physical curve 3: physical"},
      {{{"3 1 11 1", "3 7 11 1"}}, "case.msh:51: elements of volume 7, which $Entities does not define"},
      {{{"1 1 1 1\n", "1 1 1 2\n"}, {"1 0 0 0 1 1 1 1 1 0\n", "1 0 0 0 1 1 1 0 0\n2 0 0 0 1 1 1 1 1 0\n"}},
       "case.msh:52: volume 1 is in no physical volume while other volumes are"},
      {{{"7 8 9 10", "7 8 9 99"}}, "case.msh:52: node 99 of element 4 is not defined in $Nodes"},
      {{{"1 10 1 10\n", "2 11 1 11\n0 1 0 1\n11\n5 5 5\n"}}, "case.msh:22: node 11 belongs to no element"},
      {{{"10\n0 0 0", "9\n0 0 0"}}, "case.msh:31: node 9 is defined twice"},
      {{{"\n4 1 2 3 4", "\n3 1 2 3 4"}}, "case.msh:52: element 3 is defined twice"},
      {{{"3 1 \"rock\"", "2 1 \"base\""}}, "case.msh:7: physical surface 1 \"base\": physical surface 2 has"},
      {{{"\"rock\"", "\"rock"}}, "case.msh:7: the physical name has no closing quote"},
      {{{"\n0 0 1\n", "\n1 1 0\n"}}, "case.msh:52: element 4 is degenerate: its corners span no volume"},
      {{{"$Comments", "$PartitionedEntities"}}, "case.msh:9: partitioned meshes are not read"},
      {{{"$Comments", "$PhysicalNames\n0\n$EndPhysicalNames\n$Comments"}}, "case.msh:9: a second $Physica"},
  };
  for (const auto& c : cases) {
    const std::string message = error_of(edited(c.edits), "case.msh");
    EXPECT_EQ(message.rfind(c.message, 0), 0u) << message << "\nexpected: " << c.message;
  }
}
