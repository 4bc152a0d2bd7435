// Element stiffness by the 15-point rule and its assembly into the dense
// global matrix.
//
// The stiffness of a Gauss point is s * B^T * D * B with s = w * Jac. It is
// formed as B^T * (s D B): first DB = s D B (6 x 30), three products per entry
// because every column of B has three non-zeros, then every row of B^T (again
// three non-zeros) combines three rows of DB into a row of the element
// matrix. When all 15 material matrices are symmetric (De, or Dep with
// Psi = Phi) only the blocks on and above the diagonal are summed and the
// upper triangle is mirrored.
#include <cstdint>

#include "LA.h"
#include "TH10G15.h"
#include "element_kernels.h"

namespace FiniteElementMethod {
namespace detail {
namespace {

using LinearAlgebra::LA;

// True when the 6 x 6 matrix D equals its transpose exactly.
bool is_symmetric6(const double* D) {
  for (int r = 0; r < 6; ++r)
    for (int c = r + 1; c < 6; ++c)
      if (D[LA::index(r, c, 6)] != D[LA::index(c, r, 6)]) return false;
  return true;
}

// DB (6 x 30, row-major) = s * D * B.
void scaled_D_times_B(const double* D, double s, const Gradients& a, double* DB) {
  for (int r = 0; r < 6; ++r) {
    const double* Dr = D + 6 * r;
    const double d0 = s * Dr[0], d1 = s * Dr[1], d2 = s * Dr[2];
    const double d3 = s * Dr[3], d4 = s * Dr[4], d5 = s * Dr[5];
    double* row = DB + 30 * r;
    for (int j = 0; j < 10; ++j) {
      row[3 * j] = d0 * a.x[j] + d3 * a.y[j] + d5 * a.z[j];
      row[3 * j + 1] = d1 * a.y[j] + d3 * a.x[j] + d4 * a.z[j];
      row[3 * j + 2] = d2 * a.z[j] + d4 * a.y[j] + d5 * a.x[j];
    }
  }
}

// row[c] += b0 * w0[c] + b1 * w1[c] + b2 * w2[c] for c = first .. 29.
inline void add_row(double* row, int first, double b0, const double* w0, double b1, const double* w1,
                    double b2, const double* w2) {
  for (int c = first; c < 30; ++c) row[c] += b0 * w0[c] + b1 * w1[c] + b2 * w2[c];
}

// k (30 x 30) += B^T * DB. Rows 3i .. 3i + 2 from column 3 * first_block(i)
// on: with upper_only the blocks left of the diagonal are skipped.
void add_BT_DB(const Gradients& a, const double* DB, bool upper_only, double* k) {
  const double* e_x = DB;  // rows of DB: eps_x, eps_y, eps_z, gam_xy, gam_yz, gam_zx
  const double* e_y = DB + 30;
  const double* e_z = DB + 60;
  const double* g_xy = DB + 90;
  const double* g_yz = DB + 120;
  const double* g_zx = DB + 150;
  for (int i = 0; i < 10; ++i) {
    const int first = upper_only ? 3 * i : 0;
    add_row(k + 30 * (3 * i), first, a.x[i], e_x, a.y[i], g_xy, a.z[i], g_zx);
    add_row(k + 30 * (3 * i + 1), first, a.y[i], e_y, a.x[i], g_xy, a.z[i], g_yz);
    add_row(k + 30 * (3 * i + 2), first, a.z[i], e_z, a.y[i], g_yz, a.x[i], g_zx);
  }
}

// Copies the upper triangle into the lower one, so that the result is
// exactly symmetric.
void mirror_upper_triangle(double* k) {
  for (int r = 1; r < 30; ++r)
    for (int c = 0; c < r; ++c) k[LA::index(r, c, 30)] = k[LA::index(c, r, 30)];
}

}  // namespace

void element_stiffness(const TH10G15::ELEMENT& el, int tangent, double* ke) {
  const double* D[15];
  bool symmetric = true;
  for (int g = 0; g < 15; ++g) {
    D[g] = stiffness_matrix_of(el.GP[g], tangent);
    symmetric = symmetric && is_symmetric6(D[g]);
  }
  double k[900] = {};
  for (int g = 0; g < 15; ++g) {
    const TH10G15::GAUSSPOINT& p = el.GP[g];
    Gradients a;
    read_gradients(p.B, a);
    double DB[180];
    scaled_D_times_B(D[g], p.w * p.Jac, a, DB);
    add_BT_DB(a, DB, symmetric, k);
  }
  if (symmetric) mirror_upper_triangle(k);
  for (int i = 0; i < 900; ++i) ke[i] = k[i];
}

}  // namespace detail

void TH10G15::make_ke(ELEMENT* elem, double* ke, int tangent) {
  detail::element_stiffness(*elem, tangent, ke);
}

void TH10G15::make_K(ELEMENT* elem, int nE, int nNodes, double* K, int tangent) {
  using LinearAlgebra::LA;
  LA::ZeroV(K, detail::global_entries(nNodes));
  const int n = 3 * nNodes;
  for (int e = 0; e < nE; ++e) {
    double k[900];
    detail::element_stiffness(elem[e], tangent, k);
    LA::AggregateMMsq(k, 30, elem[e].Node_ID, 10, K, n);
  }
}

}  // namespace FiniteElementMethod
