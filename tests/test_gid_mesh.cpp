// Reading GiD ASCII meshes: records, control file, messages and codes, and
// malformed input of every kind without a write outside the caller's arrays.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "gid_ascii.h"
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

// Two elements on 11 nodes; node 11 has a 10-character label and element 2
// uses it as its first GiD corner.
const char kMesh[] =
    "MESH    dimension 3 ElemType Tetrahedra  Nnode 10\n"
    "Coordinates\n"
    "    1   0.0 0.0 0.0\n"
    "    2   1.0 0.0 0.0\n"
    "    3   0.0 1.0 0.0\n"
    "    4   0.0 0.0 1.0\n"
    "    5   0.5 0.0 0.0\n"
    "    6   0.5 0.5 0.0\n"
    "    7   0.0 0.5 0.0\n"
    "    8   0.0 0.0 0.5\n"
    "    9   0.5 0.0 0.5\n"
    "   10   0.0 0.5 0.5\n"
    "0000000011  -1.25 2.5e-1 3\n"
    "End Coordinates\n"
    "\n"
    "Elements\n"
    "1 1 2 3 4 5 6 7 8 9 10\n"
    "2 11 2 3 4 5 6 7 8 9 10\n"
    "End Elements\n";

const char kControl[] =
    "MESH\n"
    "dimension : 3\n"
    "ElemType : Tetrahedra\n"
    "Nnode : 10\n"
    "Coordinates\n\n"
    "1 0.000000 0.000000 0.000000\n"
    "2 1.000000 0.000000 0.000000\n"
    "3 0.000000 1.000000 0.000000\n"
    "4 0.000000 0.000000 1.000000\n"
    "5 0.500000 0.000000 0.000000\n"
    "6 0.500000 0.500000 0.000000\n"
    "7 0.000000 0.500000 0.000000\n"
    "8 0.000000 0.000000 0.500000\n"
    "9 0.500000 0.000000 0.500000\n"
    "10 0.000000 0.500000 0.500000\n"
    "0000000011 -1.250000 0.250000 3.000000\n"
    "--- Nodes: 11\n"
    " Coordinates\n\n"
    "\n\n"
    "Elements\n\n"
    "1 1 2 3 4 5 6 7 8 9 10 \n"
    "2 11 2 3 4 5 6 7 8 9 10 \n"
    "--- Elements: 2\n";

const char kReading[] = "*** READING MESH (TH10G15::GID_mesh)\n";

// Caller-owned arrays with a guard record on each side; guards() tells
// whether both are as they were filled.
struct GuardedRecords {
  std::vector<FEM::NODE> nodes;
  std::vector<TH10G15::ELEMENT> elements;
  explicit GuardedRecords(int nNodes, int nElements) : nodes(nNodes + 2), elements(nElements + 2) {
    std::memset(nodes.data(), 0xA5, nodes.size() * sizeof(FEM::NODE));
    std::memset(static_cast<void*>(elements.data()), 0x5A, elements.size() * sizeof(TH10G15::ELEMENT));
  }
  FEM::NODE* node_array() { return nodes.data() + 1; }
  TH10G15::ELEMENT* element_array() { return elements.data() + 1; }
  bool guards() const {
    auto filled = [](const void* p, std::size_t n, unsigned char b) {
      const auto* c = static_cast<const unsigned char*>(p);
      return std::all_of(c, c + n, [b](unsigned char x) { return x == b; });
    };
    return filled(&nodes.front(), sizeof(FEM::NODE), 0xA5) &&
           filled(&nodes.back(), sizeof(FEM::NODE), 0xA5) &&
           filled(&elements.front(), sizeof(TH10G15::ELEMENT), 0x5A) &&
           filled(&elements.back(), sizeof(TH10G15::ELEMENT), 0x5A);
  }
};

// Writes a new file rather than rewriting an old one, and removes the
// control file: rewriting files in place is slow on some file systems, and
// the loops below write thousands.
void write_new_file(const std::string& name, const std::string& text) {
  std::remove(name.c_str());
  std::remove("gid_mesh.txt");
  write_file(name, text);
}

struct Outcome {
  int code = 0;
  std::string out;
  int nNodes = -77, nElements = -88;
};

