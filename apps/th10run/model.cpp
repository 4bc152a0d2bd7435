// th10run: building the mesh records and the initial material state.
#include "model.h"

#include <algorithm>
#include <array>
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

// Per element: its 10 nodes in the library's local order.
using Connectivity = std::vector<std::array<int, tet10::kNodes>>;

// Nodes and connectivity from a GiD ASCII mesh file, read by the library
// into element records, which are let go once their nodes are copied.
Connectivity read_gid(const std::string& name, Model& m) {
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
  std::vector<TH10G15::ELEMENT> elems(nE);
  int rN = 0, rE = 0;
  if (TH10G15::GID_mesh(buf.data(), m.nodes.data(), rN, elems.data(), rE) != 0 || rN != nN || rE != nE)
    throw ModelError("cannot read the GiD mesh " + name + "_ascii.msh (see the message above)");
  Connectivity conn(nE);
  for (int e = 0; e < nE; ++e) std::copy(elems[e].Node_ID, elems[e].Node_ID + tet10::kNodes, conn[e].begin());
  return conn;
}

Connectivity read_box(const MeshInput& s, Model& m) {
  std::vector<double> axis[3];
  for (int d = 0; d < 3; ++d)
    axis[d] = boxmesh::graded(s.origin[d], s.origin[d] + s.size[d], s.cells[d], s.grading[d]);
  boxmesh::BoxMesh b = boxmesh::make_box(axis[0], axis[1], axis[2]);
  set_nodes(m, b.xyz);
  return std::move(b.conn);
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
  std::string error;
  for (int e = 0; e < m.nElements() && error.empty(); ++e)
    for (const TH10G15::GAUSSPOINT& g : m.elems[e].GP)
      if (!(g.Jac > 0.0) || !std::isfinite(g.Jac)) {
        std::ostringstream s;
        s << "element " << m.part.global_id[e] + 1 << " is inverted or degenerate (Jacobian " << g.Jac
          << " at a Gauss point); check its node order and coordinates";
        error = s.str();
        break;
      }
  throw_first<ModelError>(*m.part.ranks, error);
}

