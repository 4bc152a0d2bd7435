// th10run: the mesh and the material state, held in the library's records.
#ifndef TH10RUN_MODEL_H
#define TH10RUN_MODEL_H

#include <stdexcept>
#include <string>
#include <vector>

#include "FEM.h"
#include "TH10G15.h"
#include "input/problem.h"

namespace th10run {

using FiniteElementMethod::FEM;
using FiniteElementMethod::TH10G15;

// An error in the mesh or in its set-up (bad file, inverted element, empty node set).
class ModelError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The host's arrays: nodes and elements as the library wants them, with
// node-major degrees of freedom (direction d of node i is 3i + d).
struct Model {
  std::vector<FEM::NODE> nodes;
  std::vector<TH10G15::ELEMENT> elems;
  double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};  // bounding box of the nodes
  int nNodes() const { return static_cast<int>(nodes.size()); }
  int nElements() const { return static_cast<int>(elems.size()); }
  int nDofs() const { return 3 * nNodes(); }
  // Geometric tolerance for node sets: 1e-6 of the largest extent.
  double tolerance() const;
};

// Builds the nodes and elements (box or GiD file), the element Coords and DoF
// lists, and the Gauss points with their Jacobians and B matrices. Throws
// ModelError for a mesh that cannot be read or has an element with a
// non-positive Jacobian. The GiD reader writes "gid_mesh.txt" into the working
// directory.
Model build_model(const MeshInput& mesh);

// Stores E, nu, G, c and the initial stress (in stress0 and stress) in every
// Gauss point and evaluates the material state once.
void set_up_material(Model& m, const MaterialInput& mat, const InitialStressInput& init);

}  // namespace th10run

#endif
