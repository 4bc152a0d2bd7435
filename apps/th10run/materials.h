// th10run: materials and initial states of the element groups: which
// material fills each group, the constants it stores at the Gauss points,
// the initial stresses (uniform or geostatic, or the K0 procedure of
// horizontal layers) and the self-weight as nodal forces.
#ifndef TH10RUN_MATERIALS_H
#define TH10RUN_MATERIALS_H

#include <vector>

#include "input/problem.h"
#include "model.h"

namespace th10run {

// The material of each group of the model (an index into `materials`): the
// material that names the group, else the one material that names no group.
// Throws ModelError for a group named by a material but not in the mesh, a
// group named twice, or a group no material fills.
std::vector<int> assign_materials(const Model& m, const std::vector<MaterialInput>& materials);

// Stores E, nu, G and c of the material in every Gauss point of the group.
void store_constants(Model& m, const ElementGroup& g, const MaterialInput& mat);

// The initial stress of a [initial_stress] table (uniform, or geostatic from
// one unit weight and a surface) in stress0 and stress: in equilibrium by
// assumption, it produces no internal force.
void store_initial_stress(Model& m, const ElementGroup& g, const InitialStressInput& init);

// The K0 procedure: at every Gauss point of the active groups, the vertical
// stress is the weight of the layers above it (compression negative), the
// horizontal ones K0 times that, with K0 of the point's material; stress0
// and strain are zero. The layers are the materials' depth ranges: they
// must not overlap, and the ground surface (the upward faces of the active
// elements) must be horizontal, or ModelError says where not.
// group_material and active are per group.
void k0_stresses(Model& m, const std::vector<MaterialInput>& materials,
                 const std::vector<int>& group_material, const std::vector<char>& active);

// Adds the consistent nodal forces of the self-weight of the active groups to F.
void add_weight(const Model& m, const std::vector<MaterialInput>& materials,
                const std::vector<int>& group_material, const std::vector<char>& active,
                std::vector<double>& F);

}  // namespace th10run

#endif
