// Reading GiD ASCII meshes: records, control file (a golden file), messages
// and codes of every class of input, without a write outside the caller's arrays.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "test_support.h"

using namespace th10test;

namespace {

// Two elements on 11 nodes in GiD order (corners 1-4, then the midpoints of
// 1-2, 2-3, 3-1, 1-4, 2-4, 3-4); node 11 has a 10-character label and is
// the first corner of element 2.
const std::string kMesh = golden("two_elements_ascii.msh");
const std::string kReading = "*** READING MESH (TH10G15::GID_mesh)\n";

// Caller-owned arrays with a guard record of known bytes on each side.
struct GuardedRecords {
  std::vector<FEM::NODE> nodes;
  std::vector<TH10G15::ELEMENT> elements;
  GuardedRecords(int nNodes, int nElements) : nodes(nNodes + 2), elements(nElements + 2) {
    std::memset(nodes.data(), 0xA5, nodes.size() * sizeof(FEM::NODE));
    std::memset(static_cast<void*>(elements.data()), 0xA5, elements.size() * sizeof(TH10G15::ELEMENT));
  }
  bool guards() const {
    const std::vector<unsigned char> a5(sizeof(TH10G15::ELEMENT), 0xA5);
    return !std::memcmp(&nodes.front(), a5.data(), sizeof(FEM::NODE)) &&
           !std::memcmp(&nodes.back(), a5.data(), sizeof(FEM::NODE)) &&
           !std::memcmp(&elements.front(), a5.data(), a5.size()) &&
           !std::memcmp(&elements.back(), a5.data(), a5.size());
  }
};

struct Outcome {
  int code = 0;
  std::string out;
  int nNodes = -77, nElements = -88;
};

// Reads with GID_mesh into r, or counts with GID_mesh_count when r is null.
Outcome read_mesh(std::string name, GuardedRecords* r) {
  Outcome o;
  o.out = captured_stdout([&] {
    o.code = r ? TH10G15::GID_mesh(name.data(), &r->nodes[1], o.nNodes, &r->elements[1], o.nElements)
               : TH10G15::GID_mesh_count(name.data(), o.nNodes, o.nElements);
  });
  return o;
}

// Reads `text` as m_ascii.msh with both routines into guarded arrays of 64
// records. A failure leaves the counts alone, and the counter prints the
// reader's error line and nothing else.
Outcome read_text(const std::string& text) {
  std::remove("gid_mesh.txt");
  write_file("m_ascii.msh", text);
  GuardedRecords r(64, 64);
  const Outcome o = read_mesh("m", &r), c = read_mesh("m", nullptr);
  EXPECT_TRUE(c.code == o.code && r.guards());
  if (o.code != 0) {
    EXPECT_TRUE(o.nNodes == -77 && o.nElements == -88 && c.nNodes == -77 && c.nElements == -88);
    EXPECT_EQ(o.out.substr(o.out.size() - std::min(o.out.size(), c.out.size())), c.out);
  }
  return o;
}

}  // namespace

TEST(GidMesh, ReadsRecordsInTheLocalNodeOrderWithTheControlFileAndMessages) {
  ScratchDir dir;
  for (const std::string& text : {kMesh, replace_all(kMesh, "\n", "\r\n")}) {
    GuardedRecords r(11, 2);
    write_file("m_ascii.msh", text);
    const Outcome o = read_mesh("m", &r);
    ASSERT_EQ(o.code, 0);
    EXPECT_TRUE(o.out == kReading + "--- Nodes: 11\n--- Elements: 2\n" && o.nNodes == 11 && o.nElements == 2);
    EXPECT_TRUE(r.guards());
    // Skipped lines are echoed as they stand, "\r" included; nothing else differs.
    EXPECT_EQ(replace_all(read_file("gid_mesh.txt"), "\r", ""), golden("gid_mesh.txt"));
    const FEM::NODE* nodes = &r.nodes[1];
    EXPECT_TRUE(nodes[10].x == -1.25 && nodes[10].y == 0.25 && nodes[10].z == 3.0);
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&nodes[10].cyl)[0], 0xA5)
        << "only coordinates are written";
    // In the local order, mid-edge nodes 4..9 lie halfway along the edges
    // 0-1, 1-2, 0-2, 3-0, 3-1, 3-2, and the element is not inside out.
    TH10G15::ELEMENT& el = r.elements[1];
    for (int k = 0; k < 30; ++k) el.Coords[k] = (&nodes[el.Node_ID[k / 3]].x)[k % 3];
    const int edge[6][2] = {{0, 1}, {1, 2}, {0, 2}, {3, 0}, {3, 1}, {3, 2}};
    for (int k = 12; k < 30; ++k) {
      const int m = k / 3 - 4, d = k % 3;
      EXPECT_EQ(el.Coords[k], 0.5 * (el.Coords[3 * edge[m][0] + d] + el.Coords[3 * edge[m][1] + d])) << k;
    }
    TH10G15::make_GP_J_B(&el, 1);
    EXPECT_GT(el.GP[0].Jac, 0.0);
    EXPECT_EQ(r.elements[2].Node_ID[TH10G15::CA(0)], 10) << "node 11 is the first GiD corner of element 2";
    std::remove("gid_mesh.txt");  // the counter prints nothing and writes no control file
    const Outcome c = read_mesh("m", nullptr);
    EXPECT_TRUE(c.code == 0 && c.out.empty() && c.nNodes == 11 && c.nElements == 2 &&
                read_file("gid_mesh.txt").empty());
  }
}

