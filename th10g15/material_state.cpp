// Material state of the Gauss points: re-evaluation at the committed stress
// and the commit of the open increment.
#include <cstddef>

#include "LA.h"
#include "TH10G15.h"
#include "material_internal.h"
#include "point_walker.h"

namespace FiniteElementMethod {
namespace {

using LinearAlgebra::LA;

using GP = TH10G15::GAUSSPOINT;

// Points ahead of the one being evaluated whose fields are asked for.
const int kPrefetchAhead = 2;

// The fields that the re-evaluation reads (E, nu, c, stress) and writes
// (Phi, Psi, F, De, Dp, Dep).
constexpr detail::PointFields<4> kReads = {
    {detail::doubles_at(offsetof(GP, E), 6), detail::doubles_at(offsetof(GP, Dep), 108),
     detail::doubles_at(offsetof(GP, stress), 6), detail::doubles_at(offsetof(GP, F), 1)}};

// Phi, Psi, F, De, Dp and Dep of one Gauss point at its committed stress.
// Phi is the friction angle (degrees) that the stress mobilises with the
// point's cohesion, bounded to Phi_min .. 45 while Phi_min < 45.
// The invariants of the stress are formed once for both the angle and F
// (the same values that MC_SG_F_Phi and MC_SG_F form each for itself).
void evaluate_point(TH10G15::GAUSSPOINT& g, double Phi_min, int assoc, double Psi) {
  double sigma_m, ds_bar, theta_Lode;
  detail::SigInv(6, g.stress, &sigma_m, &ds_bar, &theta_Lode);
  g.Phi = detail::MC_F_Phi(g.c, Phi_min, 45.0, sigma_m, ds_bar, theta_Lode);
  g.Psi = (assoc == 1) ? g.Phi : Psi;
  g.F = detail::MC_F(g.Phi, g.c, sigma_m, ds_bar, theta_Lode);
  FEM::SG_De(6, g.E, g.nu, g.De);
  FEM::MC_SG_Dep(g.stress, 6, g.Phi, g.Psi, g.c, g.De, g.Dp, g.Dep);
}

// strain += dstrain, stress += dstress, then both increments cleared.
void commit_point(TH10G15::GAUSSPOINT& g) {
  LA::AddVV(g.strain, g.dstrain, 6, g.strain);
  LA::AddVV(g.stress, g.dstress, 6, g.stress);
  LA::ZeroV(g.dstrain, 6);
  LA::ZeroV(g.dstress, 6);
}

}  // namespace

void TH10G15::update_Phi_F_D(ELEMENT* elem, int nE, double Phi_min, int assoc, double Psi) {
  for (int e = 0; e < nE; ++e)
    detail::walk_points(elem, nE, e, kPrefetchAhead, kReads,
                        [&](int g) { evaluate_point(elem[e].GP[g], Phi_min, assoc, Psi); });
}

void TH10G15::update_Strain_Stress(ELEMENT* elem, int nE) {
  for (int e = 0; e < nE; ++e)
    for (int g = 0; g < 15; ++g) commit_point(elem[e].GP[g]);
}

}  // namespace FiniteElementMethod
