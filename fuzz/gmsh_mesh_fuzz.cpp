// libFuzzer target for the gmsh mesh reader. Every input either reads or
// throws gmshmesh::Error with a message that names the input; a mesh that
// reads has its node indices in range, every node in a tetrahedron, distinct
// node tags, and groups that find_group finds by name. Anything else traps.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "gmsh_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  gmshmesh::Mesh m;
  try {
    m = gmshmesh::read_msh(std::string(reinterpret_cast<const char*>(data), size), "fuzz.msh");
  } catch (const gmshmesh::Error& e) {
    FUZZ_CHECK(std::string(e.what()).rfind("fuzz.msh:", 0) == 0);
    return 0;
  }
  const int n = m.nNodes();
  FUZZ_CHECK(m.xyz.size() == 3 * m.node_tags.size() && !m.tetrahedra.empty());
  FUZZ_CHECK(std::set<std::size_t>(m.node_tags.begin(), m.node_tags.end()).size() == m.node_tags.size());
  std::vector<char> used(n, 0);
  for (const gmshmesh::Tetrahedron& t : m.tetrahedra)
    for (int i : t.nodes) {
      FUZZ_CHECK(i >= 0 && i < n);
      used[i] = 1;
    }
  FUZZ_CHECK(std::find(used.begin(), used.end(), 0) == used.end());
  for (const gmshmesh::Triangle& t : m.triangles)
    for (int i : t.nodes) FUZZ_CHECK(i >= 0 && i < n && used[i]);
  for (const gmshmesh::PhysicalGroup& g : m.groups)
    FUZZ_CHECK(g.name.empty() || m.find_group(g.dim, g.name) == &g);
  FUZZ_CHECK(m.mirrored >= 0 && m.mirrored <= static_cast<int>(m.tetrahedra.size()));
  return 0;
}
