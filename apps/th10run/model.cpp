// th10run: building the mesh records and the initial material state.
#include "model.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "box_mesh.h"
#include "element_geometry.h"
#include "gmsh_model.h"

namespace th10run {

double Model::tolerance() const {
  double ext = 0.0;
  for (int d = 0; d < 3; ++d) ext = std::max(ext, hi[d] - lo[d]);
  return 1e-6 * ext;
}

const ElementGroup& Model::group(const std::string& name, const std::string& who) const {
  for (const ElementGroup& g : groups)
    if (g.name == name && !name.empty()) return g;
  std::string known;
  for (const ElementGroup& g : groups)
    if (!g.name.empty()) known += (known.empty() ? "" : ", ") + g.name;
  throw ModelError(who + ": the mesh has no element group \"" + name +
                   "\" (it has: " + (known.empty() ? "none" : known) + ")");
}

const FaceGroup& Model::surface(const std::string& name, const std::string& who) const {
  for (const FaceGroup& f : surfaces)
    if (f.name == name) return f;
  std::string known;
  for (const FaceGroup& f : surfaces) known += (known.empty() ? "" : ", ") + f.name;
  throw ModelError(who + ": the mesh has no physical surface \"" + name +
                   "\" (it has: " + (known.empty() ? "none" : known) + ")");
}

namespace {

// Nodes and connectivity from a GiD ASCII mesh file, read by the library.
void read_gid(const std::string& name, Model& m) {
  // The library takes a writable name buffer of at most 255 characters
  // including the suffix "_ascii.msh".
  if (name.size() + 10 >= 255) throw ModelError("mesh file name too long (over 244 characters): " + name);
  std::vector<char> buf(name.begin(), name.end());
  buf.push_back('\0');
  // First count, so that the arrays can be sized (the reader has no bound).
  int nN = 0, nE = 0;
  if (TH10G15::GID_mesh_count(buf.data(), nN, nE) != 0)
    throw ModelError("cannot read the GiD mesh " + name + "_ascii.msh (see the message above)");
  if (nN < 4 || nE < 1) throw ModelError("the GiD mesh " + name + "_ascii.msh has no elements");
  m.nodes.assign(nN, FEM::NODE{});
  m.elems.assign(nE, TH10G15::ELEMENT{});
  int rN = 0, rE = 0;
  if (TH10G15::GID_mesh(buf.data(), m.nodes.data(), rN, m.elems.data(), rE) != 0 || rN != nN || rE != nE)
    throw ModelError("cannot read the GiD mesh " + name + "_ascii.msh (see the message above)");
}

void read_box(const MeshInput& s, Model& m) {
  std::vector<double> axis[3];
  for (int d = 0; d < 3; ++d)
    axis[d] = boxmesh::graded(s.origin[d], s.origin[d] + s.size[d], s.cells[d], s.grading[d]);
  const boxmesh::BoxMesh b = boxmesh::make_box(axis[0], axis[1], axis[2]);
  m.nodes.assign(b.nNodes(), FEM::NODE{});
  m.elems.assign(b.nElements(), TH10G15::ELEMENT{});
  boxmesh::fill_records(b, m.nodes.data(), m.elems.data());
}

// Element Coords and DoF lists and the node DoF lists, node-major.
void number_dofs(Model& m) {
  for (int i = 0; i < m.nNodes(); ++i) {
    FEM::NODE& n = m.nodes[i];
    for (int d = 0; d < 3; ++d) n.DoF[d] = 3 * i + d;
  }
  for (TH10G15::ELEMENT& el : m.elems)
    for (int k = 0; k < tet10::kNodes; ++k) {
      const FEM::NODE& n = m.nodes[el.Node_ID[k]];
      const double xyz[3] = {n.x, n.y, n.z};
      for (int d = 0; d < 3; ++d) {
        el.DoF[3 * k + d] = 3 * el.Node_ID[k] + d;
        el.Coords[3 * k + d] = xyz[d];
      }
    }
}

void bounding_box(Model& m) {
  for (int d = 0; d < 3; ++d) {
    m.lo[d] = HUGE_VAL;
    m.hi[d] = -HUGE_VAL;
  }
  for (const FEM::NODE& n : m.nodes) {
    const double xyz[3] = {n.x, n.y, n.z};
    for (int d = 0; d < 3; ++d) {
      m.lo[d] = std::min(m.lo[d], xyz[d]);
      m.hi[d] = std::max(m.hi[d], xyz[d]);
    }
  }
}

// An element with a non-positive or non-finite Jacobian at any Gauss point is
// inverted or degenerate: its stiffness would be meaningless.
void check_jacobians(const Model& m) {
  for (int e = 0; e < m.nElements(); ++e)
    for (const TH10G15::GAUSSPOINT& g : m.elems[e].GP)
      if (!(g.Jac > 0.0) || !std::isfinite(g.Jac)) {
        std::ostringstream s;
        s << "element " << e + 1 << " is inverted or degenerate (Jacobian " << g.Jac
          << " at a Gauss point); check its node order and coordinates";
        throw ModelError(s.str());
      }
}

// The element groups: each element's group name (gmsh physical volume,
// then the box groups, later boxes taking elements from earlier ones), the
// elements sorted by group (stable, groups in order of first appearance,
// elements of no group first) and the groups' blocks.
std::vector<int> group_elements(Model& m, std::vector<std::string> names,
                                const std::vector<GroupInput>& boxes) {
  const double tol = m.tolerance();
  for (const GroupInput& g : boxes) {
    int count = 0;
    for (int e = 0; e < m.nElements(); ++e) {
      double c[3] = {0, 0, 0};
      for (int k = 0; k < 4; ++k)
        for (int d = 0; d < 3; ++d) c[d] += 0.25 * m.elems[e].Coords[3 * k + d];
      bool in = true;
      for (int d = 0; d < 3; ++d) in = in && c[d] >= g.box.lo[d] - tol && c[d] <= g.box.hi[d] + tol;
      if (!in) continue;
      names[e] = g.name;
      ++count;
    }
    if (count == 0) throw ModelError(g.where + ": group box holds the centroid of no element");
  }
  std::vector<std::string> order = {""};
  for (const std::string& n : names)
    if (std::find(order.begin(), order.end(), n) == order.end()) order.push_back(n);
  std::vector<int> rank(names.size()), perm(names.size());
  for (size_t e = 0; e < names.size(); ++e)
    rank[e] = static_cast<int>(std::find(order.begin(), order.end(), names[e]) - order.begin());
  for (size_t e = 0; e < perm.size(); ++e) perm[e] = static_cast<int>(e);
  std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) { return rank[a] < rank[b]; });
  std::vector<TH10G15::ELEMENT> sorted(m.elems.size());
  for (size_t i = 0; i < perm.size(); ++i) sorted[i] = m.elems[perm[i]];
  m.elems.swap(sorted);
  m.groups.clear();
  for (size_t i = 0; i < perm.size(); ++i) {
    const std::string& n = names[perm[i]];
    if (m.groups.empty() || m.groups.back().name != n)
      m.groups.push_back(ElementGroup{n, static_cast<int>(i), 0});
    ++m.groups.back().count;
  }
  return perm;
}

}  // namespace

