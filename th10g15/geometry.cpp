// Jacobian determinant and strain-displacement matrix B at every Gauss point.
#include "LA.h"
#include "TH10G15.h"
#include "point_walker.h"
#include "shape_functions.h"

namespace FiniteElementMethod {
namespace {

using LinearAlgebra::LA;

// Points ahead of the one being built whose record is asked for: the same
// point of the next element.
const int kPrefetchAhead = 15;

// Writes the 6 x 30 matrix B (rows eps_x, eps_y, eps_z, gam_xy, gam_yz,
// gam_zx; column 3i + d is direction d of local node i) from the global
// shape-function derivatives dNdG (3 x 10, rows d/dx, d/dy, d/dz). Every entry
// is written, zeros included.
void fill_B(const double* dNdG, double* B) {
  const double* dx = dNdG;
  const double* dy = dNdG + 10;
  const double* dz = dNdG + 20;
  double* r0 = B;
  double* r1 = B + 30;
  double* r2 = B + 60;
  double* r3 = B + 90;
  double* r4 = B + 120;
  double* r5 = B + 150;
  for (int i = 0; i < 10; ++i) {
    const int c = 3 * i;
    r0[c] = dx[i];
    r0[c + 1] = 0.0;
    r0[c + 2] = 0.0;
    r1[c] = 0.0;
    r1[c + 1] = dy[i];
    r1[c + 2] = 0.0;
    r2[c] = 0.0;
    r2[c + 1] = 0.0;
    r2[c + 2] = dz[i];
    r3[c] = dy[i];
    r3[c + 1] = dx[i];
    r3[c + 2] = 0.0;
    r4[c] = 0.0;
    r4[c + 1] = dz[i];
    r4[c + 2] = dy[i];
    r5[c] = dz[i];
    r5[c + 1] = 0.0;
    r5[c + 2] = dx[i];
  }
}

}  // namespace

void TH10G15::make_GP_J_B(ELEMENT* elem, int nE) {
  detail::RuleTable rule;  // the same for every element
  detail::make_rule(rule);
  for (int e = 0; e < nE; ++e) {
    ELEMENT& el = elem[e];
    // First the rule fields and the cleared state, written front to back; B
    // is left uncleared, since fill_B writes all of its 180 entries.
    for (int g = 0; g < 15; ++g) detail::lay_out_gauss_point(el.GP[g], rule, g, false);
    // Then Jac and B, with the derivatives read from the rule, not the records.
    // Meanwhile the same point of the next element, 15 points on, is brought
    // into the cache: almost every byte of it is written next, and a store
    // that misses the cache holds up the stores behind it until its line arrives.
    detail::walk_points(elem, nE, e, kPrefetchAhead, detail::kWholePoint, [&](int g) {
      GAUSSPOINT& p = el.GP[g];
      const double* dNdL = rule.point[g].dNdL;
      double Jacobi[9], invJacobi[9], dNdG[30];
      LA::MultiplyMM<3, 10, 3>(dNdL, el.Coords, Jacobi);
      p.Jac = LA::DeterminantMsq(Jacobi, 3);
      LA::InverseMsq(Jacobi, invJacobi, 3);
      LA::MultiplyMM<3, 3, 10>(invJacobi, dNdL, dNdG);
      fill_B(dNdG, p.B);
    });
  }
}

}  // namespace FiniteElementMethod
