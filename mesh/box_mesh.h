// A structured box of straight-sided 10-node tetrahedra, shared by the
// analysis program, the mesh tool, the tests and the benchmarks.
//
// The box is a grid of hexahedral cells whose corner coordinates are given per
// axis (so the grid may be graded). Every cell is split into the six Kuhn
// tetrahedra along its main diagonal; all cells are split alike, so the mesh is
// conforming. The quadratic nodes live on the refined lattice of
// (2nx+1) x (2ny+1) x (2nz+1) points: lattice point (i, j, k) is node
// i + (2nx+1)*(j + (2ny+1)*k); corners have even indices, and every refined
// point is the midpoint of exactly one edge, so every lattice point is used.
// Elements are stored in the library's local node order with a positive
// Jacobian: (node3 - node2, node0 - node2, node1 - node2) is right-handed.
#ifndef TH10FEM_MESH_BOX_MESH_H
#define TH10FEM_MESH_BOX_MESH_H

#include <array>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

#include "TH10G15.h"

namespace boxmesh {

struct BoxMesh {
  int nx = 0, ny = 0, nz = 0;             // cells per axis
  std::vector<double> xyz;                // 3 per node
  std::vector<std::array<int, 10>> conn;  // 0-based node indices, local order

  int nNodes() const { return static_cast<int>(xyz.size() / 3); }
  int nElements() const { return static_cast<int>(conn.size()); }
};

// Evenly spaced grid coordinates from a to b in n cells.
inline std::vector<double> uniform(double a, double b, int n) {
  std::vector<double> v(n + 1);
  for (int i = 0; i <= n; ++i) v[i] = a + (b - a) * i / n;
  v[n] = b;
  return v;
}

// Cell corners from a to b in n cells whose sizes grow geometrically, the last
// cell `ratio` times as long as the first (ratio 1: evenly spaced).
inline std::vector<double> graded(double a, double b, int n, double ratio) {
  if (ratio == 1.0 || n == 1) return uniform(a, b, n);
  const double q = std::pow(ratio, 1.0 / (n - 1));  // size ratio of neighbouring cells
  const double first = (b - a) * (q - 1.0) / (std::pow(q, n) - 1.0);
  std::vector<double> v(n + 1);
  v[0] = a;
  double h = first;
  for (int i = 1; i < n; ++i, h *= q) v[i] = v[i - 1] + h;
  v[n] = b;
  return v;
}

// Builds the box whose cell corners lie at xs x ys x zs (each increasing).
inline BoxMesh make_box(const std::vector<double>& xs, const std::vector<double>& ys,
                        const std::vector<double>& zs) {
  BoxMesh m;
  m.nx = static_cast<int>(xs.size()) - 1;
  m.ny = static_cast<int>(ys.size()) - 1;
  m.nz = static_cast<int>(zs.size()) - 1;
  const int NX = 2 * m.nx + 1, NY = 2 * m.ny + 1, NZ = 2 * m.nz + 1;
  // Coordinate of refined lattice index r along an axis: corner or midpoint.
  auto at = [](const std::vector<double>& c, int r) {
    return (r % 2 == 0) ? c[r / 2] : 0.5 * (c[r / 2] + c[r / 2 + 1]);
  };
  m.xyz.resize(3 * static_cast<std::size_t>(NX) * NY * NZ);
  for (int k = 0; k < NZ; ++k)
    for (int j = 0; j < NY; ++j)
      for (int i = 0; i < NX; ++i) {
        const std::size_t id = i + static_cast<std::size_t>(NX) * (j + static_cast<std::size_t>(NY) * k);
        m.xyz[3 * id + 0] = at(xs, i);
        m.xyz[3 * id + 1] = at(ys, j);
        m.xyz[3 * id + 2] = at(zs, k);
      }
  auto node = [&](const std::array<int, 3>& r) { return r[0] + NX * (r[1] + NY * r[2]); };
  auto mid = [](const std::array<int, 3>& a, const std::array<int, 3>& b) {
    return std::array<int, 3>{(a[0] + b[0]) / 2, (a[1] + b[1]) / 2, (a[2] + b[2]) / 2};
  };
  static const int perms[6][3] = {{0, 1, 2}, {0, 2, 1}, {1, 0, 2}, {1, 2, 0}, {2, 0, 1}, {2, 1, 0}};
  static const int parity[6] = {+1, -1, -1, +1, +1, -1};  // sign of each permutation
  m.conn.reserve(6 * static_cast<std::size_t>(m.nx) * m.ny * m.nz);
  for (int ck = 0; ck < m.nz; ++ck)
    for (int cj = 0; cj < m.ny; ++cj)
      for (int ci = 0; ci < m.nx; ++ci)
        for (int p = 0; p < 6; ++p) {
          // Kuhn path from the cell's low corner to its high corner.
          std::array<std::array<int, 3>, 4> P;
          P[0] = {2 * ci, 2 * cj, 2 * ck};
          for (int s = 0; s < 3; ++s) {
            P[s + 1] = P[s];
            P[s + 1][perms[p][s]] += 2;
          }
          // det(P1-P0, P2-P0, P3-P0) has the sign of the permutation; local
          // corners 2, 3, 0, 1 take P0..P3, swapped 0 <-> 1 when it is negative.
          std::array<std::array<int, 3>, 4> c = {P[2], P[3], P[0], P[1]};
          if (parity[p] < 0) std::swap(c[0], c[1]);
          std::array<int, 10> e;
          for (int q = 0; q < 4; ++q) e[q] = node(c[q]);
          e[4] = node(mid(c[0], c[1]));
          e[5] = node(mid(c[1], c[2]));
          e[6] = node(mid(c[0], c[2]));
          e[7] = node(mid(c[3], c[0]));
          e[8] = node(mid(c[3], c[1]));
          e[9] = node(mid(c[3], c[2]));
          m.conn.push_back(e);
        }
  return m;
}

// Fills node and element records the way a host does: coordinates, node-major
// DoF numbering (direction d of node i is 3i + d), connectivity and Coords.
inline void fill_records(const BoxMesh& m, FiniteElementMethod::FEM::NODE* nodes,
                         FiniteElementMethod::TH10G15::ELEMENT* elems) {
  for (int i = 0; i < m.nNodes(); ++i) {
    FiniteElementMethod::FEM::NODE& n = nodes[i];
    n.x = m.xyz[3 * i];
    n.y = m.xyz[3 * i + 1];
    n.z = m.xyz[3 * i + 2];
    n.cyl = 0.0;
    n.theta = 0.0;
    for (int d = 0; d < 3; ++d) {
      n.DoF[d] = 3 * i + d;
      n.u[d] = 0.0;
      n.f[d] = 0.0;
    }
  }
  for (int e = 0; e < m.nElements(); ++e) {
    FiniteElementMethod::TH10G15::ELEMENT& el = elems[e];
    for (int k = 0; k < 10; ++k) {
      const int id = m.conn[e][k];
      el.Node_ID[k] = id;
      for (int d = 0; d < 3; ++d) {
        el.DoF[3 * k + d] = 3 * id + d;
        el.Coords[3 * k + d] = m.xyz[3 * id + d];
      }
    }
  }
}

// Node and element records of a mesh, owned as a host owns them.
struct Records {
  std::vector<FiniteElementMethod::FEM::NODE> nodes;
  std::vector<FiniteElementMethod::TH10G15::ELEMENT> elems;
  int nNodes() const { return static_cast<int>(nodes.size()); }
  int nElements() const { return static_cast<int>(elems.size()); }
};

// Records of a box of nx x ny x nz cells of size lx x ly x lz with its
// geometry built (Gauss points, Jacobians, B) and no material set.
inline Records box_records(int nx, int ny, int nz, double lx, double ly, double lz) {
  const BoxMesh b = make_box(uniform(0, lx, nx), uniform(0, ly, ny), uniform(0, lz, nz));
  Records r;
  r.nodes.resize(b.nNodes());
  r.elems.resize(b.nElements());
  fill_records(b, r.nodes.data(), r.elems.data());
  FiniteElementMethod::TH10G15::make_GP_J_B(r.elems.data(), r.nElements());
  return r;
}

}  // namespace boxmesh

#endif