// Reads with GID_mesh (or counts with GID_mesh_count when r is null); the
// standard output is returned unless the caller captures it (capture = false).
Outcome read_mesh(std::string name, GuardedRecords* r, bool capture = true) {
  Outcome o;
  auto call = [&] {
    o.code = r ? TH10G15::GID_mesh(name.data(), r->node_array(), o.nNodes, r->element_array(), o.nElements)
               : TH10G15::GID_mesh_count(name.data(), o.nNodes, o.nElements);
  };
  if (capture)
    o.out = captured_stdout(call);
  else
    call();
  return o;
}

Outcome count_mesh(const std::string& name, bool capture = true) {
  return read_mesh(name, nullptr, capture);
}

// Writes `text` as m_ascii.msh and reads it with both routines (guarded
// arrays of 64 records), expecting the same failure from both.
Outcome read_failing(const std::string& text) {
  write_new_file("m_ascii.msh", text);
  GuardedRecords r(64, 64);
  const Outcome o = read_mesh("m", &r), c = count_mesh("m");
  EXPECT_LT(o.code, 0);
  EXPECT_EQ(c.code, o.code);
  EXPECT_TRUE(o.nNodes == -77 && o.nElements == -88 && c.nNodes == -77 && c.nElements == -88);
  // The counter prints the reader's error line and nothing else.
  EXPECT_EQ(o.out.substr(o.out.size() - std::min(o.out.size(), c.out.size())), c.out);
  EXPECT_TRUE(r.guards());
  return o;
}

std::string replace(std::string s, const std::string& from, const std::string& to) {
  const auto at = s.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? s : s.replace(at, from.size(), to);
}

std::string crlf(const std::string& s) {
  return replace_all(s, "\n", "\r\n");
}

TEST(GidMesh, CAIsTheGiDToLocalPermutationAndItsOwnInverse) {
  const int expected[10] = {2, 3, 0, 1, 9, 7, 6, 5, 8, 4};
  for (int k = 0; k < 10; ++k) {
    EXPECT_EQ(TH10G15::CA(k), expected[k]);
    EXPECT_EQ(TH10G15::CA(TH10G15::CA(k)), k);
  }
  EXPECT_EQ(TH10G15::CA(-1), -1);
  EXPECT_EQ(TH10G15::CA(10), -1);
}

TEST(GidMesh, ReadsRecordsControlFileAndMessages) {
  ScratchDir dir;
  for (bool with_crlf : {false, true}) {
    write_file("m_ascii.msh", with_crlf ? crlf(kMesh) : kMesh);
    GuardedRecords r(11, 2);
    const Outcome o = read_mesh("m", &r);
    ASSERT_EQ(o.code, 0);
    EXPECT_EQ(o.out, std::string(kReading) + "--- Nodes: 11\n--- Elements: 2\n");
    EXPECT_TRUE(o.nNodes == 11 && o.nElements == 2);
    std::string control = read_file("gid_mesh.txt");
    if (with_crlf) {  // skipped lines are echoed as they stand, "\r" included; nothing else differs
      EXPECT_NE(control.find("Coordinates\r\n\n"), std::string::npos);
      control.erase(std::remove(control.begin(), control.end(), '\r'), control.end());
    }
    EXPECT_EQ(control, kControl);
    EXPECT_TRUE(r.guards());
    const FEM::NODE& n11 = r.node_array()[10];
    EXPECT_TRUE(n11.x == -1.25 && n11.y == 0.25 && n11.z == 3.0);
    EXPECT_EQ(r.node_array()[4].x, 0.5);
    // Only coordinates and connectivity are written.
    EXPECT_EQ(reinterpret_cast<const unsigned char*>(&n11.cyl)[0], 0xA5);
    // GiD nodes 1..10 go to local nodes 2, 3, 0, 1, 9, 7, 6, 5, 8, 4.
    const int first[10] = {2, 3, 0, 1, 9, 7, 6, 5, 8, 4}, second[10] = {2, 3, 10, 1, 9, 7, 6, 5, 8, 4};
    for (int k = 0; k < 10; ++k) {
      EXPECT_EQ(r.element_array()[0].Node_ID[k], first[k]) << k;
      EXPECT_EQ(r.element_array()[1].Node_ID[k], second[k]) << k;
    }
    std::remove("gid_mesh.txt");
    const Outcome c = count_mesh("m");
    EXPECT_TRUE(c.code == 0 && c.out.empty() && c.nNodes == 11 && c.nElements == 2);
    EXPECT_FALSE(std::ifstream("gid_mesh.txt").good()) << "the counter writes no control file";
  }
  // Errors are found at the same place with either line end.
  const Outcome bad = read_failing(crlf(replace(kMesh, "2 11 2 3", "2 11 2")));
  EXPECT_EQ(bad.code, -7);
  EXPECT_EQ(bad.out,
            std::string(kReading) + "--- Nodes: 11\n--- ERROR! Malformed mesh GID file (m) near '2'!\n");
}

