// Quadratic shape functions and the Gauss-point layout of the 10-node
// tetrahedron (internal to the library).
#ifndef TH10FEM_TH10G15_SHAPE_FUNCTIONS_H
#define TH10FEM_TH10G15_SHAPE_FUNCTIONS_H

#include <cstddef>

#include "TH10G15.h"

namespace FiniteElementMethod {
namespace detail {

// Values N (10) and L-derivatives dNdL (3 x 10: row r = d/dL(r+1), column k =
// local node k) of the shape functions at (L1, L2, L3), L4 = 1 - L1 - L2 - L3.
void shape_functions(double L1, double L2, double L3, double* N, double* dNdL);

// The part of the 15 Gauss points that depends on the rule alone: the
// leading fields L, w, N and dNdL of each record, in record order.
struct RuleTable {
  struct Point {
    double L[3];
    double w;
    double N[10];
    double dNdL[30];
  } point[15];
};

// Natural coordinates, weights, shape functions and derivatives of the rule.
void make_rule(RuleTable& rule);

// Copies point g of the rule into a Gauss point and clears its state fields;
// B is cleared only when clear_B is set.
void lay_out_gauss_point(TH10G15::GAUSSPOINT& p, const RuleTable& rule, int g, bool clear_B);

static_assert(sizeof(RuleTable::Point) == offsetof(TH10G15::GAUSSPOINT, E),
              "the rule fields lead every Gauss point");

}  // namespace detail
}  // namespace FiniteElementMethod

#endif
