// th10run: supports, prescribed displacements and pressures.
#include "boundary.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

namespace th10run {

// Local corners 0..3 with mid-edge nodes 4 (0-1), 5 (1-2), 6 (0-2), 7 (3-0),
// 8 (3-1), 9 (3-2); each face is listed opposite one corner.
const int kFaceNodes[4][6] = {
    {1, 2, 3, 5, 9, 8},  // opposite corner 0
    {0, 2, 3, 6, 9, 7},  // opposite corner 1
    {0, 1, 3, 4, 8, 7},  // opposite corner 2
    {0, 1, 2, 4, 5, 6},  // opposite corner 3
};

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

void face_pressure_forces(const double* x, double p, double* f) {
  // Six-point rule on the triangle, exact to degree 4: the shape functions
  // (degree 2) times the area vector of a curved face (degree 2).
  static const double a1 = 0.445948490915965, w1 = 0.223381589678011 / 2;
  static const double a2 = 0.091576213509771, w2 = 0.109951743655322 / 2;
  static const double pts[6][3] = {{a1, a1, 1 - 2 * a1}, {a1, 1 - 2 * a1, a1}, {1 - 2 * a1, a1, a1},
                                   {a2, a2, 1 - 2 * a2}, {a2, 1 - 2 * a2, a2}, {1 - 2 * a2, a2, a2}};
  static const double wts[6] = {w1, w1, w1, w2, w2, w2};
  for (int i = 0; i < 18; ++i) f[i] = 0.0;
  for (int q = 0; q < 6; ++q) {
    const double L0 = pts[q][0], L1 = pts[q][1], L2 = pts[q][2];
    // Shape functions of the 6-node triangle and their derivatives along
    // (d/dL0 - d/dL2) and (d/dL1 - d/dL2), with L2 = 1 - L0 - L1.
    const double N[6] = {L0 * (2 * L0 - 1), L1 * (2 * L1 - 1), L2 * (2 * L2 - 1),
                         4 * L0 * L1,       4 * L1 * L2,       4 * L2 * L0};
    const double dN0[6] = {4 * L0 - 1, 0, -(4 * L2 - 1), 4 * L1, -4 * L1, 4 * (L2 - L0)};
    const double dN1[6] = {0, 4 * L1 - 1, -(4 * L2 - 1), 4 * L0, 4 * (L2 - L1), -4 * L0};
    double t0[3] = {0, 0, 0}, t1[3] = {0, 0, 0};
    for (int k = 0; k < 6; ++k)
      for (int d = 0; d < 3; ++d) {
        t0[d] += dN0[k] * x[3 * k + d];
        t1[d] += dN1[k] * x[3 * k + d];
      }
    // Area vector per unit of the reference triangle.
    const double n[3] = {t0[1] * t1[2] - t0[2] * t1[1], t0[2] * t1[0] - t0[0] * t1[2],
                         t0[0] * t1[1] - t0[1] * t1[0]};
    for (int k = 0; k < 6; ++k)
      for (int d = 0; d < 3; ++d) f[3 * k + d] -= p * wts[q] * N[k] * n[d];
  }
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
    for (int f = 0; f < 4; ++f) {
      std::array<int, 3> key;
      for (int c = 0; c < 3; ++c) key[c] = m.elems[e].Node_ID[kFaceNodes[f][c]];
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
    for (int k = 0; k < 6; ++k) all = all && in[el.Node_ID[kFaceNodes[f][k]]];
    if (!all) continue;
    ++count;
    double x[18], fo[18];
    for (int k = 0; k < 6; ++k)
      for (int d = 0; d < 3; ++d) x[3 * k + d] = el.Coords[3 * kFaceNodes[f][k] + d];
    // Orient the face outwards: its normal must point away from the fourth corner.
    const int opp = f;  // face f lies opposite corner f
    double e1[3], e2[3], to[3];
    for (int d = 0; d < 3; ++d) {
      e1[d] = x[3 + d] - x[d];
      e2[d] = x[6 + d] - x[d];
      to[d] = el.Coords[3 * opp + d] - x[d];
    }
    const double side = to[0] * (e1[1] * e2[2] - e1[2] * e2[1]) + to[1] * (e1[2] * e2[0] - e1[0] * e2[2]) +
                        to[2] * (e1[0] * e2[1] - e1[1] * e2[0]);
    face_pressure_forces(x, side > 0 ? -ps.p : ps.p, fo);
    for (int k = 0; k < 6; ++k) {
      const int node = el.Node_ID[kFaceNodes[f][k]];
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
    for (int k = 0; k < 10; ++k) used[el.Node_ID[k]] = 1;
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