TEST(GidMesh, LayoutVariantsOfAValidFile) {
  ScratchDir dir;
  // Tabs, blank lines between records, no final line end, any node labels.
  std::string text = replace(kMesh, "    1   0.0 0.0 0.0\n", "\n\t a\t0.0 0.0 0.0  \n\n");
  text = replace(replace(text, "End Elements\n", "\nEnd"), "Elements\n1 1", "Elements\nfirst 1");
  write_file("m_ascii.msh", text);
  GuardedRecords r(11, 2);
  const Outcome o = read_mesh("m", &r);
  EXPECT_TRUE(o.code == 0 && o.nNodes == 11 && o.nElements == 2);
  const std::string control = read_file("gid_mesh.txt");
  EXPECT_NE(control.find("\na 0.000000 0.000000 0.000000\n"), std::string::npos);
  EXPECT_NE(control.find("\nfirst 1 2 3"), std::string::npos);

  // No elements: 0 elements, and the control file ends with their count.
  write_file("m_ascii.msh", text.substr(0, text.find("first")) + "End Elements\n");
  GuardedRecords r0(11, 0);
  const Outcome o0 = read_mesh("m", &r0);
  EXPECT_TRUE(o0.code == 0 && o0.nElements == 0);
  const std::string c0 = read_file("gid_mesh.txt");
  EXPECT_EQ(c0.substr(c0.size() - 16), "--- Elements: 0\n");
  EXPECT_TRUE(r0.guards());
}

TEST(GidMesh, FilesThatCannotBeOpenedOrWritten) {
  ScratchDir dir;
  write_file("m_ascii.msh", kMesh);
  // The control file cannot be created (a directory of that name) or written
  // (the device that is always full): code -1, counts untouched.
  const std::string message = "--- ERROR! Cannot create control file (gid_mesh.txt)!\n";
  ASSERT_EQ(mkdir("gid_mesh.txt", 0755), 0);
  GuardedRecords r(11, 2);
  Outcome o = read_mesh("m", &r);
  EXPECT_TRUE(o.code == -1 && o.nNodes == -77 && r.guards());
  EXPECT_EQ(o.out, std::string(kReading) + message);
  ASSERT_EQ(rmdir("gid_mesh.txt"), 0);
  ASSERT_EQ(symlink("/dev/full", "gid_mesh.txt"), 0);
  o = read_mesh("m", &r);
  EXPECT_TRUE(o.code == -1 && o.nNodes == -77 && o.nElements == -88);
  EXPECT_EQ(o.out, std::string(kReading) + "--- Nodes: 11\n--- Elements: 2\n" + message);

  // The mesh file cannot be opened or read: code -2.
  const std::string long_name(250, 'n');  // with "_ascii.msh" over 254 characters
  write_file(long_name.substr(0, 240) + "_ascii.msh", kMesh);
  ASSERT_EQ(mkdir("dir_ascii.msh", 0755), 0);  // opens, but cannot be read
  for (const std::string& name : {std::string("absent"), long_name, std::string("dir")}) {
    const std::string error = "--- ERROR! Cannot open mesh GID file (" + name + ")!\n";
    o = read_mesh(name, &r);
    EXPECT_TRUE(o.code == -2 && o.nNodes == -77) << name;
    EXPECT_EQ(o.out, kReading + error);
    o = count_mesh(name);
    EXPECT_EQ(o.code, -2);
    EXPECT_EQ(o.out, error);
  }
  // 244 characters plus the suffix still fit in the 255-character buffer.
  const std::string longest(244, 'n');
  write_file(longest + "_ascii.msh", kMesh);
  EXPECT_EQ(count_mesh(longest).code, 0);
}

