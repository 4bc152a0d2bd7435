// Element stiffness by the 15-point rule and its assembly into the dense
// global matrix.
//
// With a(k, i) the derivative d/dx_k of node i's shape function at a Gauss
// point and s = w * Jac, entry (3i + p, 3j + q) of s B^T D B is
//   sum over k of a(k, i) * DB(row(p, k), (q, j)),
//   DB(r, (q, j)) = s * sum over l of D(r, row(q, l)) * a(l, j),
// where row(p, k) is the strain component that pairs displacement direction
// p with derivative k (the three non-zeros of column 3i + p of B). Summed over
// the 15 points this is one dense product of the 10 x 45 matrix of the a(k, i)
// with a 45 x 90 matrix of DB rows, done in register tiles of 12 nodes i
// (two of them zero padding) by up to 4 columns (q, j). When all 15 material
// matrices are symmetric (De, or Dep with Psi = Phi) only the tiles with
// i <= j are formed and the element matrix is mirrored.
#include <cstddef>
#include <cstdint>

#include "LA.h"
#include "TH10G15.h"
#include "element_kernels.h"
#include "vector_kernel.h"

namespace FiniteElementMethod {
namespace detail {
namespace {

using LinearAlgebra::LA;

// row(p, k): the strain component (0..5 = x, y, z, xy, yz, zx) of
// displacement direction p and derivative k.
const int kStrainRow[3][3] = {{0, 3, 5}, {3, 1, 4}, {5, 4, 2}};

// Work arrays of one element, padded to whole vectors of 4 doubles.
struct StiffnessWork {
  alignas(32) double a[15][3][12];      // a(k, i) at each point; i = 10, 11 are zero
  alignas(32) double DB[15][6][3][12];  // DB(r, (q, j)) at each point; j = 10, 11 are zero
  alignas(32) double k[3][3][12][12];   // element matrix as k[p][q][j][i]
};

// True when the 6 x 6 matrix D equals its transpose exactly.
bool is_symmetric6(const double* D) {
  for (int r = 0; r < 6; ++r)
    for (int c = r + 1; c < 6; ++c)
      if (D[LA::index(r, c, 6)] != D[LA::index(c, r, 6)]) return false;
  return true;
}

// a(k, i) and DB of Gauss point g with material matrix D.
inline void prepare_point(const TH10G15::GAUSSPOINT& p, const double* D, int g, StiffnessWork& w) {
  alignas(32) double ax[12], ay[12], az[12];
  read_gradients(p.B, ax, ay, az);
  ax[10] = ax[11] = ay[10] = ay[11] = az[10] = az[11] = 0.0;
  for (int i = 0; i < 12; ++i) {
    w.a[g][0][i] = ax[i];
    w.a[g][1][i] = ay[i];
    w.a[g][2][i] = az[i];
  }
  const double s = p.w * p.Jac;
  for (int r = 0; r < 6; ++r)
    for (int q = 0; q < 3; ++q) {
      const double c0 = s * D[6 * r + kStrainRow[q][0]];
      const double c1 = s * D[6 * r + kStrainRow[q][1]];
      const double c2 = s * D[6 * r + kStrainRow[q][2]];
      alignas(32) double row[12];
      for (int j = 0; j < 12; ++j) row[j] = c0 * ax[j] + c1 * ay[j] + c2 * az[j];
      for (int j = 0; j < 12; ++j) w.DB[g][r][q][j] = row[j];
    }
}

// k[p][q][j][i] for NC columns j = j0 .. j0 + NC - 1 and i = 0 .. 4 NI - 1,
// summed over the 15 points and the 3 derivatives.
template <int NI, int NC>
inline void tile(StiffnessWork& w, int p, int q, int j0) {
  const int r0 = kStrainRow[p][0], r1 = kStrainRow[p][1], r2 = kStrainRow[p][2];
  double acc[NC][4 * NI] = {};
  for (int g = 0; g < 15; ++g) {
    const double* ax = w.a[g][0];
    const double* ay = w.a[g][1];
    const double* az = w.a[g][2];
    const double* d0 = &w.DB[g][r0][q][j0];
    const double* d1 = &w.DB[g][r1][q][j0];
    const double* d2 = &w.DB[g][r2][q][j0];
    for (int c = 0; c < NC; ++c)
      for (int v = 0; v < 4 * NI; ++v) acc[c][v] += ax[v] * d0[c];
    for (int c = 0; c < NC; ++c)
      for (int v = 0; v < 4 * NI; ++v) acc[c][v] += ay[v] * d1[c];
    for (int c = 0; c < NC; ++c)
      for (int v = 0; v < 4 * NI; ++v) acc[c][v] += az[v] * d2[c];
  }
  for (int c = 0; c < NC; ++c)
    for (int v = 0; v < 4 * NI; ++v) w.k[p][q][j0 + c][v] = acc[c][v];
}

// Writes the 30 x 30 row-major element matrix from k[p][q][j][i]; with
// symmetric, the entries below the diagonal are taken from their mirror
// images.
inline void write_element_matrix(const StiffnessWork& w, bool symmetric, double* ke) {
  for (int i = 0; i < 10; ++i)
    for (int p = 0; p < 3; ++p) {
      double* row = ke + 30 * (3 * i + p);
      for (int j = 0; j < 10; ++j)
        for (int q = 0; q < 3; ++q)
          row[3 * j + q] = (symmetric && 3 * j + q < 3 * i + p) ? w.k[q][p][i][j] : w.k[p][q][j][i];
    }
}

// Points of the same element ahead of the one being prepared whose fields
// are asked for.
const int kPrefetchAhead = 4;

using GP = TH10G15::GAUSSPOINT;

// The fields of a Gauss point that the stiffness reads: w, Jac, F, rows 3
// and 4 of B, and the material matrix at offset D: De (elastic) or Dep (tangent).
constexpr PointFields<5> reads_with(std::size_t D) {
  return {{doubles_at(offsetof(GP, w), 1), doubles_at(offsetof(GP, Jac), 1), doubles_at(offsetof(GP, F), 1),
           kGradientRows, doubles_at(D, 36)}};
}
constexpr PointFields<5> kElasticReads = reads_with(offsetof(GP, De));
constexpr PointFields<5> kTangentReads = reads_with(offsetof(GP, Dep));

// With next not null (the element that comes next in an assembly), its
// fields are prefetched while the products of this element run.
TH10FEM_VECTOR_KERNEL void stiffness_kernel(const TH10G15::ELEMENT& el, int tangent, double* ke,
                                            const TH10G15::ELEMENT* next) {
  const PointFields<5>& reads = tangent < 1 ? kElasticReads : kTangentReads;
  StiffnessWork w;
  bool symmetric = true;
  walk_points(&el, 1, 0, kPrefetchAhead, reads, [&](int g) {
    const double* D = stiffness_matrix_of(el.GP[g], tangent);
    symmetric = symmetric && is_symmetric6(D);
    prepare_point(el.GP[g], D, g, w);
  });
  for (int p = 0; p < 3; ++p)
    for (int q = 0; q < 3; ++q) {
      if (next != nullptr)
        for (int g = 2 * (3 * p + q); g < 2 * (3 * p + q) + 2 && g < 15; ++g)
          prefetch_fields(next->GP[g], reads);
      if (symmetric) {
        tile<1, 4>(w, p, q, 0);
        tile<2, 4>(w, p, q, 4);
      } else {
        tile<3, 4>(w, p, q, 0);
        tile<3, 4>(w, p, q, 4);
      }
      tile<3, 2>(w, p, q, 8);
    }
  write_element_matrix(w, symmetric, ke);
}

}  // namespace

void element_stiffness(const TH10G15::ELEMENT& el, int tangent, double* ke, const TH10G15::ELEMENT* next) {
  stiffness_kernel(el, tangent, ke, next);
}

}  // namespace detail

void TH10G15::make_ke(ELEMENT* elem, double* ke, int tangent) {
  detail::element_stiffness(*elem, tangent, ke, nullptr);
}

namespace {

// Prefetches the 3 x 3 blocks of the dense matrix K (side n) at the rows and
// columns of the ten nodes.
void prefetch_blocks(const double* K, int n, const int* Node_ID) {
  for (int i = 0; i < 10; ++i)
    for (int a = 0; a < 3; ++a) {
      const double* Krow = K + LinearAlgebra::LA::index(3 * static_cast<std::int64_t>(Node_ID[i]) + a, 0, n);
      for (int j = 0; j < 10; ++j)
        detail::prefetch(Krow + 3 * static_cast<std::int64_t>(Node_ID[j]), 3 * sizeof(double));
    }
}

}  // namespace

void TH10G15::make_K(ELEMENT* elem, int nE, int nNodes, double* K, int tangent) {
  using LinearAlgebra::LA;
  LA::ZeroV(K, detail::global_entries(nNodes));
  const int n = 3 * nNodes;
  for (int e = 0; e < nE; ++e) {
    // The 300 node blocks of K that this element adds to are scattered over
    // the matrix; their cache lines are asked for before the element's
    // products, which then hide the wait.
    prefetch_blocks(K, n, elem[e].Node_ID);
    double k[900];
    detail::element_stiffness(elem[e], tangent, k, e + 1 < nE ? &elem[e + 1] : nullptr);
    LA::AggregateMMsq(k, 30, elem[e].Node_ID, 10, K, n);
  }
}

}  // namespace FiniteElementMethod
