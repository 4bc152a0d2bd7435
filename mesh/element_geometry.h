// The 10-node tetrahedron as the library numbers it, for the programs that
// build meshes, loads and results around the library: counts, the nodes of
// each face, consistent face loads, Gauss-point positions and the node order
// of VTK's quadratic tetrahedron.
//
// Local node order: corners 0..3, then the mid-edge nodes 4 (0-1), 5 (1-2),
// 6 (0-2), 7 (3-0), 8 (3-1), 9 (3-2); (x3 - x2, x0 - x2, x1 - x2) is
// right-handed for a positive Jacobian.
#ifndef TH10FEM_MESH_ELEMENT_GEOMETRY_H
#define TH10FEM_MESH_ELEMENT_GEOMETRY_H

#include "TH10G15.h"

namespace tet10 {

using FiniteElementMethod::TH10G15;

constexpr int kNodes = 10;                  // nodes per element
constexpr int kGaussPoints = 15;            // integration points per element
constexpr int kDofs = 3 * kNodes;           // degrees of freedom per element
constexpr int kMatrixSize = kDofs * kDofs;  // entries of an element matrix
constexpr int kFaces = 4;
constexpr int kFaceNodes = 6;  // nodes of a quadratic triangle
constexpr int kFaceDofs = 3 * kFaceNodes;

// Face f lies opposite corner f: its 3 corners, then the mid-edge nodes of
// the edges (c0-c1), (c1-c2), (c2-c0), in local node numbers.
extern const int kFaceNode[kFaces][kFaceNodes];

// The x, y, z of the 6 nodes of face f of an element (18 values).
void face_coordinates(const TH10G15::ELEMENT& el, int f, double* x);

// +1 when the normal (x1 - x0) x (x2 - x0) of face f (corners in kFaceNode
// order) points out of the element, -1 when it points in.
int face_orientation(const TH10G15::ELEMENT& el, int f);

// Consistent nodal forces of a uniform pressure p on a curved or flat 6-node
// triangle (x: 6 nodes x 3 coordinates, kFaceNode order). The pressure acts
// against the normal (x1 - x0) x (x2 - x0). Writes 18 values.
void face_pressure_forces(const double* x, double p, double* f);

// The x, y, z of Gauss point g of an element: shape functions times the
// node coordinates.
void gauss_point_position(const TH10G15::ELEMENT& el, int g, double* xyz);

// Consistent nodal forces (30 values, local dof 3k + d) of a body force of
// unit_weight per volume acting in -z, from the element's Gauss points
// (make_GP_J_B must have run): the integral of N_k times the body force.
void weight_forces(const TH10G15::ELEMENT& el, double unit_weight, double* f);

// The local node at position k of VTK's quadratic tetrahedron (cell type 24):
// corners with (p1 - p0, p2 - p0, p3 - p0) right-handed, then the mid-edge
// nodes of the edges 0-1, 1-2, 2-0, 0-3, 1-3, 2-3. GiD's quadratic
// tetrahedron has the same order, so this is the library's GiD order.
inline int vtk_node(int k) {
  return TH10G15::CA(k);
}

}  // namespace tet10

#endif
