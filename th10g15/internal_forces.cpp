// Internal forces: the integral of B^T (stress - stress0 + dstress) over every
// element, assembled into one global vector.
#include <cstddef>
#include <cstdint>

#include "LA.h"
#include "TH10G15.h"
#include "element_kernels.h"

namespace FiniteElementMethod {
namespace {

using GP = TH10G15::GAUSSPOINT;

// Points ahead of the one being integrated whose fields are asked for.
const int kPrefetchAhead = 8;

// The fields that the internal forces read: w, Jac, rows 3 and 4 of B, and
// stress0, stress, dstress.
constexpr detail::PointFields<4> kReads = {{detail::doubles_at(offsetof(GP, w), 1),
                                            detail::doubles_at(offsetof(GP, Jac), 1), detail::kGradientRows,
                                            detail::doubles_at(offsetof(GP, stress0), 18)}};

}  // namespace

void TH10G15::make_Fint(ELEMENT* elem, int nE, int nNodes, double* Fint_glob) {
  using LinearAlgebra::LA;
  LA::ZeroV(Fint_glob, 3 * static_cast<std::int64_t>(nNodes));
  for (int e = 0; e < nE; ++e) {
    const ELEMENT& el = elem[e];
    double Fint[30] = {};
    detail::walk_points(elem, nE, e, kPrefetchAhead, kReads, [&](int g) {
      const GAUSSPOINT& p = el.GP[g];
      double sigma[6];
      LA::SubstractVV(p.stress, p.stress0, 6, sigma);
      LA::AddVV(sigma, p.dstress, 6, sigma);
      detail::Gradients a;
      detail::read_gradients(p.B, a);
      detail::add_BT_sigma(a, p.w * p.Jac, sigma, Fint);
    });
    for (int i = 0; i < 30; ++i) Fint_glob[el.DoF[i]] += Fint[i];
  }
}

}  // namespace FiniteElementMethod