// The element groups: each element's group name (gmsh physical volume,
// then the box groups, later boxes taking elements from earlier ones), the
// elements sorted by group (stable, groups in order of first appearance,
// elements of no group first) and the groups' blocks. Returns the sorted
// elements' places before the sort.
std::vector<int> group_elements(Model& m, Connectivity& conn, std::vector<std::string> names,
                                const std::vector<GroupInput>& boxes) {
  const double tol = m.tolerance();
  for (const GroupInput& g : boxes) {
    int count = 0;
    for (size_t e = 0; e < conn.size(); ++e) {
      double c[3] = {0, 0, 0};
      for (int k = 0; k < 4; ++k) {
        const FEM::NODE& n = m.nodes[conn[e][k]];
        const double xyz[3] = {n.x, n.y, n.z};
        for (int d = 0; d < 3; ++d) c[d] += 0.25 * xyz[d];
      }
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
  Connectivity sorted(conn.size());
  for (size_t i = 0; i < perm.size(); ++i) sorted[i] = conn[perm[i]];
  conn.swap(sorted);
  m.groups.clear();
  for (size_t i = 0; i < perm.size(); ++i) {
    const std::string& n = names[perm[i]];
    if (m.groups.empty() || m.groups.back().name != n)
      m.groups.push_back(ElementGroup{n, static_cast<int>(i), 0});
    ++m.groups.back().count;
  }
  return perm;
}

// Per element and local face: the element on the other side of the face,
// or -1 on the surface of the mesh. Faces meet by their corner nodes.
std::vector<int> face_neighbours(const Connectivity& conn) {
  struct Face {
    std::array<int, 3> corners;
    int at;  // 4 x element + local face
  };
  std::vector<Face> faces;
  faces.reserve(tet10::kFaces * conn.size());
  for (size_t e = 0; e < conn.size(); ++e)
    for (int f = 0; f < tet10::kFaces; ++f) {
      std::array<int, 3> key;
      for (int c = 0; c < 3; ++c) key[c] = conn[e][tet10::kFaceNode[f][c]];
      std::sort(key.begin(), key.end());
      faces.push_back(Face{key, static_cast<int>(tet10::kFaces * e + f)});
    }
  std::sort(faces.begin(), faces.end(), [](const Face& a, const Face& b) {
    return a.corners < b.corners || (a.corners == b.corners && a.at < b.at);
  });
  std::vector<int> across(faces.size(), -1);
  for (size_t i = 0; i + 1 < faces.size(); ++i)
    if (faces[i].corners == faces[i + 1].corners) {
      across[faces[i].at] = faces[i + 1].at / tet10::kFaces;
      across[faces[i + 1].at] = faces[i].at / tet10::kFaces;
    }
  return across;
}

// The element graph of the face neighbours, for the partitioner.
ElementGraph element_graph(const std::vector<int>& across) {
  ElementGraph g;
  const size_t n = across.size() / tet10::kFaces;
  g.start.assign(n + 1, 0);
  for (size_t e = 0; e < n; ++e) {
    std::vector<int> nb;
    for (int f = 0; f < tet10::kFaces; ++f)
      if (across[tet10::kFaces * e + f] >= 0) nb.push_back(across[tet10::kFaces * e + f]);
    std::sort(nb.begin(), nb.end());
    g.neighbours.insert(g.neighbours.end(), nb.begin(), nb.end());
    g.start[e + 1] = static_cast<int>(g.neighbours.size());
  }
  return g;
}

// Numbers the nodes rank by rank, so that the equations each rank holds
// come in one block: a node goes to the lowest rank of its elements (a node
// of no element to rank 0), keeping its order within the rank.
void number_nodes_by_rank(Model& m, Connectivity& conn, const std::vector<int>& owner, int ranks) {
  std::vector<int> node_rank(m.nNodes(), ranks);
  for (size_t e = 0; e < conn.size(); ++e)
    for (int k : conn[e]) node_rank[k] = std::min(node_rank[k], owner[e]);
  m.part.node_start.assign(ranks + 1, 0);
  for (int& r : node_rank) {
    if (r == ranks) r = 0;
    ++m.part.node_start[r + 1];
  }
  for (int p = 0; p < ranks; ++p) m.part.node_start[p + 1] += m.part.node_start[p];
  std::vector<int> next(m.part.node_start.begin(), m.part.node_start.end() - 1), renumber(m.nNodes());
  std::vector<FEM::NODE> nodes(m.nodes.size());
  for (int i = 0; i < m.nNodes(); ++i) {
    renumber[i] = next[node_rank[i]]++;
    nodes[renumber[i]] = m.nodes[i];
  }
  m.nodes.swap(nodes);
  for (auto& el : conn)
    for (int& k : el) k = renumber[k];
}

// The records of the elements this rank owns, in group order, with each
// group's block among them and the groups across their faces.
void make_own_records(Model& m, const Connectivity& conn, const std::vector<int>& owner,
                      const std::vector<int>& across) {
  const int me = m.part.ranks->rank();
  std::vector<int> group_of(conn.size());
  for (size_t g = 0; g < m.groups.size(); ++g)
    std::fill(group_of.begin() + m.groups[g].first, group_of.begin() + m.groups[g].first + m.groups[g].count,
              static_cast<int>(g));
  for (size_t e = 0; e < conn.size(); ++e)
    if (owner[e] == me) m.part.global_id.push_back(static_cast<int>(e));
  m.elems.assign(m.part.global_id.size(), TH10G15::ELEMENT{});
  m.part.neighbour_group.resize(m.elems.size());
  for (size_t g = 0; g < m.groups.size(); ++g) m.groups[g].count = 0;
  for (size_t i = 0; i < m.elems.size(); ++i) {
    const int e = m.part.global_id[i];
    std::copy(conn[e].begin(), conn[e].end(), m.elems[i].Node_ID);
    for (int f = 0; f < tet10::kFaces; ++f) {
      const int other = across[tet10::kFaces * e + f];
      m.part.neighbour_group[i][f] = other < 0 ? -1 : group_of[other];
    }
    ++m.groups[group_of[e]].count;
  }
  int first = 0;
  for (ElementGroup& g : m.groups) {
    g.first = first;
    first += g.count;
  }
}

}  // namespace

void set_nodes(Model& m, const std::vector<double>& xyz) {
  m.nodes.assign(xyz.size() / 3, FEM::NODE{});
  for (size_t i = 0; i < m.nodes.size(); ++i) {
    m.nodes[i].x = xyz[3 * i];
    m.nodes[i].y = xyz[3 * i + 1];
    m.nodes[i].z = xyz[3 * i + 2];
  }
}

Model build_model(const MeshInput& mesh, const std::vector<GroupInput>& boxes,
                  std::shared_ptr<const Ranks> ranks) {
  Model m;
  m.part.ranks = std::move(ranks);
  const Ranks& r = *m.part.ranks;
  MeshGroups named;  // gmsh physical groups
  Connectivity conn;
  if (mesh.kind == MeshKind::Gid) {
    conn = read_gid(mesh.gid_name, m);
  } else if (mesh.kind == MeshKind::Gmsh) {
    named = read_gmsh(mesh.gmsh_file, m);
    conn.swap(named.elements);
  } else {
    conn = read_box(mesh, m);
  }
  for (const FEM::NODE& n : m.nodes)
    if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z))
      throw ModelError("the mesh has a node with a coordinate that is not a finite number");
  bounding_box(m);
  if (named.element_group.empty()) named.element_group.assign(conn.size(), "");
  const std::vector<int> perm = group_elements(m, conn, std::move(named.element_group), boxes);
  m.part.nElements = static_cast<int>(conn.size());

  // The partition: which rank owns each element; the nodes numbered rank by rank.
  const std::vector<int> across = face_neighbours(conn);
  std::vector<int> owner(conn.size(), 0);
  if (r.size() > 1) {
    owner = r.partition(element_graph(across));
    number_nodes_by_rank(m, conn, owner, r.size());
  } else {
    m.part.node_start = {0, m.nNodes()};
  }
  make_own_records(m, conn, owner, across);
  number_dofs(m);

  // Face sets follow their elements to their places among this rank's records.
  std::vector<int> local(conn.size(), -1);
  for (size_t i = 0; i < m.part.global_id.size(); ++i) local[m.part.global_id[i]] = static_cast<int>(i);
  std::vector<int> position(perm.size());
  for (size_t i = 0; i < perm.size(); ++i) position[perm[i]] = static_cast<int>(i);
  for (FaceGroup& f : named.surfaces) {
    std::vector<std::pair<int, int>> own;
    for (const auto& [e, face] : f.faces)
      if (local[position[e]] >= 0) own.emplace_back(local[position[e]], face);
    f.faces.swap(own);
  }
  m.surfaces = std::move(named.surfaces);
  // Geometry: Gauss points, Jacobians and strain-displacement matrices.
  TH10G15::make_GP_J_B(m.elems.data(), m.nElements());
  check_jacobians(m);
  return m;
}

}  // namespace th10run