TEST(GidMesh, EachClassOfInputGivesItsCodeAndMessage) {
  ScratchDir dir;
  const std::string nodes = "--- Nodes: 11\n", bad = "--- ERROR! Malformed mesh GID file (m) near '";
  const std::string outside = nodes + "--- ERROR! Element 2 refers to node ",
                    e2 = "2 11 2 3 4 5 6 7 8 9 10\n";
  const std::string n5 = "    5   0.5 0.0 0.0\n", line(253, 'c'), ok = nodes + "--- Elements: 2\n";
  const struct {
    std::string from, to;
    int code;
    std::string message;
  } cases[] = {
      {"MESH ", "MASH ", -3, "--- ERROR! This is not a GID file (MASH)!\n"},
      {"dimension 3", "dimension 2", -4, "--- ERROR! This is not a file with 3D data ( 2)!\n"},
      {"Tetrahedra", "Hexahedra", -5, "--- ERROR! Elements are not Tetrahedra ( Hexahedra)!\n"},
      {"Nnode 10", "Nnode -99999999999", -6,
       "--- ERROR! Elements are not 10-nodes Tetrahedra (-99999999999)!\n"},
      {"MESH ", "MESHMESH ", -7, bad + "MESHMESH'!\n"},  // a header word longer than its buffer
      {"Nnode 10", "Nnode 10.0", -7, bad + "10.0'!\n"},  // a count that is not an integer
      {"Coordinates\n", line + line + "\n", -7,
       bad + std::string(40, 'c') + "'!\n"},                            // a skipped line too long
      {n5, "    5   0.5 0.0\n", -7, bad + "5'!\n"},                     // a field missing
      {n5, "    5   0.5 0.0 0.0 7\n", -7, bad + "5'!\n"},               // a field too many
      {n5, "    5   0.5 2.5e 0.0\n", -7, bad + "2.5e'!\n"},             // not a number
      {"    5   0.5", "12345678901 0.5", -7, bad + "12345678901'!\n"},  // a label too long
      {e2, "2 11 2 3 4 5 6 7 8 9 00000000010\n", -7, nodes + bad + "00000000010'!\n"},
      {e2 + "End Elements\n", "2 11 2 3 4 5", -7, nodes + bad + "end of file'!\n"},
      {"2 11 2 3 4", "2 11 2 3 12", -8, outside + "12 outside 1..11 in mesh GID file (m)!\n"},
      {"2 11 2 3 4", "2 11 2 3 0", -8, outside + "0 outside 1..11 in mesh GID file (m)!\n"},
      // Accepted: prefixes of the header words and "+11"; a skipped line of 253
      // characters with "\r\n"; tabs, blank lines, any label, no final line end.
      {"MESH    dimension 3 ElemType Tetrahedra  Nnode 10\n", "MESHES dim 3 Elem Tetrahedra0 N +10\n", 0, ok},
      {"Coordinates\n", line + "\r\n", 0, ok},
      {"    1   0.0 0.0 0.0\n", "\n\t a\t0.0 0.0 0.0  \n\n", 0, ok},
      {"End Elements\n", "\nEnd", 0, ok},
  };
  for (const auto& c : cases) {
    std::string text = kMesh;
    ASSERT_NE(text.find(c.from), std::string::npos) << c.from;
    const Outcome o = read_text(text.replace(text.find(c.from), c.from.size(), c.to));
    EXPECT_TRUE(o.code == c.code && o.out == kReading + c.message) << c.to << "\n" << o.out;
    if (c.code == -6) {  // the header is echoed before it is checked
      EXPECT_EQ(read_file("gid_mesh.txt"),
                "MESH\ndimension : 3\nElemType : Tetrahedra\nNnode : -99999999999\n");
    }
  }
}

TEST(GidMesh, FilesThatCannotBeOpenedOrWritten) {
  ScratchDir dir;
  write_file("m_ascii.msh", kMesh);
  GuardedRecords r(11, 2);
  const std::string control = "--- ERROR! Cannot create control file (gid_mesh.txt)!\n";
  ASSERT_EQ(mkdir("gid_mesh.txt", 0755), 0);  // the control file cannot be created
  Outcome o = read_mesh("m", &r);
  EXPECT_TRUE(o.code == -1 && o.nNodes == -77 && o.out == kReading + control);
  ASSERT_TRUE(rmdir("gid_mesh.txt") == 0 && symlink("/dev/full", "gid_mesh.txt") == 0);  // nor written
  o = read_mesh("m", &r);
  EXPECT_TRUE(o.code == -1 && o.nNodes == -77 && o.nElements == -88);
  EXPECT_EQ(o.out, kReading + "--- Nodes: 11\n--- Elements: 2\n" + control);
  // The mesh file cannot be opened (absent, or a name too long with "_ascii.msh"): code -2.
  for (const std::string& name : {std::string("absent"), std::string(250, 'n')}) {
    const std::string error = "--- ERROR! Cannot open mesh GID file (" + name + ")!\n";
    o = read_mesh(name, &r);
    const Outcome c = read_mesh(name, nullptr);
    EXPECT_TRUE(o.code == -2 && o.nNodes == -77 && o.out == kReading + error && c.code == -2 &&
                c.out == error);
  }
}
