// The 15-point integration rule of the 10-node tetrahedron: natural
// coordinates, weights, quadratic shape functions and their derivatives with
// respect to L1, L2, L3. The rule is exact for polynomials of degree 5.
#include <cmath>

#include "TH10G15.h"

namespace FiniteElementMethod {
namespace {

// Values and L-derivatives of the 10 shape functions at (L1, L2, L3).
// dNdL is 3 x 10, row r = d/dL(r+1), column k = local node k.
void shape_functions(double L1, double L2, double L3, double* N, double* dNdL) {
  const double L4 = 1.0 - L1 - L2 - L3;
  double* d1 = dNdL;
  double* d2 = dNdL + 10;
  double* d3 = dNdL + 20;

  N[0] = L2 * (2.0 * L2 - 1.0);
  N[1] = L3 * (2.0 * L3 - 1.0);
  N[2] = L4 * (1.0 - 2.0 * L1 - 2.0 * L2 - 2.0 * L3);
  N[3] = L1 * (2.0 * L1 - 1.0);
  N[4] = 4.0 * L2 * L3;
  N[5] = 4.0 * L3 * L4;
  N[6] = 4.0 * L2 * L4;
  N[7] = 4.0 * L1 * L2;
  N[8] = 4.0 * L1 * L3;
  N[9] = 4.0 * L1 * L4;

  const double dN2 = 4.0 * L1 + 4.0 * L2 + 4.0 * L3 - 3.0;
  d1[0] = 0.0;
  d2[0] = 4.0 * L2 - 1.0;
  d3[0] = 0.0;
  d1[1] = 0.0;
  d2[1] = 0.0;
  d3[1] = 4.0 * L3 - 1.0;
  d1[2] = dN2;
  d2[2] = dN2;
  d3[2] = dN2;
  d1[3] = 4.0 * L1 - 1.0;
  d2[3] = 0.0;
  d3[3] = 0.0;
  d1[4] = 0.0;
  d2[4] = 4.0 * L3;
  d3[4] = 4.0 * L2;
  d1[5] = -4.0 * L3;
  d2[5] = -4.0 * L3;
  d3[5] = 4.0 - 4.0 * L1 - 4.0 * L2 - 8.0 * L3;
  d1[6] = -4.0 * L2;
  d2[6] = 4.0 - 4.0 * L1 - 8.0 * L2 - 4.0 * L3;
  d3[6] = -4.0 * L2;
  d1[7] = 4.0 * L2;
  d2[7] = 4.0 * L1;
  d3[7] = 0.0;
  d1[8] = 4.0 * L3;
  d2[8] = 0.0;
  d3[8] = 4.0 * L1;
  d1[9] = 4.0 - 8.0 * L1 - 4.0 * L2 - 4.0 * L3;
  d2[9] = -4.0 * L1;
  d3[9] = -4.0 * L1;
}

// Clears the material, matrix and state fields that a new geometry
// invalidates; stress0, spare2, sig_m, ds_bar, Lode and F keep their values.
void clear_state(TH10G15::GAUSSPOINT& g) {
  g.E = g.nu = g.G = g.Phi = g.Psi = g.c = 0.0;
  g.spare1[0] = g.spare1[1] = 0.0;
  g.Jac = 0.0;
  for (int i = 0; i < 36; ++i) g.Dep[i] = g.Dp[i] = g.De[i] = 0.0;
  for (double& b : g.B) b = 0.0;
  for (int i = 0; i < 6; ++i) g.stress[i] = g.dstress[i] = g.strain[i] = g.dstrain[i] = g.spare3[i] = 0.0;
  for (int i = 0; i < 3; ++i) g.spare4[i] = g.spare5[i] = g.spare7[i] = 0.0;
  g.spare6 = 0.0;
}

}  // namespace

void TH10G15::CreateGaussPoints(GAUSSPOINT* GP) {
  const double s = std::sqrt(15.0);
  const double a1 = (7.0 + s) / 34.0, b1 = (13.0 - 3.0 * s) / 34.0;
  const double a2 = (7.0 - s) / 34.0, b2 = (13.0 + 3.0 * s) / 34.0;
  const double c1 = (5.0 - s) / 20.0, c2 = (5.0 + s) / 20.0;
  const double w0 = 0.019753086419753086;  // 8/405
  const double w1 = (2665.0 - 14.0 * s) / 226800.0;
  const double w2 = (2665.0 + 14.0 * s) / 226800.0;
  const double w3 = 0.008818342151675485;  // 5/567

  const double L[15][3] = {{0.25, 0.25, 0.25},                                            // centroid
                           {a1, a1, a1},       {a1, a1, b1}, {a1, b1, a1}, {b1, a1, a1},  // points 1-4
                           {a2, a2, a2},       {a2, a2, b2}, {a2, b2, a2}, {b2, a2, a2},  // near corners
                           {c1, c1, c2},       {c1, c2, c1}, {c2, c1, c1},                // edge points
                           {c1, c2, c2},       {c2, c1, c2}, {c2, c2, c1}};
  const double w[15] = {w0, w1, w1, w1, w1, w2, w2, w2, w2, w3, w3, w3, w3, w3, w3};

  for (int g = 0; g < 15; ++g) {
    GAUSSPOINT& p = GP[g];
    p.L[0] = L[g][0];
    p.L[1] = L[g][1];
    p.L[2] = L[g][2];
    p.w = w[g];
    shape_functions(L[g][0], L[g][1], L[g][2], p.N, p.dNdL);
    clear_state(p);
  }
}

}  // namespace FiniteElementMethod
