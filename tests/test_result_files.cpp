// The GiD post-processing files and the text dump "TH10G15.TXT", byte-exact
// (golden files) for records of known values, and the failures to write them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"

using namespace th10test;

namespace {

// Ten nodes and one element of GiD node order 1..10 (local nodes 0..9 hold GiD nodes
// 3, 4, 1, 2, 10, 8, 7, 6, 9, 5). Point g holds strain g + c/10, stress -(100 g + c),
// G = 1000 + g and Phi = 30.25 + g: the files show which points come in which order.
struct Records {
  std::vector<FEM::NODE> nodes{10};
  std::vector<TH10G15::ELEMENT> elements{2};
  double U[6] = {1e-3, -2e-3, 0.0, 0.5, 0.25, 1.0}, F[6] = {10.0, 0.0, -5.0, 0.0, 0.0, 1234.5};
  Records() {
    const double xyz[10][3] = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 2}, {1, 0, 0},
                               {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {0, 1, -1.5e-3}};
    const int Node_ID[10] = {2, 3, 0, 1, 9, 7, 6, 5, 8, 4};
    for (int i = 0; i < 10; ++i) {
      nodes[i].x = xyz[i][0], nodes[i].y = xyz[i][1], nodes[i].z = xyz[i][2];
      elements[0].Node_ID[i] = Node_ID[i];
    }
    for (int g = 0; g < 15; ++g) {
      GP& p = elements[0].GP[g];
      p.G = 1000.0 + g, p.Phi = 30.25 + g;
      for (int c = 0; c < 6; ++c) p.strain[c] = g + c / 10.0, p.stress[c] = -(100.0 * g + c);
    }
  }
  // For the text dump: both elements alike, every field shown of its own value, Phi = g + 0.5.
  void fill_for_dump() {
    for (TH10G15::ELEMENT& el : elements) {
      const int Node_ID[10] = {3, 4, 1, 2, 10, 8, 7, 6, 9, 5};
      for (int k = 0; k < 30; ++k) {
        el.Node_ID[k / 3] = Node_ID[k / 3];
        el.DoF[k] = 3 * Node_ID[k / 3] + k % 3;
        el.Coords[k] = 0.25 * (k / 3) - 0.1 * (k % 3);
      }
      for (int g = 0; g < 15; ++g) {
        GP& p = el.GP[g];
        p.sig_m = -12.5, p.ds_bar = 7.25, p.Lode = -0.3, p.Phi = g + 0.5, p.c = 15.0, p.F = -1e-9,
        p.Jac = 0.125;
        p.w = 0.0123;
        for (int c = 0; c < 6; ++c) {
          p.dstrain[c] = 1e-5 * (c + 1), p.strain[c] = -2e-4 * (c + 1);
          p.dstress[c] = 3.5 * (c + 1), p.stress[c] = -100.0 - c;
        }
        for (int i = 0; i < 36; ++i) p.Dep[i] = i * 1.5 - 20.0;
        for (int i = 0; i < 180; ++i) p.B[i] = (i / 30 + 1) * 0.01 * (i % 30 + 1) - 0.05;
      }
    }
  }
  // save_GID, or update_GID of the given step, on name; out: what it prints.
  int save(std::string name, std::string& out, int step = 0) {
    int code = 0;
    out = captured_stdout([&] {
      code = step == 0 ? TH10G15::save_GID(name.data(), nodes.data(), 10, elements.data(), 1)
                       : TH10G15::update_GID(name.data(), elements.data(), 1, 2, U, F, step);
    });
    return code;
  }
  std::string dump(int nE) {
    return captured_stdout([&] { TH10G15::SaveTXT(elements.data(), nE); });
  }
};

}  // namespace

TEST(GidPost, SaveWritesTheMeshAndUpdateAppendsSixBlocksPerStep) {
  ScratchDir dir;
  Records m;
  std::string out, more;
  ASSERT_EQ(m.save("p", out), 0);
  EXPECT_EQ(read_file("p.post.msh"), golden("post.post.msh"));
  ASSERT_TRUE(m.save("p", more, 1) == 0 && m.save("p", more, 2) == 0);
  EXPECT_EQ(out + more, "");
  EXPECT_EQ(read_file("p.post.res"), golden("post.post.res"));
}

TEST(GidPost, FilesThatCannotBeCreatedOrWritten) {
  ScratchDir dir;
  Records m;
  std::string out;
  const std::string too_long(250, 'n');  // with a suffix over 254 characters
  ASSERT_TRUE(mkdir("a.post.msh", 0755) == 0 && symlink("/dev/full", "b.post.res") == 0);
  for (const std::string& name : {std::string("a"), too_long}) {
    EXPECT_EQ(m.save(name, out), -1) << name;
    EXPECT_EQ(out, "--- ERROR! Cannot create post_msh GID file (" + name + ")!\n");
    EXPECT_EQ(read_file(name + ".post.res"), "") << "nothing else is written";
  }
  EXPECT_EQ(m.save("b", out), -2);
  EXPECT_EQ(out, "--- ERROR! Cannot create post_res GID file (b)!\n");
  EXPECT_EQ(read_file("b.post.msh"), golden("post.post.msh")) << "the mesh file stays written";
  for (const std::string& name : {std::string("b"), too_long}) {
    EXPECT_EQ(m.save(name, out, 1), -1) << name;
    EXPECT_EQ(out, "--- ERROR! Cannot open post_res GID file (" + name + ")!\n");
  }
  EXPECT_EQ(m.save(std::string(245, 'n'), out), 0);  // 254 characters with the suffix still fit
}

TEST(TextDump, WritesEveryElementAndGaussPointExactly) {
  ScratchDir dir;
  Records m;
  m.fill_for_dump();
  EXPECT_EQ(m.dump(2), "");
  EXPECT_EQ(read_file("TH10G15.TXT"), golden("TH10G15.TXT"));
  EXPECT_EQ(m.dump(0), "");
  EXPECT_EQ(read_file("TH10G15.TXT"), "") << "no elements: an empty file replaces the old one";
}

TEST(TextDump, FailuresPrintTheMessageAndChangeNoRecord) {
  ScratchDir dir;
  Records m;
  m.fill_for_dump();
  const std::vector<TH10G15::ELEMENT> before = m.elements;
  ASSERT_EQ(symlink("/dev/full", "TH10G15.TXT"), 0);  // the disk is full
  EXPECT_EQ(m.dump(1), "--- ERROR! Cannot create TH10G15.TXT file!\n");
  EXPECT_EQ(std::memcmp(before.data(), m.elements.data(), sizeof(TH10G15::ELEMENT)), 0);
}
