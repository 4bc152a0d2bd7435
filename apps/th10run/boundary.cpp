// th10run: supports, prescribed displacements and pressures.
#include "boundary.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "element_geometry.h"

namespace th10run {

std::vector<int> nodes_in_box(const Model& m, const Box& b, double tol) {
  std::vector<int> out;
  for (int i = 0; i < m.nNodes(); ++i) {
    const double xyz[3] = {m.nodes[i].x, m.nodes[i].y, m.nodes[i].z};
    bool in = true;
    for (int d = 0; d < 3; ++d) in = in && xyz[d] >= b.lo[d] - tol && xyz[d] <= b.hi[d] + tol;
    if (in) out.push_back(i);
  }
  return out;
}

namespace {

std::string box_error(const std::string& where, const std::string& what) {
  return where + ": " + what;
}

// Faces that belong to one element only, as (element, face) pairs, keyed by
// their sorted corner nodes.
std::vector<std::pair<int, int>> boundary_faces(const Model& m) {
  std::map<std::array<int, 3>, std::pair<int, int>> seen;
  std::vector<char> inner;
  std::vector<std::pair<int, int>> faces;
  for (int e = 0; e < m.nElements(); ++e)
    for (int f = 0; f < tet10::kFaces; ++f) {
      std::array<int, 3> key;
      for (int c = 0; c < 3; ++c) key[c] = m.elems[e].Node_ID[tet10::kFaceNode[f][c]];
      std::sort(key.begin(), key.end());
      auto it = seen.find(key);
      if (it == seen.end()) {
        seen.emplace(key, std::make_pair(static_cast<int>(faces.size()), 0));
        faces.emplace_back(e, f);
        inner.push_back(0);
      } else {
        inner[it->second.first] = 1;
      }
    }
  std::vector<std::pair<int, int>> out;
  for (size_t i = 0; i < faces.size(); ++i)
    if (!inner[i]) out.push_back(faces[i]);
  return out;
}

void add_pressure(const Model& m, const PressureInput& ps, const std::vector<std::pair<int, int>>& faces,
                  double tol, Boundary& b) {
  std::vector<char> in(m.nNodes(), 0);
  for (int i : nodes_in_box(m, ps.box, tol)) in[i] = 1;
  Monitor mon{ps.name, {}};
  std::vector<char> listed(m.nNodes(), 0);
  int count = 0;
  for (const auto& [e, f] : faces) {
    const TH10G15::ELEMENT& el = m.elems[e];
    bool all = true;
    for (int k = 0; k < tet10::kFaceNodes; ++k) all = all && in[el.Node_ID[tet10::kFaceNode[f][k]]];
    if (!all) continue;
    ++count;
    // The pressure pushes on the face from outside the element.
    double x[tet10::kFaceDofs], fo[tet10::kFaceDofs];
    tet10::face_coordinates(el, f, x);
    tet10::face_pressure_forces(x, tet10::face_orientation(el, f) * ps.p, fo);
    for (int k = 0; k < tet10::kFaceNodes; ++k) {
      const int node = el.Node_ID[tet10::kFaceNode[f][k]];
      for (int d = 0; d < 3; ++d) b.Fref[3 * node + d] += fo[3 * k + d];
      if (!listed[node]) {
        listed[node] = 1;
        mon.nodes.push_back(node);
      }
    }
  }
  if (count == 0)
    throw ModelError(box_error(ps.where, "pressure box holds no boundary face (all 6 nodes inside)"));
  b.monitors.push_back(mon);
}

}  // namespace

Boundary build_boundary(const Model& m, const Problem& p) {
  const double tol = m.tolerance();
  Boundary b;
  Constraints& c = b.con;
  const int n = m.nDofs();
  c.kind.assign(n, Constraints::Free);
  c.target.assign(n, 0.0);
  b.Fref.assign(n, 0.0);

  // Supports: displacement held at zero in the listed directions.
  for (const SupportInput& s : p.supports) {
    const std::vector<int> set = nodes_in_box(m, s.box, tol);
    if (set.empty()) throw ModelError(box_error(s.where, "support box selects no node of the mesh"));
    for (int i : set)
      for (int d = 0; d < 3; ++d)
        if (s.fix[d]) c.kind[3 * i + d] = Constraints::Fixed;
  }
  // Prescribed displacements override supports; a later one overrides an earlier one.
  for (const DisplacementInput& s : p.displacements) {
    const std::vector<int> set = nodes_in_box(m, s.box, tol);
    if (set.empty()) throw ModelError(box_error(s.where, "displacement box selects no node of the mesh"));
    for (int i : set) {
      const double xyz[3] = {m.nodes[i].x, m.nodes[i].y, m.nodes[i].z};
      for (int d = 0; d < 3; ++d)
        if (s.on[d]) {
          c.kind[3 * i + d] = Constraints::Prescribed;
          c.target[3 * i + d] = s.value[d].at(xyz);
        }
    }
    b.monitors.push_back(Monitor{s.name, set});
  }
  // Pressures on boundary faces whose six nodes lie in the box.
  if (!p.pressures.empty()) {
    const auto faces = boundary_faces(m);
    for (const PressureInput& s : p.pressures) add_pressure(m, s, faces, tol, b);
  }
  // Nodes that belong to no element have no stiffness: hold them fixed.
  std::vector<char> used(m.nNodes(), 0);
  for (const TH10G15::ELEMENT& el : m.elems)
    for (int k = 0; k < tet10::kNodes; ++k) used[el.Node_ID[k]] = 1;
  for (int i = 0; i < m.nNodes(); ++i)
    if (!used[i]) {
      ++b.nUnusedNodes;
      for (int d = 0; d < 3; ++d) c.kind[3 * i + d] = Constraints::Fixed;
    }
  // Equation numbers of the free degrees of freedom, in dof order.
  c.eq.assign(n, -1);
  for (int i = 0; i < n; ++i) {
    if (c.kind[i] == Constraints::Free) c.eq[i] = c.nFree++;
    if (c.kind[i] == Constraints::Prescribed) ++c.nPrescribed;
  }
  return b;
}

}  // namespace th10run