TEST(GidMesh, BadInputGivesItsCodeAndMessage) {
  ScratchDir dir;
  const std::string long_word(60, 'w'), long_line = std::string(254, 'c') + "\n";
  // The message after the reading line: -7 names the word it stopped at,
  // after the node count when the nodes were read.
  auto near = [](const std::string& word, bool after_nodes = false) {
    return (after_nodes ? "--- Nodes: 11\n" : "") +
           std::string("--- ERROR! Malformed mesh GID file (m) near '") + word + "'!\n";
  };
  auto outside = [](const std::string& label) {
    return "--- Nodes: 11\n--- ERROR! Element 2 refers to node " + label +
           " outside 1..11 in mesh GID file (m)!\n";
  };
  const std::string element2 = "2 11 2 3 4 5 6 7 8 9 10\n", node5 = "    5   0.5 0.0 0.0\n";
  struct Case {
    std::string from, to;
    int code;
    std::string message;
  };
  const Case cases[] = {
      // Header checks.
      {"MESH ", "MASH ", -3, "--- ERROR! This is not a GID file (MASH)!\n"},
      {"dimension 3", "dimension 2", -4, "--- ERROR! This is not a file with 3D data ( 2)!\n"},
      {"Tetrahedra", "Hexahedra", -5, "--- ERROR! Elements are not Tetrahedra ( Hexahedra)!\n"},
      {"Nnode 10", "Nnode 4", -6, "--- ERROR! Elements are not 10-nodes Tetrahedra (4)!\n"},
      {"Nnode 10", "Nnode -99999999999", -6,
       "--- ERROR! Elements are not 10-nodes Tetrahedra (-99999999999)!\n"},
      // Header words longer than their buffers, a count that is not an integer.
      {"MESH ", "MESHMESH ", -7, near("MESHMESH")},
      {"dimension 3", "dimension 3D", -7, near("3D")},
      {"ElemType", "ElementType", -7, near("ElementType")},
      {"Tetrahedra ", "Tetrahedra10 ", -7, near("Tetrahedra10")},
      {"Nnode", "Nnodes", -7, near("Nnodes")},
      {"Nnode 10", "Nnode ten", -7, near("ten")},
      {"Nnode 10", "Nnode 10.0", -7, near("10.0")},
      {"Nnode 10", "Nnode 99999999999999999999", -7, near("99999999999999999999")},
      {"Coordinates\n    1", long_line + "    1", -7, near(std::string(40, 'c'))},
      // Node lines.
      {node5, "    5   0.5 0.0\n", -7, near("5")},
      {node5, "    5   0.5 0.0 0.0 7\n", -7, near("5")},
      {node5, "    5   0.5 abc 0.0\n", -7, near("abc")},
      {node5, "    5   0.5 2.5e 0.0\n", -7, near("2.5e")},
      {node5, "    5   0.5,0.0,0.0\n", -7, near("0.5,0.0,0.0")},
      {"    5   0.5", "12345678901 0.5", -7, near("12345678901")},
      {"    5   0.5", long_word + " 0.5", -7, near(std::string(40, 'w'))},
      {node5, "    5   0.5 " + long_word + " 0.0\n", -7, near(std::string(40, 'w'))},
      // Skipped lines after the nodes.
      {"End Coordinates\n", "End Coordinates " + long_line, -7,
       near(" Coordinates " + std::string(27, 'c'), true)},
      // Element lines.
      {element2, "2 11 2 3 4 5 6 7 8 9\n", -7, near("2", true)},
      {element2, "2 11 2 3 4 5 6 7 8 9 10 0\n", -7, near("2", true)},
      {element2, "2 11 2 3 4 5 6 7 8 x 10\n", -7, near("x", true)},
      {element2, "2 11 2 3 4 5 6 7 8 9.0 10\n", -7, near("9.0", true)},
      {element2, "2 11 2 3 4 5 6 7 8 9 00000000010\n", -7, near("00000000010", true)},
      {"2 11 2", "12345678901 11 2", -7, near("12345678901", true)},
      // Early ends of the file.
      {"End Elements\n", "", -7, near("end of file", true)},
      {element2 + "End Elements\n", "2 11 2 3 4 5", -7, near("end of file", true)},
      {"\nElements\n1 1 2 3 4 5 6 7 8 9 10\n" + element2 + "End Elements\n", "\n", -7,
       near("end of file", true)},
      // Node labels outside the nodes read.
      {"2 11 2 3 4", "2 11 2 3 12", -8, outside("12")},
      {"2 11 2 3 4", "2 11 2 3 0", -8, outside("0")},
      {"2 11 2 3 4", "2 11 2 3 -3", -8, outside("-3")},
      {"2 11 2 3 4", "2 11 2 3 +99", -8, outside("+99")},
      {"2 11 2 3 4", "2 11 2 3 9999999999", -8, outside("9999999999")},
  };
  for (const Case& c : cases) {
    const Outcome o = read_failing(replace(kMesh, c.from, c.to));
    EXPECT_EQ(o.code, c.code) << c.to;
    EXPECT_EQ(o.out, kReading + c.message) << c.to;
    if (c.to == "Nnode -99999999999") {  // the header is echoed before it is checked
      EXPECT_EQ(read_file("gid_mesh.txt"),
                "MESH\ndimension : 3\nElemType : Tetrahedra\nNnode : -99999999999\n");
    }
  }
  // Accepted: prefixes of the header words, "+11" for node 11, a skipped line
  // of 253 characters with either line end.
  const std::string fits(253, 'c');
  for (const std::string& text :
       {replace(kMesh, "MESH    dimension 3 ElemType Tetrahedra  Nnode", "MESHES  dim 3 Elem Tetrahedra0 N"),
        replace(kMesh, "2 11 2", "2 +11 2"), replace(kMesh, "Coordinates\n    1", fits + "\n    1"),
        replace(kMesh, "Coordinates\n    1", fits + "\r\n    1")}) {
    write_new_file("m_ascii.msh", text);
    EXPECT_EQ(count_mesh("m").code, 0) << text.substr(0, 60);
  }
  write_new_file("m_ascii.msh", replace(kMesh, "Coordinates\n    1", fits + "c\n    1"));
  EXPECT_EQ(count_mesh("m").code, -7);
}

