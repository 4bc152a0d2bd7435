// th10run: Gauss-point values extrapolated to the nodes and averaged.
#include "nodal_values.h"

#include <lapacke.h>

#include <map>
#include <stdexcept>
#include <utility>

namespace th10run {
namespace {

constexpr int kN = tet10::kNodes;
constexpr int kG = tet10::kGaussPoints;

// The quantities extrapolated: their names and the components they take
// from a Gauss point.
struct Extrapolated {
  const char* name;
  int components;
  double (*get)(const TH10G15::GAUSSPOINT& g, int component);
};
const Extrapolated kExtrapolated[] = {
    {"nodal_stress", 6, [](const TH10G15::GAUSSPOINT& g, int i) { return g.stress[i]; }},
    {"nodal_strain", 6, [](const TH10G15::GAUSSPOINT& g, int i) { return g.strain[i]; }},
    {"nodal_yield_value", 1, [](const TH10G15::GAUSSPOINT& g, int) { return g.F; }},
};
constexpr int kMaxComponents = 6;

GaussToNodes least_squares_fit() {
  // A (15 x 10): the shape functions at the Gauss points of the rule. The
  // least-squares solution of A x = I (15 x 15) is the wanted matrix.
  std::vector<TH10G15::GAUSSPOINT> rule(kG);
  TH10G15::CreateGaussPoints(rule.data());
  double A[kG * kN], B[kG * kG] = {};
  for (int k = 0; k < kG; ++k) {
    for (int i = 0; i < kN; ++i) A[kN * k + i] = rule[k].N[i];
    B[kG * k + k] = 1.0;
  }
  if (LAPACKE_dgels(LAPACK_ROW_MAJOR, 'N', kG, kN, kG, A, kN, B, kG) != 0)
    throw std::logic_error("the shape functions at the Gauss points are not independent");
  GaussToNodes P;
  for (int i = 0; i < kN * kG; ++i) P[i] = B[i];  // the first 10 rows of B
  return P;
}

}  // namespace

const GaussToNodes& gauss_to_nodes() {
  static const GaussToNodes P = least_squares_fit();
  return P;
}

PointLayout material_layout(const Model& m, const std::vector<int>& cells,
                            const std::vector<int>& element_material) {
  PointLayout l;
  std::map<std::pair<int, int>, int> point;  // (node, material) -> point
  for (int e : cells)
    for (int k = 0; k < kN; ++k) {
      const int node = m.elems[e].Node_ID[k];
      const auto [at, added] =
          point.try_emplace({node, element_material[e]}, static_cast<int>(l.node.size()));
      if (added) l.node.push_back(node);
      l.cell_points.push_back(at->second);
    }
  return l;
}

std::vector<PointField> nodal_fields(const Model& m, const std::vector<int>& cells,
                                     const std::vector<char>& yielded, const PointLayout& layout) {
  const GaussToNodes& P = gauss_to_nodes();
  const size_t nP = layout.node.size(), nC = cells.size();
  std::vector<int> count(nP, 0);
  for (int p : layout.cell_points) ++count[p];
  const auto average = [&](PointField& f) {
    for (size_t p = 0; p < nP; ++p)
      for (int d = 0; d < f.components; ++d)
        if (count[p] > 0) f.values[f.components * p + d] /= count[p];
  };

  std::vector<PointField> out;
  for (const Extrapolated& q : kExtrapolated) {
    PointField f{q.name, q.components, std::vector<double>(nP * q.components, 0.0)};
    for (size_t c = 0; c < nC; ++c) {
      const TH10G15::ELEMENT& el = m.elems[cells[c]];
      double v[kMaxComponents][kG];  // the element's Gauss-point values, read once
      for (int d = 0; d < q.components; ++d)
        for (int k = 0; k < kG; ++k) v[d][k] = q.get(el.GP[k], d);
      for (int i = 0; i < kN; ++i) {
        double* at = &f.values[q.components * layout.cell_points[kN * c + i]];
        for (int d = 0; d < q.components; ++d)
          for (int k = 0; k < kG; ++k) at[d] += P[kG * i + k] * v[d][k];
      }
    }
    average(f);
    out.push_back(std::move(f));
  }
  // The plastic indicator: each element's share of yielded points, averaged.
  PointField plastic{"nodal_yielded", 1, std::vector<double>(nP, 0.0)};
  for (size_t c = 0; c < nC; ++c) {
    int n = 0;
    for (int k = 0; k < kG; ++k) n += yielded[static_cast<size_t>(cells[c]) * kG + k] != 0;
    for (int i = 0; i < kN; ++i)
      plastic.values[layout.cell_points[kN * c + i]] += n / static_cast<double>(kG);
  }
  average(plastic);
  out.push_back(std::move(plastic));
  return out;
}

}  // namespace th10run
