// Element geometry of the 10-node tetrahedron for loads and results.
#include "element_geometry.h"

namespace tet10 {

const int kFaceNode[kFaces][kFaceNodes] = {
    {1, 2, 3, 5, 9, 8},  // opposite corner 0
    {0, 2, 3, 6, 9, 7},  // opposite corner 1
    {0, 1, 3, 4, 8, 7},  // opposite corner 2
    {0, 1, 2, 4, 5, 6},  // opposite corner 3
};

void face_coordinates(const TH10G15::ELEMENT& el, int f, double* x) {
  for (int k = 0; k < kFaceNodes; ++k)
    for (int d = 0; d < 3; ++d) x[3 * k + d] = el.Coords[3 * kFaceNode[f][k] + d];
}

int face_orientation(const TH10G15::ELEMENT& el, int f) {
  double x[kFaceDofs], e1[3], e2[3], to[3];
  face_coordinates(el, f, x);
  const int opposite = f;  // face f lies opposite corner f
  for (int d = 0; d < 3; ++d) {
    e1[d] = x[3 + d] - x[d];
    e2[d] = x[6 + d] - x[d];
    to[d] = el.Coords[3 * opposite + d] - x[d];
  }
  const double side = to[0] * (e1[1] * e2[2] - e1[2] * e2[1]) + to[1] * (e1[2] * e2[0] - e1[0] * e2[2]) +
                      to[2] * (e1[0] * e2[1] - e1[1] * e2[0]);
  return side > 0 ? -1 : 1;
}

void face_pressure_forces(const double* x, double p, double* f) {
  // Six-point rule on the triangle, exact to degree 4: the shape functions
  // (degree 2) times the area vector of a curved face (degree 2).
  static const double a1 = 0.445948490915965, w1 = 0.223381589678011 / 2;
  static const double a2 = 0.091576213509771, w2 = 0.109951743655322 / 2;
  static const double pts[6][3] = {{a1, a1, 1 - 2 * a1}, {a1, 1 - 2 * a1, a1}, {1 - 2 * a1, a1, a1},
                                   {a2, a2, 1 - 2 * a2}, {a2, 1 - 2 * a2, a2}, {1 - 2 * a2, a2, a2}};
  static const double wts[6] = {w1, w1, w1, w2, w2, w2};
  for (int i = 0; i < kFaceDofs; ++i) f[i] = 0.0;
  for (int q = 0; q < 6; ++q) {
    const double L0 = pts[q][0], L1 = pts[q][1], L2 = pts[q][2];
    // Shape functions of the 6-node triangle and their derivatives along
    // (d/dL0 - d/dL2) and (d/dL1 - d/dL2), with L2 = 1 - L0 - L1.
    const double N[6] = {L0 * (2 * L0 - 1), L1 * (2 * L1 - 1), L2 * (2 * L2 - 1),
                         4 * L0 * L1,       4 * L1 * L2,       4 * L2 * L0};
    const double dN0[6] = {4 * L0 - 1, 0, -(4 * L2 - 1), 4 * L1, -4 * L1, 4 * (L2 - L0)};
    const double dN1[6] = {0, 4 * L1 - 1, -(4 * L2 - 1), 4 * L0, 4 * (L2 - L1), -4 * L0};
    double t0[3] = {0, 0, 0}, t1[3] = {0, 0, 0};
    for (int k = 0; k < kFaceNodes; ++k)
      for (int d = 0; d < 3; ++d) {
        t0[d] += dN0[k] * x[3 * k + d];
        t1[d] += dN1[k] * x[3 * k + d];
      }
    // Area vector per unit of the reference triangle.
    const double n[3] = {t0[1] * t1[2] - t0[2] * t1[1], t0[2] * t1[0] - t0[0] * t1[2],
                         t0[0] * t1[1] - t0[1] * t1[0]};
    for (int k = 0; k < kFaceNodes; ++k)
      for (int d = 0; d < 3; ++d) f[3 * k + d] -= p * wts[q] * N[k] * n[d];
  }
}

void gauss_point_position(const TH10G15::ELEMENT& el, int g, double* xyz) {
  for (int d = 0; d < 3; ++d) {
    xyz[d] = 0.0;
    for (int k = 0; k < kNodes; ++k) xyz[d] += el.GP[g].N[k] * el.Coords[3 * k + d];
  }
}

void weight_forces(const TH10G15::ELEMENT& el, double unit_weight, double* f) {
  for (int i = 0; i < kDofs; ++i) f[i] = 0.0;
  for (const TH10G15::GAUSSPOINT& g : el.GP) {
    const double s = -unit_weight * g.w * g.Jac;
    for (int k = 0; k < kNodes; ++k) f[3 * k + 2] += s * g.N[k];
  }
}

}  // namespace tet10
