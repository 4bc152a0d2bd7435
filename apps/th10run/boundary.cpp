// th10run: supports, prescribed displacements and pressures of the phases.
#include "boundary.h"

#include <algorithm>
#include <cmath>

#include "element_geometry.h"

namespace th10run {

std::vector<std::vector<char>> phase_activity(const Model& m, const Problem& p) {
  auto index = [&](const std::string& name, const PhaseInput& ph) {
    return static_cast<size_t>(&m.group(name, ph.where + ": phase " + ph.name) - m.groups.data());
  };
  std::vector<char> active(m.groups.size(), 1);
  for (const PhaseInput& ph : p.phases)
    for (const std::string& name : ph.activate) active[index(name, ph)] = 0;  // built later
  std::vector<std::vector<char>> out;
  for (const PhaseInput& ph : p.phases) {
    for (const std::string& name : ph.deactivate) active[index(name, ph)] = 0;
    for (const std::string& name : ph.activate) active[index(name, ph)] = 1;
    for (const MaterialChange& c : ph.change) index(c.group, ph);  // the group must exist
    out.push_back(active);
  }
  return out;
}

std::vector<char> element_activity(const Model& m, const std::vector<char>& group_active) {
  std::vector<char> out(m.elems.size(), 0);
  for (size_t g = 0; g < m.groups.size(); ++g)
    if (group_active[g])
      std::fill(out.begin() + m.groups[g].first, out.begin() + m.groups[g].first + m.groups[g].count, 1);
  return out;
}

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

std::vector<std::pair<int, int>> boundary_faces(const Model& m, const std::vector<char>& group_active) {
  const std::vector<char> element_active = element_activity(m, group_active);
  std::vector<std::pair<int, int>> out;
  for (int e = 0; e < m.nElements(); ++e) {
    if (!element_active[e]) continue;
    for (int f = 0; f < tet10::kFaces; ++f) {
      const int other = m.part.neighbour_group[e][f];
      if (other < 0 || !group_active[other]) out.emplace_back(e, f);
    }
  }
  return out;
}

namespace {

// The faces of this rank's elements that a pressure acts on: the boundary
// faces whose 6 nodes lie in its box, or the faces of its physical surface
// that belong to active elements.
std::vector<std::pair<int, int>> pressure_faces(const Model& m, const PressureInput& ps,
                                                const std::vector<char>& group_active) {
  std::vector<std::pair<int, int>> out;
  if (!ps.at.group.empty()) {
    const std::vector<char> element_active = element_activity(m, group_active);
    for (const auto& ef : m.surface(ps.at.group, ps.where).faces)
      if (element_active[ef.first]) out.push_back(ef);
    return out;
  }
  std::vector<char> in(m.nNodes(), 0);
  for (int i : nodes_in_box(m, ps.at.box, m.tolerance())) in[i] = 1;
  for (const auto& [e, f] : boundary_faces(m, group_active)) {
    bool all = true;
    for (int k = 0; k < tet10::kFaceNodes; ++k) all = all && in[m.elems[e].Node_ID[tet10::kFaceNode[f][k]]];
    if (all) out.emplace_back(e, f);
  }
  return out;
}

// Whether a pressure acts on any face of any rank's elements.
bool any_faces(const Model& m, const std::vector<std::pair<int, int>>& faces) {
  std::vector<int> count = {static_cast<int>(faces.size())};
  m.part.ranks->sum(count);
  return count[0] > 0;
}

// The nodes of a list of faces, each once: in order of appearance, or over
// several ranks the nodes of every rank's faces in increasing order.
std::vector<int> face_nodes(const Model& m, const std::vector<std::pair<int, int>>& faces) {
  std::vector<int> out;
  std::vector<char> listed(m.nNodes(), 0);
  for (const auto& [e, f] : faces)
    for (int k = 0; k < tet10::kFaceNodes; ++k) {
      const int node = m.elems[e].Node_ID[tet10::kFaceNode[f][k]];
      if (!listed[node]) {
        listed[node] = 1;
        out.push_back(node);
      }
    }
  return node_union(*m.part.ranks, m.nNodes(), out);
}

// The nodes a support or prescribed displacement holds.
std::vector<int> place_nodes(const Model& m, const Place& at, const std::string& where, const char* what) {
  std::vector<int> set = at.group.empty() ? nodes_in_box(m, at.box, m.tolerance())
                                          : face_nodes(m, m.surface(at.group, where).faces);
  if (set.empty()) throw ModelError(where + ": " + what + " box selects no node of the mesh");
  return set;
}

void add_pressure(const Model& m, const PressureInput& ps, const std::vector<std::pair<int, int>>& faces,
                  std::vector<double>& F) {
  for (const auto& [e, f] : faces) {
    const TH10G15::ELEMENT& el = m.elems[e];
    // The pressure pushes on the face from outside the element.
    double x[tet10::kFaceDofs], fo[tet10::kFaceDofs];
    tet10::face_coordinates(el, f, x);
    tet10::face_pressure_forces(x, tet10::face_orientation(el, f) * ps.p, fo);
    for (int k = 0; k < tet10::kFaceNodes; ++k) {
      const int node = el.Node_ID[tet10::kFaceNode[f][k]];
      for (int d = 0; d < 3; ++d) F[3 * node + d] += fo[3 * k + d];
    }
  }
}

void fix_supports(const Model& m, const SupportInput& s, Constraints& c) {
  for (int i : place_nodes(m, s.at, s.where, "support"))
    for (int d = 0; d < 3; ++d)
      if (s.fix[d]) c.kind[3 * i + d] = Constraints::Fixed;
}

// The faces of a pressure in the phase that adds it: there must be one on
// an active element of some rank.
std::vector<std::pair<int, int>> loaded_faces(const Model& m, const PressureInput& ps,
                                              const std::vector<char>& group_active) {
  std::vector<std::pair<int, int>> faces = pressure_faces(m, ps, group_active);
  if (!any_faces(m, faces))
    throw ModelError(ps.where + ": pressure " +
                     (ps.at.group.empty() ? "box holds no boundary face (all 6 nodes inside)"
                                          : "surface has no face on an active element"));
  return faces;
}

}  // namespace

std::vector<Monitor> build_monitors(const Model& m, const Problem& p,
                                    const std::vector<std::vector<char>>& activity) {
  std::vector<Monitor> out;
  for (size_t k = 0; k < p.phases.size(); ++k) {
    for (const DisplacementInput& d : p.phases[k].displacements)
      out.push_back(Monitor{d.name, place_nodes(m, d.at, d.where, "displacement")});
    for (const PressureInput& ps : p.phases[k].pressures) {
      out.push_back(Monitor{ps.name, face_nodes(m, loaded_faces(m, ps, activity[k]))});
    }
  }
  return out;
}

Boundary build_boundary(const Model& m, const Problem& p, size_t phase,
                        const std::vector<char>& group_active) {
  Boundary b;
  Constraints& c = b.con;
  const int n = m.nDofs();
  c.kind.assign(n, Constraints::Free);
  c.target.assign(n, 0.0);
  b.F0.assign(n, 0.0);
  b.Fref.assign(n, 0.0);

  // Supports, kept from the phase that adds them on: displacement held at
  // zero in the listed directions; prescribed displacements of earlier
  // phases are held where they ended.
  for (const SupportInput& s : p.supports) fix_supports(m, s, c);
  for (size_t k = 0; k <= phase; ++k)
    for (const SupportInput& s : p.phases[k].supports) fix_supports(m, s, c);
  for (size_t k = 0; k < phase; ++k)
    for (const DisplacementInput& s : p.phases[k].displacements)
      for (int i : place_nodes(m, s.at, s.where, "displacement"))
        for (int d = 0; d < 3; ++d)
          if (s.on[d]) c.kind[3 * i + d] = Constraints::Fixed;
  // This phase's prescribed displacements override supports; a later one
  // overrides an earlier one.
  for (const DisplacementInput& s : p.phases[phase].displacements)
    for (int i : place_nodes(m, s.at, s.where, "displacement")) {
      const double xyz[3] = {m.nodes[i].x, m.nodes[i].y, m.nodes[i].z};
      for (int d = 0; d < 3; ++d)
        if (s.on[d]) {
          c.kind[3 * i + d] = Constraints::Prescribed;
          c.target[3 * i + d] = s.value[d].at(xyz);
        }
    }
  // Pressures, kept from the phase that adds them on, on the active faces.
  for (size_t k = 0; k <= phase; ++k)
    for (const PressureInput& ps : p.phases[k].pressures) {
      const auto faces = k == phase ? loaded_faces(m, ps, group_active) : pressure_faces(m, ps, group_active);
      add_pressure(m, ps, faces, b.Fref);
    }
  m.part.ranks->sum(b.Fref);  // each rank loads the faces of its own elements
  // Nodes that belong to no active element have no stiffness: hold them fixed.
  const std::vector<char> element_active = element_activity(m, group_active);
  std::vector<int> used(m.nNodes(), 0);
  for (int e = 0; e < m.nElements(); ++e)
    if (element_active[e])
      for (int k = 0; k < tet10::kNodes; ++k) used[m.elems[e].Node_ID[k]] = 1;
  m.part.ranks->sum(used);
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
