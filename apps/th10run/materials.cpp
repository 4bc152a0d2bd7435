// th10run: materials, initial stresses and self-weight of the element groups.
#include "materials.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "boundary.h"
#include "element_geometry.h"

namespace th10run {

std::vector<int> assign_materials(const Model& m, const std::vector<MaterialInput>& materials) {
  std::vector<int> of(m.groups.size(), -1);
  int rest = -1;  // the material that names no group
  for (size_t k = 0; k < materials.size(); ++k) {
    const MaterialInput& mat = materials[k];
    if (mat.groups.empty()) {
      if (rest >= 0)
        throw ModelError(mat.where + ": materials " + materials[rest].name + " and " + mat.name +
                         " both name no group; give each material its groups");
      rest = static_cast<int>(k);
      continue;
    }
    for (const std::string& name : mat.groups) {
      const ElementGroup& g = m.group(name, mat.where + ": material " + mat.name);
      int& slot = of[&g - m.groups.data()];
      if (slot >= 0)
        throw ModelError(mat.where + ": group \"" + name + "\" already has material " + materials[slot].name);
      slot = static_cast<int>(k);
    }
  }
  for (size_t g = 0; g < of.size(); ++g) {
    if (of[g] >= 0) continue;
    if (rest < 0)
      throw ModelError("no material fills " +
                       (m.groups[g].name.empty() ? std::string("the elements of no group")
                                                 : "group \"" + m.groups[g].name + "\"") +
                       "; name it in a material's groups, or leave one material without groups");
    of[g] = rest;
  }
  return of;
}

void store_constants(Model& m, const ElementGroup& g, const MaterialInput& mat) {
  const double G = mat.E / (2.0 * (1.0 + mat.nu));
  for (int e = g.first; e < g.first + g.count; ++e)
    for (TH10G15::GAUSSPOINT& p : m.elems[e].GP) {
      p.E = mat.E;
      p.nu = mat.nu;
      p.G = G;
      p.c = mat.c;
    }
}

void store_initial_stress(Model& m, const ElementGroup& g, const InitialStressInput& init) {
  for (int e = g.first; e < g.first + g.count; ++e) {
    TH10G15::ELEMENT& el = m.elems[e];
    for (int k = 0; k < tet10::kGaussPoints; ++k) {
      double s[6] = {0, 0, 0, 0, 0, 0};
      if (init.kind == InitialStressKind::Uniform) {
        std::copy(init.stress, init.stress + 6, s);
      } else if (init.kind == InitialStressKind::Geostatic) {
        // Vertical stress from the weight above the point (compression
        // negative), horizontal stresses K0 times it; nothing above the surface.
        double xyz[3];
        tet10::gauss_point_position(el, k, xyz);
        const double depth = std::max(0.0, init.surface - xyz[2]);
        s[2] = -init.unit_weight * depth;
        s[0] = s[1] = init.K0 * s[2];
      }
      std::copy(s, s + 6, el.GP[k].stress0);
      std::copy(s, s + 6, el.GP[k].stress);
    }
  }
}

namespace {

// The depth range of one material's active elements.
struct Layer {
  double zlo = HUGE_VAL, zhi = -HUGE_VAL, unit_weight = 0.0;
  std::string name;
};

double k0_of(const MaterialInput& mat) {
  return mat.K0 >= 0.0 ? mat.K0 : 1.0 - std::sin(mat.phi * M_PI / 180.0);
}

// The ground surface must be horizontal: every face of an active element
// that no other active element shares and whose outward normal points up
// lies at the top of the active mesh. Returns the top.
double horizontal_surface(const Model& m, const std::vector<char>& active) {
  const std::vector<char> element_active = element_activity(m, active);
  const Ranks& ranks = *m.part.ranks;
  const double tol = m.tolerance();
  double top = -HUGE_VAL;
  for (int e = 0; e < m.nElements(); ++e)
    if (element_active[e])
      for (int k = 0; k < tet10::kNodes; ++k) top = std::max(top, m.elems[e].Coords[3 * k + 2]);
  top = ranks.max(top);
  std::string error;
  for (const auto& [e, f] : boundary_faces(m, active)) {
    const TH10G15::ELEMENT& el = m.elems[e];
    double x[tet10::kFaceDofs];
    tet10::face_coordinates(el, f, x);
    const double nz =
        tet10::face_orientation(el, f) * ((x[3] - x[0]) * (x[7] - x[1]) - (x[4] - x[1]) * (x[6] - x[0]));
    if (!(nz > 0.0)) continue;  // not facing up
    for (int k = 0; k < tet10::kFaceNodes && error.empty(); ++k)
      if (x[3 * k + 2] < top - tol) {
        std::ostringstream s;
        s << "the K0 procedure needs a horizontal ground surface, but an upward face of element "
          << m.part.global_id[e] + 1 << " lies at z = " << x[3 * k + 2] << ", below the top z = " << top
          << " (use a gravity phase)";
        error = s.str();
      }
    if (!error.empty()) break;
  }
  throw_first<ModelError>(ranks, error);
  return top;
}

}  // namespace

void k0_stresses(Model& m, const std::vector<MaterialInput>& materials,
                 const std::vector<int>& group_material, const std::vector<char>& active) {
  std::map<int, Layer> layers;  // by material
  for (size_t g = 0; g < m.groups.size(); ++g) {
    if (!active[g]) continue;
    Layer& l = layers[group_material[g]];
    l.name = materials[group_material[g]].name;
    l.unit_weight = materials[group_material[g]].unit_weight;
    for (int e = m.groups[g].first; e < m.groups[g].first + m.groups[g].count; ++e) {
      for (int k = 0; k < tet10::kNodes; ++k) {
        l.zlo = std::min(l.zlo, m.elems[e].Coords[3 * k + 2]);
        l.zhi = std::max(l.zhi, m.elems[e].Coords[3 * k + 2]);
      }
    }
  }
  const double top = horizontal_surface(m, active);
  std::vector<Layer> sorted;
  for (auto [k, l] : layers) {  // every rank has the same layers, from the groups
    l.zlo = m.part.ranks->min(l.zlo);
    l.zhi = m.part.ranks->max(l.zhi);
    sorted.push_back(l);
  }
  std::sort(sorted.begin(), sorted.end(), [](const Layer& a, const Layer& b) { return a.zhi > b.zhi; });
  for (size_t i = 1; i < sorted.size(); ++i)
    if (sorted[i].zhi > sorted[i - 1].zlo + m.tolerance()) {
      std::ostringstream s;
      s << "the K0 procedure needs horizontal layers, but materials " << sorted[i - 1].name << " (z "
        << sorted[i - 1].zlo << " to " << sorted[i - 1].zhi << ") and " << sorted[i].name << " (z "
        << sorted[i].zlo << " to " << sorted[i].zhi << ") overlap in depth (use a gravity phase)";
      throw ModelError(s.str());
    }
  for (size_t g = 0; g < m.groups.size(); ++g) {
    if (!active[g]) continue;
    const double K0 = k0_of(materials[group_material[g]]);
    for (int e = m.groups[g].first; e < m.groups[g].first + m.groups[g].count; ++e) {
      TH10G15::ELEMENT& el = m.elems[e];
      for (int k = 0; k < tet10::kGaussPoints; ++k) {
        double xyz[3];
        tet10::gauss_point_position(el, k, xyz);
        // The weight of the column from the point up to the surface.
        double weight = 0.0;
        for (const Layer& l : sorted) {
          const double h = std::min(l.zhi, top) - std::max(l.zlo, xyz[2]);
          if (h > 0.0) weight += l.unit_weight * h;
        }
        TH10G15::GAUSSPOINT& p = el.GP[k];
        const double s[6] = {-K0 * weight, -K0 * weight, -weight, 0, 0, 0};
        for (int i = 0; i < 6; ++i) {
          p.stress[i] = s[i];
          p.stress0[i] = p.strain[i] = p.dstress[i] = p.dstrain[i] = 0.0;
        }
      }
    }
  }
}

void add_weight(const Model& m, const std::vector<MaterialInput>& materials,
                const std::vector<int>& group_material, const std::vector<char>& active,
                std::vector<double>& F) {
  // Each rank weighs its own elements; the weights are summed over the ranks.
  std::vector<double> W(F.size(), 0.0);
  for (size_t g = 0; g < m.groups.size(); ++g) {
    const double gamma = materials[group_material[g]].unit_weight;
    if (!active[g] || gamma == 0.0) continue;
    for (int e = m.groups[g].first; e < m.groups[g].first + m.groups[g].count; ++e) {
      double f[tet10::kDofs];
      tet10::weight_forces(m.elems[e], gamma, f);
      for (int i = 0; i < tet10::kDofs; ++i) W[m.elems[e].DoF[i]] += f[i];
    }
  }
  m.part.ranks->sum(W);
  for (size_t i = 0; i < F.size(); ++i) F[i] += W[i];
}

}  // namespace th10run
