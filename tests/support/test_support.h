// Helpers shared by the library tests: meshes in host-owned arrays, element
// states set directly, stress samples, plain dense products, golden files and
// a scratch working directory for the file routines, which write fixed names.
#ifndef TH10FEM_TESTS_TEST_SUPPORT_H
#define TH10FEM_TESTS_TEST_SUPPORT_H

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "FEM.h"
#include "TH10G15.h"
#include "box_mesh.h"
#include "scratch_dir.h"

namespace th10test {

using FiniteElementMethod::FEM;
using FiniteElementMethod::TH10G15;
using GP = TH10G15::GAUSSPOINT;
using Mesh = boxmesh::Records;  // node and element records, owned as a host owns them

// A box of nx x ny x nz cells (6 tetrahedra each) of size lx x ly x lz, geometry built.
inline Mesh box(int nx, int ny, int nz, double lx = 1.0, double ly = 1.0, double lz = 1.0) {
  return boxmesh::box_records(nx, ny, nz, lx, ly, lz);
}

// A straight-sided element of the given corners (local order 0..3), node i at index i.
TH10G15::ELEMENT straight_element(const double corners[4][3]);
TH10G15::ELEMENT irregular_element();  // an irregular one, positive Jacobian

// lambda tr(eps) I + 2 mu eps (engineering shears), apart from the material routines.
void lame_De(double E, double nu, double* D);

// Every Gauss point elastic: De isotropic, Dep = Dp = 0, F = -1, no stress.
void set_elastic_state(TH10G15::ELEMENT* elem, int nE, double E, double nu);

inline void dense_mv(const double* A, int r, int k, const double* x, double* y) {  // y (r) = A (r x k) x
  for (int i = 0; i < r; ++i) {
    y[i] = 0.0;
    for (int j = 0; j < k; ++j) y[i] += A[k * i + j] * x[j];
  }
}

inline double max_abs(const double* a, int n) {
  double m = 0.0;
  for (int i = 0; i < n; ++i) m = std::max(m, std::fabs(a[i]));
  return m;
}

// max |a - b| / max |b| (the absolute difference where b is zero).
inline double rel_diff(const double* a, const double* b, int n) {
  double m = 0.0;
  for (int i = 0; i < n; ++i) m = std::max(m, std::fabs(a[i] - b[i]));
  return m / (max_abs(b, n) > 0.0 ? max_abs(b, n) : 1.0);
}

inline double uniform(std::mt19937& rng, double lo, double hi) {
  return std::uniform_real_distribution<double>(lo, hi)(rng);
}

inline std::vector<double> random_vector(std::mt19937& rng, std::size_t n, double scale) {
  std::vector<double> v(n);
  for (double& x : v) x = uniform(rng, -scale, scale);
  return v;
}

// The stress (x, y, z, xy, yz, zx) with principal values p along random axes.
void rotated_stress(std::mt19937& rng, const double p[3], double* s6);

// A fresh working directory for the lifetime of the object.
std::string read_file(const std::string& name);
std::string golden(const std::string& name);  // a file of tests/golden/
void write_file(const std::string& name, const std::string& text);
std::string captured_stdout(const std::function<void()>& f);  // what f prints
std::string replace_all(std::string s, const std::string& from, const std::string& to);

}  // namespace th10test

#endif
