// th10run: gmsh meshes as the model's records and groups.
#include "gmsh_model.h"

#include <algorithm>
#include <array>
#include <map>

#include "element_geometry.h"
#include "gmsh_reader.h"

namespace th10run {
namespace {

// The name of a physical group, or "physical N" for a group without one.
std::string name_of(const gmshmesh::PhysicalGroup& g) {
  return g.name.empty() ? "physical " + std::to_string(g.tag) : g.name;
}

std::string group_name(const gmshmesh::Mesh& mesh, int dim, int tag) {
  for (const gmshmesh::PhysicalGroup& g : mesh.groups)
    if (g.dim == dim && g.tag == tag) return name_of(g);
  return "";
}

std::array<int, 3> corner_key(int a, int b, int c) {
  std::array<int, 3> k = {a, b, c};
  std::sort(k.begin(), k.end());
  return k;
}

}  // namespace

MeshGroups read_gmsh(const std::string& file, Model& m) {
  gmshmesh::Mesh mesh;
  try {
    mesh = gmshmesh::read_msh_file(file);
  } catch (const gmshmesh::Error& e) {
    throw ModelError(e.what());
  }
  if (mesh.tetrahedra.empty()) throw ModelError(file + ": the mesh has no 10-node tetrahedra");
  set_nodes(m, mesh.xyz);
  MeshGroups out;
  out.elements.resize(mesh.tetrahedra.size());
  for (size_t e = 0; e < mesh.tetrahedra.size(); ++e) {
    std::copy(mesh.tetrahedra[e].nodes.begin(), mesh.tetrahedra[e].nodes.end(), out.elements[e].begin());
    out.element_group.push_back(group_name(mesh, 3, mesh.tetrahedra[e].physical));
  }
  // The element face of every surface triangle (element -1 where there is
  // none): only the triangles' corners are kept, not every face of the mesh.
  std::map<std::array<int, 3>, std::pair<int, int>> faces;  // corner key -> (element, face)
  for (const gmshmesh::Triangle& t : mesh.triangles)
    faces.emplace(corner_key(t.nodes[0], t.nodes[1], t.nodes[2]), std::make_pair(-1, -1));
  for (size_t e = 0; e < mesh.tetrahedra.size(); ++e) {
    const gmshmesh::Tetrahedron& t = mesh.tetrahedra[e];
    for (int f = 0; f < tet10::kFaces; ++f) {
      const int* c = tet10::kFaceNode[f];
      const auto it = faces.find(corner_key(t.nodes[c[0]], t.nodes[c[1]], t.nodes[c[2]]));
      if (it != faces.end()) it->second = {static_cast<int>(e), f};
    }
  }
  // Physical surfaces: the element faces of their triangles.
  for (const gmshmesh::PhysicalGroup& g : mesh.groups) {
    if (g.dim != 2) continue;
    FaceGroup fg{name_of(g), {}};
    for (const gmshmesh::Triangle& t : mesh.triangles) {
      if (t.physical != g.tag) continue;
      const auto it = faces.find(corner_key(t.nodes[0], t.nodes[1], t.nodes[2]));
      if (it->second.first < 0)
        throw ModelError(file + ": triangle " + std::to_string(t.tag) + " of physical surface \"" + fg.name +
                         "\" is no face of a tetrahedron");
      fg.faces.push_back(it->second);
    }
    out.surfaces.push_back(std::move(fg));
  }
  return out;
}

}  // namespace th10run
