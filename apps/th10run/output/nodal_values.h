// th10run: the Gauss-point state at the nodes. In each element the values
// at the 15 Gauss points are fitted by the element's quadratic field in the
// least-squares sense, whose 10 nodal values follow from one 10 x 15 matrix
// (the same for every element: it depends on the shape functions at the
// points only); elements that share a node are then averaged there, over
// all of them or within each material only.
#ifndef TH10RUN_OUTPUT_NODAL_VALUES_H
#define TH10RUN_OUTPUT_NODAL_VALUES_H

#include <array>
#include <vector>

#include "element_geometry.h"
#include "model.h"
#include "vtu.h"

namespace th10run {

// Row i: the weights of the 15 Gauss-point values in the value at local
// node i, (A^T A)^-1 A^T with A(k, i) = N_i at Gauss point k.
using GaussToNodes = std::array<double, tet10::kNodes * tet10::kGaussPoints>;
const GaussToNodes& gauss_to_nodes();

// One point per node and material of the written cells: the averages at a
// node then stay within each material. element_material: per element of
// the model.
PointLayout material_layout(const Model& m, const std::vector<int>& cells,
                            const std::vector<int>& element_material);

// At the points of the layout, averaged over the written cells that share
// them: "nodal_stress" and "nodal_strain" (6 components), "nodal_yield_value"
// (the extrapolated F), and "nodal_yielded": the share of Gauss points whose
// last increment was plastic, over the elements at the point (yielded: per
// Gauss point of every element).
std::vector<PointField> nodal_fields(const Model& m, const std::vector<int>& cells,
                                     const std::vector<char>& yielded, const PointLayout& layout);

}  // namespace th10run

#endif
