// The explicit scheme of the stress integration: dstress from the committed
// stress and the whole dstrain, elastically or, at a yielding point, in three
// stages along the elasto-plastic matrix.
//
// The stages: D0 = the stored Dep (committed state), D1 = Dep at
// stress + D0 dstrain / 2, D2 = Dep at stress + D1 dstrain / 2. The stage
// increments D0 dstrain / 2, D1 dstrain / 2 and D2 dstrain are combined with
// the weights 2/3, 2/3 and 1/3, i.e. the three stage slopes over the whole
// increment averaged: equal stage matrices give exactly the increment
// D dstrain (to rounding), the same that the tangent stiffness predicts.
#include "explicit_stages.h"

#include <cmath>
#include <cstddef>

#include "LA.h"
#include "TH10G15.h"
#include "material_internal.h"
#include "point_walker.h"
#include "stress_driver.h"

namespace FiniteElementMethod {
namespace detail {
namespace {

using LinearAlgebra::LA;

using GP = TH10G15::GAUSSPOINT;

// Weights of the half-step stage increments d_sig1, d_sig2 and of the
// full-step increment d_sig3.
const double kHalfStageWeight = 2.0 / 3.0;
const double kFullStageWeight = 1.0 / 3.0;

// out = 0, then out += kHalfStageWeight d1, += kHalfStageWeight d2,
// += kFullStageWeight d3, in this order; d1, d2, d3 are scaled in place.
void combine_stages(double* d1, double* d2, double* d3, double* out) {
  LA::MultiplyVS(d1, 6, kHalfStageWeight, d1);
  LA::MultiplyVS(d2, 6, kHalfStageWeight, d2);
  LA::MultiplyVS(d3, 6, kFullStageWeight, d3);
  LA::ZeroV(out, 6);
  LA::AddVV(out, d1, 6, out);
  LA::AddVV(out, d2, 6, out);
  LA::AddVV(out, d3, 6, out);
}

// Re-mobilises Phi, Psi and F of a Gauss point at the stage stress sigma.
void stage_update(TH10G15::GAUSSPOINT& g, double* sigma, const StageUpdate& stage,
                  const MaterialModel& model) {
  g.Phi = model.F_Phi(sigma, 6, g.c, stage.Phi_min, 45.0);
  g.Psi = (stage.assoc == 1) ? g.Phi : stage.Psi;
  g.F = model.F(sigma, 6, g.Phi, g.c);
}

// Sines of the friction and dilatancy angles, for models that take them.
// Neighbouring points mostly hold the same angles, so the last pair is kept
// and a sine is formed again only when its angle changes (a NaN angle never
// compares equal and is always formed again).
struct FlowSines {
  double Phi = std::nan("");
  double Psi = std::nan("");
  double sin_phi = 0.0;
  double sin_psi = 0.0;

  void update(const TH10G15::GAUSSPOINT& g, const MaterialModel& model) {
    if (model.Dep_times == nullptr) return;
    if (!(g.Phi == Phi)) {
      Phi = g.Phi;
      sin_phi = sin_of_degrees(Phi);
    }
    if (!(g.Psi == Psi)) {
      Psi = g.Psi;
      sin_psi = sin_of_degrees(Psi);
    }
  }
};

// Dep v and (with Dp_v not null) Dp v of the model at the stage stress sigma,
// with the angles that the point holds.
void stage_products(TH10G15::GAUSSPOINT& g, double* sigma, const MaterialModel& model, const FlowSines& s,
                    const double* v, double* Dep_v, double* Dp_v) {
  if (model.Dep_times != nullptr) {
    model.Dep_times(s.sin_phi, s.sin_psi, g.De, sigma, v, Dep_v, Dp_v);
    return;
  }
  double Dp[36], Dep[36];
  model.Dep(sigma, 6, g.Phi, g.Psi, g.c, g.De, Dp, Dep);
  LA::MultiplyMV(Dep, 6, v, 6, Dep_v);
  if (Dp_v != nullptr) LA::MultiplyMV(Dp, 6, v, 6, Dp_v);
}

// Three-stage integration of dstress over the whole dstrain from the
// committed stress. With d_sigp not null, the plastic parts of the stage
// increments (the same strains times the matching Dp) are combined into it.
void integrate_stages(TH10G15::GAUSSPOINT& g, const StageUpdate& stage, const MaterialModel& model,
                      FlowSines& s, double* d_sigp) {
  const bool plastic = (d_sigp != nullptr);
  double d2_eps[6], sigma[6], d_sig1[6], d_sig2[6], d_sig3[6];
  double d_sig1p[6], d_sig2p[6], d_sig3p[6];

  LA::MultiplyVS(g.dstrain, 6, 0.5, d2_eps);
  LA::MultiplyMV(g.Dep, 6, d2_eps, 6, d_sig1);
  if (plastic) LA::MultiplyMV(g.Dp, 6, d2_eps, 6, d_sig1p);

  LA::AddVV(g.stress, d_sig1, 6, sigma);
  if (stage.active) stage_update(g, sigma, stage, model);
  s.update(g, model);
  stage_products(g, sigma, model, s, d2_eps, d_sig2, plastic ? d_sig2p : nullptr);

  LA::AddVV(g.stress, d_sig2, 6, sigma);
  if (stage.active) {
    stage_update(g, sigma, stage, model);
    s.update(g, model);
  }
  stage_products(g, sigma, model, s, g.dstrain, d_sig3, plastic ? d_sig3p : nullptr);

  combine_stages(d_sig1, d_sig2, d_sig3, g.dstress);
  if (plastic) combine_stages(d_sig1p, d_sig2p, d_sig3p, d_sigp);
}

// The scheme at one Gauss point, for the stress driver.
class ExplicitStages {
 public:
  static constexpr int kPrefetchAhead = 4;
  // Every point reads Phi, Psi, c, rows 3 and 4 of B, De, stress, dstress,
  // dstrain and F; a yielding point also Dep and Dp.
  static constexpr PointFields<6> kReads = {
      {doubles_at(offsetof(GP, Phi), 3), kGradientRows, doubles_at(offsetof(GP, De), 36),
       doubles_at(offsetof(GP, stress), 12), doubles_at(offsetof(GP, dstrain), 6),
       doubles_at(offsetof(GP, F), 1)}};
  static constexpr PointFields<1> kPlasticReads = {{doubles_at(offsetof(GP, Dep), 72)}};

