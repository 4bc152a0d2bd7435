// Exact stress return over the open increment: every call adds the strain of
// a displacement change to dstrain, as the staged integration does, and
// returns the trial stress + De dstrain onto the Mohr-Coulomb surface with a
// tension cut-off (implicit, in closed form; fem/mohr_coulomb_return), with
// the consistent tangent in Dep.
#include <cstdint>

#include "LA.h"
#include "TH10G15.h"
#include "element_kernels.h"
#include "mohr_coulomb_return.h"

namespace FiniteElementMethod {
namespace {

// Points ahead of the one being returned whose fields are prefetched.
const int kPrefetchAhead = 4;

// Meshes whose element records take more than this stream Dep and Dp past
// the caches: the sweep evicts them before make_K reads Dep, so loading
// their lines before writing them would only double their traffic. Half of
// a common last-level cache; smaller meshes keep them cached.
const std::int64_t kStreamAboveBytes = 16 << 20;

// The fields that the return reads or writes in place: c, rows 3 and 4 of B,
// De, stress, dstress, dstrain and F, and Dep and Dp unless they are streamed.
void prefetch_fields(const TH10G15::GAUSSPOINT* p, bool streamed) {
  if (p == nullptr) return;
  detail::prefetch(&p->c, sizeof(double));
  detail::prefetch(p->B + detail::dy_at(0), 60 * sizeof(double));
  detail::prefetch(streamed ? p->De : p->Dep, (streamed ? 36 : 108) * sizeof(double));
  detail::prefetch(p->stress, 12 * sizeof(double));
  detail::prefetch(p->dstrain, 6 * sizeof(double));
  detail::prefetch(&p->F, sizeof(double));
}

}  // namespace

void TH10G15::dU_Eps_Sig_Return(ELEMENT* elem, int nE, double* dU, int /*nNodes*/, double Phi, int assoc,
                                double Psi, double sigma_t) {
  using LinearAlgebra::LA;
  const detail::FlowAngles angles = detail::flow_angles(Phi, assoc == 1 ? Phi : Psi);
  const bool streamed =
      static_cast<std::int64_t>(nE) * static_cast<std::int64_t>(sizeof(ELEMENT)) > kStreamAboveBytes;
  for (int e = 0; e < nE; ++e) {
    ELEMENT& el = elem[e];
    double du[30];
    for (int i = 0; i < 30; ++i) du[i] = dU[el.DoF[i]];
    for (int g = 0; g < 15; ++g) {
      prefetch_fields(detail::point_ahead(elem, nE, e, g, kPrefetchAhead), streamed);
      GAUSSPOINT& p = el.GP[g];
      detail::Gradients a;
      detail::read_gradients(p.B, a);
      double d_eps[6];
      detail::strain_of(a, du, d_eps);
      LA::AddVV(p.dstrain, d_eps, 6, p.dstrain);
      // Streamed: formed on the stack, then stored past the caches.
      double Dep_local[36], Dp_local[36];
      double* Dep = streamed ? Dep_local : p.Dep;
      double* Dp = streamed ? Dp_local : p.Dp;
      p.F = detail::MC_Return(angles, p.c, sigma_t, p.De, p.stress, p.dstrain, p.dstress, Dep, Dp);
      if (streamed) {
        detail::stream_store(p.Dep, Dep, 36);
        detail::stream_store(p.Dp, Dp, 36);
      }
    }
  }
  if (streamed) detail::stream_fence();
}

}  // namespace FiniteElementMethod
