// GiD post-processing files: byte-exact mesh and result files for a mesh with
// known values, the step blocks, and every failure to create or write them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "TH10G15.h"
#include "test_support.h"

namespace {

using FiniteElementMethod::FEM;
using FiniteElementMethod::TH10G15;
using th10test::captured_stdout;
using th10test::read_file;
using th10test::replace_all;
using th10test::ScratchDir;
using th10test::write_file;

const char kPostMesh[] =
    "MESH \"sample\" dimension 3 ElemType Tetrahedra Nnode 10\n"
    "Coordinates\n"
    "   1    0.000000E+00    0.000000E+00    0.000000E+00\n"
    "   2    2.000000E+00    0.000000E+00    0.000000E+00\n"
    "   3    0.000000E+00    2.000000E+00    0.000000E+00\n"
    "   4    0.000000E+00    0.000000E+00    2.000000E+00\n"
    "   5    1.000000E+00    0.000000E+00    0.000000E+00\n"
    "   6    1.000000E+00    1.000000E+00    0.000000E+00\n"
    "   7    0.000000E+00    1.000000E+00    0.000000E+00\n"
    "   8    0.000000E+00    0.000000E+00    1.000000E+00\n"
    "   9    1.000000E+00    0.000000E+00    1.000000E+00\n"
    "  10    0.000000E+00    1.000000E+00   -1.500000E-03\n"
    "end coordinates\n"
    "Elements\n"
    "   1     1     2     3     4     5     6     7     8     9    10    0\n"
    "end elements\n";

const char kSteps[] =
    "Result \"TS analysis\" \"Deformation\" 1 Vector OnNodes \n"
    "ComponentNames \"ux\", \"uy\", \"uz\"\n"
    "Values\n"
    "   1    1.000000E-03   -2.000000E-03    0.000000E+00\n"
    "   2    5.000000E-01    2.500000E-01    1.000000E+00\n"
    "End Values\n"
    "Result \"TS analysis\" \"Nodal forces\" 1 Vector OnNodes \n"
    "ComponentNames \"fx\", \"fy\", \"fz\"\n"
    "Values\n"
    "   1    1.000000E+01    0.000000E+00   -5.000000E+00\n"
    "   2    0.000000E+00    0.000000E+00    1.234500E+03\n"
    "End Values\n"
    "Result \"TS analysis\" \"Strains\" 1 Matrix OnGaussPoints \"gauss\"\n"
    "ComponentNames \"eps_x\", \"eps_y\", \"eps_z\", \"gam_xy\", \"gam_yz\", \"gam_zx\"\n"
    "Values\n"
    "   1    5.000000E+00    5.100000E+00    5.200000E+00    5.300000E+00    5.400000E+00    5.500000E+00\n"
    "        8.000000E+00    8.100000E+00    8.200000E+00    8.300000E+00    8.400000E+00    8.500000E+00\n"
    "        7.000000E+00    7.100000E+00    7.200000E+00    7.300000E+00    7.400000E+00    7.500000E+00\n"
    "        6.000000E+00    6.100000E+00    6.200000E+00    6.300000E+00    6.400000E+00    6.500000E+00\n"
    "End Values\n"
    "Result \"TS analysis\" \"Stresses\" 1 Matrix OnGaussPoints \"gauss\"\n"
    "ComponentNames \"sig_x\", \"sig_y\", \"sig_z\", \"tau_xy\", \"tau_yz\", \"tau_zx\"\n"
    "Values\n"
    "   1   -5.000000E+02   -5.010000E+02   -5.020000E+02   -5.030000E+02   -5.040000E+02   -5.050000E+02\n"
    "       -8.000000E+02   -8.010000E+02   -8.020000E+02   -8.030000E+02   -8.040000E+02   -8.050000E+02\n"
    "       -7.000000E+02   -7.010000E+02   -7.020000E+02   -7.030000E+02   -7.040000E+02   -7.050000E+02\n"
    "       -6.000000E+02   -6.010000E+02   -6.020000E+02   -6.030000E+02   -6.040000E+02   -6.050000E+02\n"
    "End Values\n"
    "Result \"TS analysis\" \"Kirchhoff modulus\" 1 Scalar OnGaussPoints \"gauss\"\n"
    "ComponentNames \"G\"\n"
    "Values\n"
    "   1    1.005000E+03\n"
    "        1.008000E+03\n"
    "        1.007000E+03\n"
    "        1.006000E+03\n"
    "End Values\n"
    "Result \"TS analysis\" \"Phi angle\" 1 Scalar OnGaussPoints \"gauss\"\n"
    "ComponentNames \"Phi\"\n"
    "Values\n"
    "   1    3.525000E+01\n"
    "        3.825000E+01\n"
    "        3.725000E+01\n"
    "        3.625000E+01\n"
    "End Values\n";

const char kResultHeader[] =
    "GiD Post Results File 1.0\n\n"
    "GaussPoints \"gauss\" Elemtype Tetrahedra \"sample\"\n"
    "Number of Gauss Points: 4\n"
    "Natural Coordinates: Internal\n"
    "End GaussPoints\n";

// Ten nodes and one element whose GiD node order is 1..10: local nodes
// 0..9 hold GiD nodes 3, 4, 1, 2, 10, 8, 7, 6, 9, 5. Gauss point g holds
// strain g + c/10, stress -(100 g + c), G = 1000 + g and Phi = 30.25 + g, so
// the file shows which points are written and in which order.
struct PostMesh {
  std::vector<FEM::NODE> nodes{10};
  std::vector<TH10G15::ELEMENT> elements{1};
  double U[6] = {1e-3, -2e-3, 0.0, 0.5, 0.25, 1.0};
  double F[6] = {10.0, 0.0, -5.0, 0.0, 0.0, 1234.5};
  PostMesh() {
    const double xyz[10][3] = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {1, 0, 0},
                               {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, -1.5e-3}};
    const int Node_ID[10] = {2, 3, 0, 1, 9, 7, 6, 5, 8, 4};
    for (int i = 0; i < 10; ++i) {
      nodes[i].x = xyz[i][0], nodes[i].y = xyz[i][1], nodes[i].z = xyz[i][2];
      elements[0].Node_ID[i] = Node_ID[i];
    }
    for (int g = 0; g < 15; ++g) {
      TH10G15::GAUSSPOINT& p = elements[0].GP[g];
      for (int c = 0; c < 6; ++c) {
        p.strain[c] = g + c / 10.0;
        p.stress[c] = -(100.0 * g + c);
      }
      p.G = 1000.0 + g;
      p.Phi = 30.25 + g;
    }
  }
};

