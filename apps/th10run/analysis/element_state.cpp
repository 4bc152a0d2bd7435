// th10run: stress integration, internal forces and commit over the active
// groups, each with its material's arguments.
#include "element_state.h"

#include <algorithm>
#include <cmath>

#include "element_geometry.h"
#include "materials.h"
#include "timing.h"

namespace th10run {
namespace {

// A cohesion out of reach of any stress: the strength of an elastic phase.
constexpr double kNoStrength = 1e300;

}  // namespace

bool elastic_increment(const TH10G15::GAUSSPOINT& g) {
  double elastic[6], diff = 0.0, size = 0.0;
  for (int i = 0; i < 6; ++i) {
    elastic[i] = 0.0;
    for (int j = 0; j < 6; ++j) elastic[i] += g.De[6 * i + j] * g.dstrain[j];
    diff += std::fabs(g.dstress[i] - elastic[i]);
    size += std::fabs(elastic[i]);
  }
  return !(diff > 1e-10 * size);
}

ElementState::ElementState(Model& m, std::vector<MaterialInput> materials, std::vector<int> group_material,
                           Integration integration)
    : m_(m),
      materials_(std::move(materials)),
      group_material_(std::move(group_material)),
      active_(m.groups.size(), 1),
      integration_(integration),
      yielded_(m.elems.size() * tet10::kGaussPoints, 0) {
  if (integration == Integration::PlasticForces) Fp_.assign(m.nDofs(), 0.0);
}

std::vector<std::pair<int, int>> ElementState::active_ranges() const {
  std::vector<std::pair<int, int>> out;
  for (size_t g = 0; g < active_.size(); ++g)
    if (active_[g]) out.emplace_back(m_.groups[g].first, m_.groups[g].count);
  return out;
}

ElementState::Args ElementState::args_of(size_t g) const {
  const MaterialInput& mat = materials_[group_material_[g]];
  return Args{mat.phi, mat.associated ? 1 : 0, mat.psi, elastic_ ? HUGE_VAL : mat.tensile_strength};
}

template <class Call>
void ElementState::each_active(Call call) {
  for (size_t g = 0; g < active_.size(); ++g)
    if (active_[g] && m_.groups[g].count > 0) call(g, &m_.elems[m_.groups[g].first], m_.groups[g].count);
}

void ElementState::evaluate(size_t g) {
  const Args a = args_of(g);
  TH10G15::update_Phi_F_D(&m_.elems[m_.groups[g].first], m_.groups[g].count, a.phi, a.assoc, a.psi);
}

void ElementState::set_active(size_t g, bool on) {
  if (on && !active_[g]) {
    for (int e = m_.groups[g].first; e < m_.groups[g].first + m_.groups[g].count; ++e)
      for (TH10G15::GAUSSPOINT& p : m_.elems[e].GP)
        for (int i = 0; i < 6; ++i)
          p.stress0[i] = p.stress[i] = p.dstress[i] = p.strain[i] = p.dstrain[i] = 0.0;
    active_[g] = 1;
    store_constants(m_, m_.groups[g], materials_[group_material_[g]]);
    evaluate(g);
  }
  active_[g] = on ? 1 : 0;
}

void ElementState::set_material(size_t g, int material) {
  group_material_[g] = material;
  store_constants(m_, m_.groups[g], materials_[material]);
  evaluate(g);
}

void ElementState::store_materials() {
  for (size_t g = 0; g < m_.groups.size(); ++g) {
    store_constants(m_, m_.groups[g], materials_[group_material_[g]]);
    if (elastic_)
      for (int e = m_.groups[g].first; e < m_.groups[g].first + m_.groups[g].count; ++e)
        for (TH10G15::GAUSSPOINT& p : m_.elems[e].GP) p.c = kNoStrength;
    evaluate(g);
  }
}

void ElementState::set_elastic(bool elastic) {
  if (elastic == elastic_) return;
  elastic_ = elastic;
  store_materials();
}

void ElementState::integrate(const std::vector<double>& du) {
  const auto t0 = Clock::now();
  double* dU = const_cast<double*>(du.data());  // the library does not write it
  const int nNodes = m_.nNodes();
  if (integration_ == Integration::PlasticForces) std::fill(Fp_.begin(), Fp_.end(), 0.0);
  each_active([&](size_t g, TH10G15::ELEMENT* elems, int nE) {
    const Args a = args_of(g);
    switch (integration_) {
      case Integration::Return:
        TH10G15::dU_Eps_Sig_Return(elems, nE, dU, nNodes, a.phi, a.assoc, a.psi, a.sigma_t);
        break;
      case Integration::Basic:
        TH10G15::dU_Eps_Sig_RK4(elems, nE, dU, nNodes);
        break;
      case Integration::Mobilised:
        // Mode 2 re-mobilises the friction angle at the stage stresses.
        TH10G15::dU_Eps_Sig_RK4(elems, nE, dU, nNodes, 2, a.phi, a.assoc, a.psi);
        break;
      case Integration::PlasticForces:
        // The library clears the vector it assembles into: one block at a time.
        scratch_.resize(Fp_.size());
        TH10G15::dU_Eps_Sig_RK4(elems, nE, dU, nNodes, scratch_.data());
        for (size_t i = 0; i < Fp_.size(); ++i) Fp_[i] += scratch_[i];
        break;
    }
  });
  t_.stresses += since(t0);
}

void ElementState::internal_forces(std::vector<double>& F) {
  const auto t0 = Clock::now();
  const auto ranges = active_ranges();
  if (ranges.size() == 1) {
    TH10G15::make_Fint(&m_.elems[ranges[0].first], ranges[0].second, m_.nNodes(), F.data());
  } else {
    // The library clears the vector it assembles into: one block at a time.
    std::fill(F.begin(), F.end(), 0.0);
    scratch_.resize(F.size());
    for (const auto& [first, count] : ranges) {
      TH10G15::make_Fint(&m_.elems[first], count, m_.nNodes(), scratch_.data());
      for (size_t i = 0; i < F.size(); ++i) F[i] += scratch_[i];
    }
  }
  t_.forces += since(t0);
}

void ElementState::commit() {
  const auto t0 = Clock::now();
  each_active([&](size_t g, TH10G15::ELEMENT* elems, int nE) {
    const int first = static_cast<int>(elems - m_.elems.data());
    for (int e = first; e < first + nE; ++e)
      for (int k = 0; k < tet10::kGaussPoints; ++k)
        yielded_[static_cast<size_t>(e) * tet10::kGaussPoints + k] = !elastic_increment(m_.elems[e].GP[k]);
    TH10G15::update_Strain_Stress(elems, nE);
    evaluate(g);
  });
  t_.state += since(t0);
}

void ElementState::restore() {
  const auto t0 = Clock::now();
  each_active([&](size_t g, TH10G15::ELEMENT* elems, int nE) {
    for (int e = 0; e < nE; ++e)
      for (TH10G15::GAUSSPOINT& p : elems[e].GP)
        for (int k = 0; k < 6; ++k) p.dstrain[k] = p.dstress[k] = 0.0;
    evaluate(g);
  });
  t_.state += since(t0);
}

}  // namespace th10run
