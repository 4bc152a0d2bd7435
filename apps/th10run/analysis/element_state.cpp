// th10run: stress integration, internal forces and commit over the model.
#include "element_state.h"

#include "timing.h"

namespace th10run {

ElementState::ElementState(Model& m, const MaterialInput& material, Integration integration)
    : m_(m),
      phi_(material.phi),
      assoc_(material.associated ? 1 : 0),
      psi_(material.psi),
      integration_(integration) {
  if (integration == Integration::PlasticForces) Fp_.assign(m.nDofs(), 0.0);
}

void ElementState::integrate(const std::vector<double>& du) {
  const auto t0 = Clock::now();
  double* dU = const_cast<double*>(du.data());  // the library does not write it
  TH10G15::ELEMENT* elems = m_.elems.data();
  switch (integration_) {
    case Integration::Basic:
      TH10G15::dU_Eps_Sig_RK4(elems, m_.nElements(), dU, m_.nNodes());
      break;
    case Integration::Mobilised:
      // Mode 2 re-mobilises the friction angle at the stage stresses.
      TH10G15::dU_Eps_Sig_RK4(elems, m_.nElements(), dU, m_.nNodes(), 2, phi_, assoc_, psi_);
      break;
    case Integration::PlasticForces:
      TH10G15::dU_Eps_Sig_RK4(elems, m_.nElements(), dU, m_.nNodes(), Fp_.data());
      break;
  }
  t_.stresses += since(t0);
}

void ElementState::internal_forces(std::vector<double>& F) {
  const auto t0 = Clock::now();
  TH10G15::make_Fint(m_.elems.data(), m_.nElements(), m_.nNodes(), F.data());
  t_.forces += since(t0);
}

void ElementState::commit() {
  const auto t0 = Clock::now();
  TH10G15::update_Strain_Stress(m_.elems.data(), m_.nElements());
  TH10G15::update_Phi_F_D(m_.elems.data(), m_.nElements(), phi_, assoc_, psi_);
  t_.state += since(t0);
}

void ElementState::restore() {
  const auto t0 = Clock::now();
  for (TH10G15::ELEMENT& el : m_.elems)
    for (TH10G15::GAUSSPOINT& g : el.GP)
      for (int k = 0; k < 6; ++k) g.dstrain[k] = g.dstress[k] = 0.0;
  TH10G15::update_Phi_F_D(m_.elems.data(), m_.nElements(), phi_, assoc_, psi_);
  t_.state += since(t0);
}

}  // namespace th10run