TEST(GidMesh, EveryTruncationFailsWithoutWritingOutsideTheArrays) {
  ScratchDir dir;
  captured_stdout([] {
    for (const std::string& text : {std::string(kMesh), crlf(kMesh)}) {
      const std::size_t end_at = text.rfind("End") + 3;  // a word beginning with "End" closes the file
      for (std::size_t cut = 0; cut < text.size(); ++cut) {
        write_new_file("m_ascii.msh", text.substr(0, cut));
        GuardedRecords r(11, 2);
        const Outcome o = read_mesh("m", &r, false);
        EXPECT_EQ(o.code, count_mesh("m", false).code) << cut;
        EXPECT_TRUE(cut < end_at ? o.code < 0 : o.code == 0) << cut;
        EXPECT_TRUE(r.guards()) << cut;
      }
    }
  });
}

// Random damage: byte changes, insertions and deletions in a valid file, and
// plain random bytes. Arrays are sized by the counter when it succeeds and
// from the number of lines otherwise (what a failing read may have written).
TEST(GidMesh, RandomDamageNeverWritesOutsideTheArrays) {
  ScratchDir dir;
  std::mt19937 rng(12345);
  const std::string alphabet = "0123456789 \t\r\n.eE+-EndMESHx\0";
  captured_stdout([&] {
    for (int trial = 0; trial < 1500; ++trial) {
      std::string text = kMesh;
      if (trial % 5 == 4) {
        text.assign(rng() % 600, '\0');
        for (char& ch : text) ch = static_cast<char>(rng() % 256);
        if (trial % 10 == 9) text = std::string(kMesh).substr(0, 80) + text;
      } else {
        for (int k = 0, edits = 1 + static_cast<int>(rng() % 4); k < edits && !text.empty(); ++k) {
          const std::size_t at = rng() % text.size();
          const char ch = alphabet[rng() % alphabet.size()];
          const unsigned kind = rng() % 3;
          if (kind == 0) text[at] = ch;
          if (kind == 1) text.insert(text.begin() + static_cast<long>(at), ch);
          if (kind == 2) text.erase(at, 1);
        }
      }
      write_new_file("m_ascii.msh", text);
      const Outcome c = count_mesh("m", false);
      const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n')) + 1;
      GuardedRecords r(c.code == 0 ? c.nNodes : lines, c.code == 0 ? c.nElements : lines);
      const Outcome o = read_mesh("m", &r, false);
      EXPECT_EQ(o.code, c.code) << trial;
      EXPECT_TRUE(o.code == 0 || (o.code <= -3 && o.code >= -8)) << trial;
      if (o.code == 0) {
        EXPECT_TRUE(o.nNodes == c.nNodes && o.nElements == c.nElements);
        for (int e = 0; e < o.nElements; ++e)
          for (int id : r.element_array()[e].Node_ID) EXPECT_TRUE(id >= 0 && id < o.nNodes) << trial;
      }
      EXPECT_TRUE(r.guards()) << trial;
    }
  });
}

