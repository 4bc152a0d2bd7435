// Internal routines of the element integration, shared by the stiffness,
// stress-integration and internal-force sources and by the tests. Not
// exported: free functions in FiniteElementMethod::detail.
//
// B has the pattern that make_GP_J_B writes: column 3i + d (direction d of
// local node i) has three non-zeros, the derivatives dN_i/dx, dN_i/dy, dN_i/dz
// of node i's shape function, in the rows
//   column 3i     (x): row 0 = dx, row 3 = dy, row 5 = dz
//   column 3i + 1 (y): row 1 = dy, row 3 = dx, row 4 = dz
//   column 3i + 2 (z): row 2 = dz, row 4 = dy, row 5 = dx.
// The kernels read the 30 derivatives once, from rows 3 and 4 (gam_xy and
// gam_yz hold all three of them for every node, in 60 consecutive doubles),
// and form every product from them, skipping the 150 zeros.
#ifndef TH10FEM_TH10G15_ELEMENT_KERNELS_H
#define TH10FEM_TH10G15_ELEMENT_KERNELS_H

#include <cstddef>
#include <cstdint>

#include "TH10G15.h"
#include "point_walker.h"

namespace FiniteElementMethod {
namespace detail {

// Global shape-function derivatives of the 10 local nodes at one Gauss point.
struct Gradients {
  double x[10];
  double y[10];
  double z[10];
};

// Offsets in B of the derivatives of node i: dx and dy in row 3, dz in row 4.
constexpr int dx_at(int i) {
  return 90 + 3 * i + 1;
}
constexpr int dy_at(int i) {
  return 90 + 3 * i;
}
constexpr int dz_at(int i) {
  return 120 + 3 * i + 1;
}

// The part of a Gauss point's B that holds the derivatives: rows 3 and 4.
constexpr FieldSpan kGradientRows =
    doubles_at(offsetof(TH10G15::GAUSSPOINT, B) + dy_at(0) * sizeof(double), 60);

// Reads the derivatives of the 10 nodes from a 6 x 30 matrix B of the
// pattern above into x, y and z.
inline void read_gradients(const double* B, double* x, double* y, double* z) {
  for (int i = 0; i < 10; ++i) {
    x[i] = B[dx_at(i)];
    y[i] = B[dy_at(i)];
    z[i] = B[dz_at(i)];
  }
}

inline void read_gradients(const double* B, Gradients& a) {
  read_gradients(B, a.x, a.y, a.z);
}

// eps (6) = B * u (30 element displacements, node by node x, y, z), with
// engineering shear strains.
inline void strain_of(const Gradients& a, const double* u, double* eps) {
  double ex = 0.0, ey = 0.0, ez = 0.0, gxy = 0.0, gyz = 0.0, gzx = 0.0;
  for (int i = 0; i < 10; ++i) {
    const double ux = u[3 * i], uy = u[3 * i + 1], uz = u[3 * i + 2];
    ex += a.x[i] * ux;
    ey += a.y[i] * uy;
    ez += a.z[i] * uz;
    gxy += a.y[i] * ux + a.x[i] * uy;
    gyz += a.z[i] * uy + a.y[i] * uz;
    gzx += a.z[i] * ux + a.x[i] * uz;
  }
  eps[0] = ex;
  eps[1] = ey;
  eps[2] = ez;
  eps[3] = gxy;
  eps[4] = gyz;
  eps[5] = gzx;
}

// f (30) += s * B^T * sigma (6): the nodal forces of a stress over the volume s.
inline void add_BT_sigma(const Gradients& a, double s, const double* sigma, double* f) {
  double ssig[6];
  for (int r = 0; r < 6; ++r) ssig[r] = s * sigma[r];
  for (int i = 0; i < 10; ++i) {
    f[3 * i] += a.x[i] * ssig[0] + a.y[i] * ssig[3] + a.z[i] * ssig[5];
    f[3 * i + 1] += a.y[i] * ssig[1] + a.x[i] * ssig[3] + a.z[i] * ssig[4];
    f[3 * i + 2] += a.z[i] * ssig[2] + a.y[i] * ssig[4] + a.x[i] * ssig[5];
  }
}

// The material matrix that the stiffness integrates at a Gauss point: De when
// tangent < 1 or when F < 0 (strictly), Dep otherwise (F >= 0, or F not a number).
inline const double* stiffness_matrix_of(const TH10G15::GAUSSPOINT& g, int tangent) {
  if (tangent < 1) return g.De;
  if (g.F < 0.0) return g.De;
  return g.Dep;
}

// The 30 x 30 stiffness of one element (row-major, local dof 3k + d), summed
// over its 15 Gauss points with the volume w * Jac of each. With next not
// null, the fields of that element are prefetched meanwhile.
void element_stiffness(const TH10G15::ELEMENT& el, int tangent, double* ke, const TH10G15::ELEMENT* next);

// Number of entries of the dense global matrix of nNodes nodes: (3 nNodes)^2,
// in 64 bits (a side above 46,340 overflows 32 bits).
inline std::int64_t global_entries(int nNodes) {
  const std::int64_t n = 3 * static_cast<std::int64_t>(nNodes);
  return n * n;
}

}  // namespace detail
}  // namespace FiniteElementMethod

#endif