int save(std::string name, PostMesh& m, std::string& out) {
  int code = 0;
  out = captured_stdout(
      [&] { code = TH10G15::save_GID(name.data(), m.nodes.data(), 10, m.elements.data(), 1); });
  return code;
}

int update(std::string name, PostMesh& m, int nE, int nNodes, int step, std::string& out) {
  int code = 0;
  out = captured_stdout(
      [&] { code = TH10G15::update_GID(name.data(), m.elements.data(), nE, nNodes, m.U, m.F, step); });
  return code;
}

// The six blocks of kSteps with another step number in their head lines.
std::string steps(int step) {
  return replace_all(kSteps, "\" 1 ", "\" " + std::to_string(step) + " ");
}

TEST(GidPost, SaveWritesTheMeshAndUpdateAppendsSixBlocksPerStep) {
  ScratchDir dir;
  PostMesh m;
  std::string out;
  // Without save_GID the result file is created, without its header.
  ASSERT_EQ(update("alone", m, 1, 2, 1, out), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(read_file("alone.post.res"), kSteps);

  ASSERT_EQ(save("p", m, out), 0);
  EXPECT_EQ(out, "");
  EXPECT_EQ(read_file("p.post.msh"), kPostMesh);
  EXPECT_EQ(read_file("p.post.res"), kResultHeader);
  ASSERT_EQ(update("p", m, 1, 2, 1, out), 0);
  ASSERT_EQ(update("p", m, 1, 2, 2, out), 0);
  EXPECT_EQ(read_file("p.post.res"), kResultHeader + steps(1) + steps(2));
  // Saving again starts a new result file.
  ASSERT_EQ(save("p", m, out), 0);
  EXPECT_EQ(read_file("p.post.res"), kResultHeader);

  // No elements and no nodes: the block heads with no value lines between
  // "Values" and "End Values".
  ASSERT_EQ(update("empty", m, 0, 0, 3, out), 0);
  std::string empty;
  std::istringstream blocks(steps(3));
  for (std::string line; std::getline(blocks, line);)
    if (line.rfind("   ", 0) != 0) empty += line + "\n";
  EXPECT_EQ(read_file("empty.post.res"), empty);
}

TEST(GidPost, FilesThatCannotBeCreatedOrWritten) {
  ScratchDir dir;
  PostMesh m;
  std::string out;
  const std::string too_long(250, 'n');              // with a suffix over 254 characters
  ASSERT_EQ(mkdir("a.post.msh", 0755), 0);           // cannot be created
  ASSERT_EQ(symlink("/dev/full", "b.post.msh"), 0);  // cannot be written
  for (const std::string& name : {std::string("a"), std::string("b"), too_long}) {
    EXPECT_EQ(save(name, m, out), -1) << name;
    EXPECT_EQ(out, "--- ERROR! Cannot create post_msh GID file (" + name + ")!\n");
    EXPECT_FALSE(std::ifstream(name + ".post.res").good()) << "nothing else is written";
  }
  ASSERT_EQ(mkdir("c.post.res", 0755), 0);
  ASSERT_EQ(symlink("/dev/full", "d.post.res"), 0);
  for (const std::string& name : {std::string("c"), std::string("d"), too_long}) {
    if (name != too_long) {
      EXPECT_EQ(save(name, m, out), -2) << name;
      EXPECT_EQ(out, "--- ERROR! Cannot create post_res GID file (" + name + ")!\n");
      EXPECT_EQ(read_file(name + ".post.msh"), kPostMesh) << "the mesh file stays written";
    }
    EXPECT_EQ(update(name, m, 1, 2, 1, out), -1) << name;
    EXPECT_EQ(out, "--- ERROR! Cannot open post_res GID file (" + name + ")!\n");
  }
  // 245 characters and the suffix still fit in the 255-character buffer.
  const std::string longest(245, 'n');
  EXPECT_EQ(save(longest, m, out), 0);
  EXPECT_EQ(read_file(longest + ".post.msh"), kPostMesh);
}

}  // namespace
