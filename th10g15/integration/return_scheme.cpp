// Exact stress return over the open increment: every call adds the strain of
// a displacement change to dstrain, as the staged integration does, and
// returns the trial stress + De dstrain onto the Mohr-Coulomb surface with a
// tension cut-off (implicit, in closed form; fem/mohr_coulomb_return), with
// the consistent tangent in Dep.
#include <cstddef>
#include <cstdint>

#include "TH10G15.h"
#include "mohr_coulomb_return.h"
#include "point_walker.h"
#include "stress_driver.h"

namespace FiniteElementMethod {
namespace detail {
namespace {

// Meshes whose element records take more than this stream Dep and Dp past
// the caches: the sweep evicts them before make_K reads Dep, so loading
// their lines before writing them would only double their traffic. Half of
// a common last-level cache; smaller meshes keep them cached.
const std::int64_t kStreamAboveBytes = 16 << 20;

using Point = TH10G15::GAUSSPOINT;

// The return at one Gauss point; kStreamed: Dep and Dp are formed on the
// stack and stored past the caches.
template <bool kStreamed>
struct ReturnScheme {
  static constexpr int kPrefetchAhead = 4;
  // c, rows 3 and 4 of B, De, stress, dstress, dstrain and F; and Dep and Dp
  // (written whole) unless they are streamed.
  static constexpr PointFields<6> kReads = {
      {doubles_at(offsetof(Point, c), 1), kGradientRows,
       doubles_at(kStreamed ? offsetof(Point, De) : offsetof(Point, Dep), kStreamed ? 36 : 108),
       doubles_at(offsetof(Point, stress), 12), doubles_at(offsetof(Point, dstrain), 6),
       doubles_at(offsetof(Point, F), 1)}};
  static constexpr PointFields<0> kPlasticReads = {};

  FlowAngles angles;
  double sigma_t;

  // Returns true where the point returned onto the surface.
  bool operator()(Point& p, double* /*d_sigp*/) const {
    if (!kStreamed) {
      p.F = MC_Return(angles, p.c, sigma_t, p.De, p.stress, p.dstrain, p.dstress, p.Dep, p.Dp);
      return !(p.F < 0.0);
    }
    double Dep[36], Dp[36];
    p.F = MC_Return(angles, p.c, sigma_t, p.De, p.stress, p.dstrain, p.dstress, Dep, Dp);
    stream_store(p.Dep, Dep, 36);
    stream_store(p.Dp, Dp, 36);
    return !(p.F < 0.0);
  }
};

}  // namespace
}  // namespace detail

void TH10G15::dU_Eps_Sig_Return(ELEMENT* elem, int nE, double* dU, int nNodes, double Phi, int assoc,
                                double Psi, double sigma_t) {
  const detail::FlowAngles angles = detail::flow_angles(Phi, assoc == 1 ? Phi : Psi);
  if (static_cast<std::int64_t>(nE) * static_cast<std::int64_t>(sizeof(ELEMENT)) >
      detail::kStreamAboveBytes) {
    detail::ReturnScheme<true> scheme{angles, sigma_t};
    detail::integrate_increment(elem, nE, dU, nNodes, scheme, nullptr);
    detail::stream_fence();
  } else {
    detail::ReturnScheme<false> scheme{angles, sigma_t};
    detail::integrate_increment(elem, nE, dU, nNodes, scheme, nullptr);
  }
}

}  // namespace FiniteElementMethod