Model build_model(const MeshInput& mesh, const std::vector<GroupInput>& boxes) {
  Model m;
  MeshGroups named;  // gmsh physical groups
  if (mesh.kind == MeshKind::Gid)
    read_gid(mesh.gid_name, m);
  else if (mesh.kind == MeshKind::Gmsh)
    named = read_gmsh(mesh.gmsh_file, m);
  else
    read_box(mesh, m);
  for (const FEM::NODE& n : m.nodes)
    if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z))
      throw ModelError("the mesh has a node with a coordinate that is not a finite number");
  number_dofs(m);
  bounding_box(m);
  if (named.element_group.empty()) named.element_group.assign(m.elems.size(), "");
  const std::vector<int> perm = group_elements(m, named.element_group, boxes);
  // Face sets follow their elements to the sorted positions.
  std::vector<int> position(perm.size());
  for (size_t i = 0; i < perm.size(); ++i) position[perm[i]] = static_cast<int>(i);
  for (FaceGroup& f : named.surfaces)
    for (auto& [e, face] : f.faces) e = position[e];
  m.surfaces = std::move(named.surfaces);
  // Geometry: Gauss points, Jacobians and strain-displacement matrices.
  TH10G15::make_GP_J_B(m.elems.data(), m.nElements());
  check_jacobians(m);
  return m;
}

}  // namespace th10run