TEST(MeshTool, GradedAxesGrowGeometricallyBetweenExactEnds) {
  const std::vector<double> x = boxmesh::graded(-1.0, 2.0, 4, 8.0);
  ASSERT_EQ(x.size(), 5u);
  EXPECT_EQ(x.front(), -1.0);
  EXPECT_EQ(x.back(), 2.0);
  // Sizes h, 2h, 4h, 8h with 15h = 3.
  const double h[4] = {0.2, 0.4, 0.8, 1.6};
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(x[i + 1] - x[i], h[i], 1e-14) << i;
  EXPECT_EQ(boxmesh::graded(0.0, 1.0, 3, 1.0), boxmesh::uniform(0.0, 1.0, 3));
}

// A box written by the mesh tool's writer reads back with its coordinates
// and connectivity, and save_GID writes the input's connectivity lines again.
TEST(GidMesh, RoundTripThroughTheGiDFiles) {
  ScratchDir dir;
  const boxmesh::BoxMesh box = boxmesh::make_box(
      boxmesh::graded(0.0, 3.0, 3, 2.0), boxmesh::uniform(-1.0, 1.0, 2), boxmesh::uniform(0.0, 0.7, 1));
  ASSERT_TRUE(th10mesh::write_gid_ascii_file(box, "box_ascii.msh"));
  GuardedRecords r(box.nNodes(), box.nElements());
  const Outcome o = read_mesh("box", &r);
  ASSERT_EQ(o.code, 0);
  ASSERT_TRUE(o.nNodes == box.nNodes() && o.nElements == box.nElements());
  for (int i = 0; i < o.nNodes; ++i) {
    const FEM::NODE& n = r.node_array()[i];
    EXPECT_TRUE(n.x == box.xyz[3 * i] && n.y == box.xyz[3 * i + 1] && n.z == box.xyz[3 * i + 2]) << i;
  }
  for (int e = 0; e < o.nElements; ++e)
    for (int k = 0; k < 10; ++k) ASSERT_EQ(r.element_array()[e].Node_ID[k], box.conn[e][k]);
  EXPECT_TRUE(r.guards());

  char name[] = "box";
  EXPECT_EQ(captured_stdout([&] {
              EXPECT_EQ(TH10G15::save_GID(name, r.node_array(), o.nNodes, r.element_array(), o.nElements), 0);
            }),
            "");
  // Element lines of both files: label, then 10 node labels in GiD order.
  auto element_lines = [](const std::string& text) {
    std::vector<std::vector<long>> lines;
    std::istringstream in(text.substr(text.find("Elements\n") + 9));
    std::string line;
    while (std::getline(in, line) && line.find("nd") == std::string::npos) {
      std::istringstream fields(line);
      std::vector<long> v(11);
      for (long& x : v) fields >> x;
      lines.push_back(v);
    }
    return lines;
  };
  EXPECT_EQ(element_lines(read_file("box.post.msh")), element_lines(read_file("box_ascii.msh")));
}

}  // namespace
