// The walk of a stress-integration scheme over the elements: every call adds
// the strain of a displacement change to dstrain and has the scheme recompute
// dstress at every Gauss point, optionally assembling the plastic forces.
//
// A scheme is a callable
//   bool scheme(TH10G15::GAUSSPOINT& g, double* d_sigp)
// that recomputes dstress of a point whose dstrain is already updated and
// returns true when the point went plastic; then, with d_sigp not null, it
// writes the plastic part of the stress increment (6) into d_sigp. It also
// says what it reads of a point, for the prefetch:
//   Scheme::kPrefetchAhead  how many points ahead of the current one;
//   Scheme::kReads          the fields read at every point;
//   Scheme::kPlasticReads   the fields read besides where a point goes plastic.
#ifndef TH10FEM_TH10G15_INTEGRATION_STRESS_DRIVER_H
#define TH10FEM_TH10G15_INTEGRATION_STRESS_DRIVER_H

#include <cstdint>

#include "LA.h"
#include "TH10G15.h"
#include "element_kernels.h"
#include "point_walker.h"

namespace FiniteElementMethod {
namespace detail {

// The walk of integrate_increment, with the plastic forces assembled into
// Fint_p_glob or not (a constant, so that a walk without them carries no
// trace of them).
template <bool kPlasticForces, class Scheme>
void integrate_elements(TH10G15::ELEMENT* elem, int nE, const double* dU, Scheme& scheme,
                        double* Fint_p_glob) {
  using LinearAlgebra::LA;
  // Whether the last point went plastic: neighbouring points mostly take the
  // same path, so the prefetch follows it (and a point that yields now).
  bool last_plastic = false;
  const auto ask = [&last_plastic](const TH10G15::GAUSSPOINT& q, const TH10G15::GAUSSPOINT& p) {
    prefetch_fields(q, Scheme::kReads);
    if (last_plastic || !(p.F < 0.0)) prefetch_fields(q, Scheme::kPlasticReads);
  };
  for (int e = 0; e < nE; ++e) {
    TH10G15::ELEMENT& el = elem[e];
    double du[30];
    for (int i = 0; i < 30; ++i) du[i] = dU[el.DoF[i]];
    double Fint_p[30] = {};
    walk_points(elem, nE, e, Scheme::kPrefetchAhead, ask, [&](int g) {
      TH10G15::GAUSSPOINT& p = el.GP[g];
      Gradients a;
      read_gradients(p.B, a);
      double d_eps[6];
      strain_of(a, du, d_eps);
      LA::AddVV(p.dstrain, d_eps, 6, p.dstrain);
      double d_sigp[6];
      const bool plastic = scheme(p, kPlasticForces ? d_sigp : nullptr);
      if (kPlasticForces && plastic) add_BT_sigma(a, p.w * p.Jac, d_sigp, Fint_p);
      last_plastic = plastic;
    });
    if (kPlasticForces)
      for (int i = 0; i < 30; ++i) Fint_p_glob[el.DoF[i]] += Fint_p[i];
  }
}

// Adds B * du to dstrain and recomputes dstress with the scheme at every
// Gauss point. With Fint_p_glob not null, also clears its 3 nNodes entries
// and assembles into it the forces of the plastic stress parts.
template <class Scheme>
void integrate_increment(TH10G15::ELEMENT* elem, int nE, const double* dU, int nNodes, Scheme& scheme,
                         double* Fint_p_glob) {
  if (Fint_p_glob == nullptr) return integrate_elements<false>(elem, nE, dU, scheme, nullptr);
  LinearAlgebra::LA::ZeroV(Fint_p_glob, 3 * static_cast<std::int64_t>(nNodes));
  integrate_elements<true>(elem, nE, dU, scheme, Fint_p_glob);
}

}  // namespace detail
}  // namespace FiniteElementMethod

#endif