  ExplicitStages(const StageUpdate& stage, const MaterialModel& model) : stage_(stage), model_(model) {}

  // dstress of one Gauss point whose dstrain is already updated. The path is
  // chosen by the F that the point holds on entry, with exact comparisons:
  //  F < 0:  elastic trial De dstrain; the stages run only if the yield value
  //          f at stress + dstress is > 0;
  //  F >= 0: trial with the stored Dep; f < 0 unloads elastically (De dstrain),
  //          otherwise the stages run.
  // Returns true when the point went through the stages.
  bool operator()(GP& g, double* d_sigp) {
    double sigma[6];
    if (g.F < 0.0) {
      LA::MultiplyMV(g.De, 6, g.dstrain, 6, g.dstress);
      LA::AddVV(g.stress, g.dstress, 6, sigma);
      const double f = model_.F(sigma, 6, g.Phi, g.c);
      if (!(f > 0.0)) return false;
    } else {
      LA::MultiplyMV(g.Dep, 6, g.dstrain, 6, g.dstress);
      LA::AddVV(g.stress, g.dstress, 6, sigma);
      const double f = model_.F(sigma, 6, g.Phi, g.c);
      if (f < 0.0) {
        LA::MultiplyMV(g.De, 6, g.dstrain, 6, g.dstress);
        return false;
      }
    }
    integrate_stages(g, stage_, model_, sines_, d_sigp);
    return true;
  }

 private:
  const StageUpdate& stage_;
  const MaterialModel& model_;
  FlowSines sines_;
};

}  // namespace

MaterialModel mohr_coulomb() {
  return MaterialModel{&FEM::MC_SG_F, &FEM::MC_SG_F_Phi, &FEM::MC_SG_Dep, &MC_Dep_times};
}

void integrate_explicit(TH10G15::ELEMENT* elem, int nE, const double* dU, int nNodes,
                        const StageUpdate& stage, const MaterialModel& model, double* Fint_p_glob) {
  ExplicitStages scheme(stage, model);
  integrate_increment(elem, nE, dU, nNodes, scheme, Fint_p_glob);
}

}  // namespace detail

void TH10G15::dU_Eps_Sig_RK4(ELEMENT* elem, int nE, double* dU, int nNodes) {
  detail::integrate_explicit(elem, nE, dU, nNodes, detail::StageUpdate{}, detail::mohr_coulomb(), nullptr);
}

void TH10G15::dU_Eps_Sig_RK4(ELEMENT* elem, int nE, double* dU, int nNodes, int mode, double Phi_min,
                             int assoc, double Psi) {
  detail::StageUpdate stage;
  stage.active = (mode == 2);
  stage.Phi_min = Phi_min;
  stage.assoc = assoc;
  stage.Psi = Psi;
  detail::integrate_explicit(elem, nE, dU, nNodes, stage, detail::mohr_coulomb(), nullptr);
}

void TH10G15::dU_Eps_Sig_RK4(ELEMENT* elem, int nE, double* dU, int nNodes, double* Fint_p_glob) {
  detail::integrate_explicit(elem, nE, dU, nNodes, detail::StageUpdate{}, detail::mohr_coulomb(),
                             Fint_p_glob);
}

}  // namespace FiniteElementMethod
