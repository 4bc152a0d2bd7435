// th10run: stress integration, internal forces and commit over the active
// groups, each with its material's arguments.
#include "element_state.h"

#include <algorithm>
#include <cmath>

#include "element_geometry.h"
#include "materials.h"
#include "threads.h"
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
    if (active_[g] && m_.groups[g].count > 0) each_block(g, call);
}

template <class Call>
void ElementState::each_block(size_t g, Call call) {
  TH10G15::ELEMENT* elems = m_.elems.data() + m_.groups[g].first;
  for_blocks(m_.groups[g].count,
             [&](int first, int count, int thread) { call(g, elems + first, count, thread); });
}

// The library's routines that assemble a global vector clear it first:
// each thread assembles its share of a group into a vector of its own, and
// the threads' vectors are added in thread order, group by group.
template <class Assemble>
void ElementState::sum_blocks(std::vector<double>& F, Assemble assemble) {
  const size_t T = threads();
  parts_.resize(T);
  for (std::vector<double>& part : parts_) part.resize(F.size());
  std::fill(F.begin(), F.end(), 0.0);
  for (size_t g = 0; g < active_.size(); ++g) {
    if (!active_[g] || m_.groups[g].count == 0) continue;
    std::vector<char> used(T, 0);
    each_block(g, [&](size_t, TH10G15::ELEMENT* elems, int nE, int thread) {
      assemble(elems, nE, parts_[thread].data());
      used[thread] = 1;
    });
    add_parts(parts_, used, F);
  }
}

void ElementState::evaluate(size_t g) {
  each_block(g, [&](size_t, TH10G15::ELEMENT* elems, int nE, int) { evaluate(g, elems, nE); });
}

void ElementState::evaluate(size_t g, TH10G15::ELEMENT* elems, int nE) const {
  const Args a = args_of(g);
  TH10G15::update_Phi_F_D(elems, nE, a.phi, a.assoc, a.psi);
}

void ElementState::set_active(size_t g, bool on) {
  if (on && !active_[g]) {
    for (int e = m_.groups[g].first; e < m_.groups[g].first + m_.groups[g].count; ++e)
      for (TH10G15::GAUSSPOINT& p : m_.elems[e].GP)
        for (int i = 0; i < 6; ++i)
          p.stress0[i] = p.stress[i] = p.dstress[i] = p.strain[i] = p.dstrain[i] = 0.0;
    active_[g] = 1;
    store_group(g);
  }
  active_[g] = on ? 1 : 0;
}

void ElementState::set_material(size_t g, int material) {
  group_material_[g] = material;
  store_group(g);
}

void ElementState::store_group(size_t g) {
  store_constants(m_, m_.groups[g], materials_[group_material_[g]]);
  if (elastic_)
    for (int e = m_.groups[g].first; e < m_.groups[g].first + m_.groups[g].count; ++e)
      for (TH10G15::GAUSSPOINT& p : m_.elems[e].GP) p.c = kNoStrength;
  evaluate(g);
}

void ElementState::store_materials() {
  for (size_t g = 0; g < m_.groups.size(); ++g) store_group(g);
}

void ElementState::set_material_constants(int material, const MaterialInput& constants) {
  materials_[material] = constants;
  for (size_t g = 0; g < m_.groups.size(); ++g)
    if (group_material_[g] == material) store_group(g);
}

void ElementState::set_elastic(bool elastic) {
  if (elastic == elastic_) return;
  elastic_ = elastic;
  store_materials();
}

void ElementState::resume(std::vector<char> active, std::vector<int> group_material, bool elastic,
                          std::vector<char> yielded) {
  active_ = std::move(active);
  group_material_ = std::move(group_material);
  elastic_ = elastic;
  yielded_ = std::move(yielded);
  for (size_t g = 0; g < m_.groups.size(); ++g) evaluate(g);
}

void ElementState::integrate(const std::vector<double>& du) {
  const auto t0 = Clock::now();
  double* dU = const_cast<double*>(du.data());  // the library does not write it
  const int nNodes = m_.nNodes();
  if (integration_ == Integration::PlasticForces) {
    sum_blocks(Fp_, [&](TH10G15::ELEMENT* elems, int nE, double* Fp) {
      TH10G15::dU_Eps_Sig_RK4(elems, nE, dU, nNodes, Fp);
    });
    m_.part.ranks->sum(Fp_);
    t_.stresses += since(t0);
    return;
  }
  each_active([&](size_t g, TH10G15::ELEMENT* elems, int nE, int) {
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
        break;
    }
  });
  t_.stresses += since(t0);
}

void ElementState::internal_forces(std::vector<double>& F) {
  const auto t0 = Clock::now();
  const int nNodes = m_.nNodes();
  sum_blocks(
      F, [&](TH10G15::ELEMENT* elems, int nE, double* part) { TH10G15::make_Fint(elems, nE, nNodes, part); });
  m_.part.ranks->sum(F);  // each rank's elements hold their share of the nodal forces
  t_.forces += since(t0);
}

void ElementState::commit() {
  const auto t0 = Clock::now();
  each_active([&](size_t g, TH10G15::ELEMENT* elems, int nE, int) {
    const size_t first = static_cast<size_t>(elems - m_.elems.data()) * tet10::kGaussPoints;
    for (int e = 0; e < nE; ++e)
      for (int k = 0; k < tet10::kGaussPoints; ++k)
        yielded_[first + static_cast<size_t>(e) * tet10::kGaussPoints + k] =
            !elastic_increment(elems[e].GP[k]);
    TH10G15::update_Strain_Stress(elems, nE);
    evaluate(g, elems, nE);
  });
  t_.state += since(t0);
}

void ElementState::restore() {
  const auto t0 = Clock::now();
  each_active([&](size_t g, TH10G15::ELEMENT* elems, int nE, int) {
    for (int e = 0; e < nE; ++e)
      for (TH10G15::GAUSSPOINT& p : elems[e].GP)
        for (int k = 0; k < 6; ++k) p.dstrain[k] = p.dstress[k] = 0.0;
    evaluate(g, elems, nE);
  });
  t_.state += since(t0);
}

}  // namespace th10run
