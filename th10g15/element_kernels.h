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

#include <cstdint>
#include <cstring>

#include "TH10G15.h"
#include "vector_kernel.h"

namespace FiniteElementMethod {
namespace detail {

// Global shape-function derivatives of the 10 local nodes at one Gauss point.
struct Gradients {
  double x[10];
  double y[10];
  double z[10];
};

// Offsets in B of the derivatives of node i: dx and dy in row 3, dz in row 4.
inline int dx_at(int i) {
  return 90 + 3 * i + 1;
}
inline int dy_at(int i) {
  return 90 + 3 * i;
}
inline int dz_at(int i) {
  return 120 + 3 * i + 1;
}

// Reads the derivatives from a 6 x 30 matrix B of the pattern above.
inline void read_gradients(const double* B, Gradients& a) {
  for (int i = 0; i < 10; ++i) {
    a.x[i] = B[dx_at(i)];
    a.y[i] = B[dy_at(i)];
    a.z[i] = B[dz_at(i)];
  }
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

// Asks the processor to load the cache line holding the byte at c.
// An asm statement, not __builtin_prefetch: GCC takes a function whose only
// effect is __builtin_prefetch for one without side effects and deletes the
// calls to it, which silently removed the prefetching of whole routines.
inline void prefetch_line(const char* c) {
#if defined(__GNUC__) && defined(__x86_64__)
  asm volatile("prefetcht0 %0" : : "m"(*c));
#elif defined(__GNUC__)
  __builtin_prefetch(c);
#else
  (void)c;
#endif
}

// Asks the processor to load the cache lines of `bytes` bytes at p ahead of
// use. The Gauss-point records are large (3,176 bytes) and the element
// routines read only a few scattered fields of each, a pattern that the
// hardware prefetchers do not follow.
inline void prefetch(const void* p, int bytes) {
  const char* c = static_cast<const char*>(p);
  for (int off = 0; off < bytes; off += 64) prefetch_line(c + off);
  prefetch_line(c + bytes - 1);
}

// Stores n doubles at dst without first loading their cache lines: on
// x86-64 non-temporal stores, which stream past the caches and become visible
// to other threads after stream_fence; elsewhere a plain copy. For fields
// that a routine writes whole and that nothing reads before the sweep over a
// large mesh has evicted them anyway: the loads of the lines would double
// their traffic.
inline void stream_store(double* dst, const double* src, int n) {
#if defined(__GNUC__) && defined(__x86_64__)
  for (int i = 0; i < n; ++i) {
    long long bits;
    std::memcpy(&bits, src + i, sizeof bits);
    asm volatile("movnti %1, %0" : "=m"(dst[i]) : "r"(bits));
  }
#else
  for (int i = 0; i < n; ++i) dst[i] = src[i];
#endif
}

// Orders the stream_store stores before any later store of the thread.
inline void stream_fence() {
#if defined(__GNUC__) && defined(__x86_64__)
  asm volatile("sfence" ::: "memory");
#endif
}

// The Gauss point `ahead` (1 .. 15) points after point g of element e, or
// null past the end of the array.
inline const TH10G15::GAUSSPOINT* point_ahead(const TH10G15::ELEMENT* elem, int nE, int e, int g, int ahead) {
  const int h = g + (ahead < 15 ? ahead : 15);
  if (h < 15) return &elem[e].GP[h];
  if (e + 1 < nE) return &elem[e + 1].GP[h - 15];
  return nullptr;
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

// What the eight-argument stress integration adds at its stage stresses.
struct StageUpdate {
  bool active = false;   // mode == 2: re-mobilise Phi, Psi and F
  double Phi_min = 0.0;  // lower bound of the mobilised friction angle, degrees
  int assoc = 0;         // 1: Psi = Phi; otherwise Psi = the Psi below
  double Psi = 0.0;      // dilatancy angle, degrees
};

// The material routines that the stress integration calls; the library passes
// the Mohr-Coulomb routines of FEM, tests may pass models of their own.
struct MaterialModel {
  double (*F)(double* stress, int n, double Phi, double c);
  double (*F_Phi)(double* stress, int n, double c, double Phi_min, double Phi_max);
  void (*Dep)(double* sig, int n, double Phi, double Psi, double c, double* De, double* Dp, double* Dep);
  // Optional: the products Dep v and Dp v (Dp_v may be null) at a stress,
  // without forming the matrices, the angles given by their sines
  // (detail::sin_of_degrees of Phi and Psi). When null
  // the integration forms the matrices with Dep and multiplies.
  void (*Dep_times)(double sin_phi, double sin_psi, const double* De, const double* sig, const double* v,
                    double* Dep_v, double* Dp_v);
};

// The Mohr-Coulomb model of FEM.
MaterialModel mohr_coulomb();

// The stress integration shared by the three dU_Eps_Sig_RK4 overloads: adds
// B * du to dstrain and recomputes dstress at every Gauss point. With
// Fint_p_glob not null, also clears its 3 nNodes entries and assembles into
// it the plastic-force vector.
void integrate_increment(TH10G15::ELEMENT* elem, int nE, const double* dU, int nNodes,
                         const StageUpdate& stage, const MaterialModel& model, double* Fint_p_glob);

}  // namespace detail
}  // namespace FiniteElementMethod

#endif
