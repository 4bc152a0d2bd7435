// th10run: the mesh held in the library's records, with its element groups
// (each a contiguous block of the element array) and named face sets.
#ifndef TH10RUN_MODEL_H
#define TH10RUN_MODEL_H

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "FEM.h"
#include "TH10G15.h"
#include "input/problem.h"

namespace th10run {

using FiniteElementMethod::FEM;
using FiniteElementMethod::TH10G15;

// An error in the mesh or in its set-up (bad file, inverted element, empty
// node set, a group that the mesh does not have).
class ModelError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Elements first .. first + count - 1 of the element array.
struct ElementGroup {
  std::string name;  // empty: the elements of no group
  int first = 0;
  int count = 0;
};

// Faces of elements, as (element, local face) pairs: a gmsh physical surface.
struct FaceGroup {
  std::string name;
  std::vector<std::pair<int, int>> faces;
};

// The host's arrays: nodes and elements as the library wants them, with
// node-major degrees of freedom (direction d of node i is 3i + d).
struct Model {
  std::vector<FEM::NODE> nodes;
  std::vector<TH10G15::ELEMENT> elems;
  std::vector<ElementGroup> groups;  // in element order, covering every element
  std::vector<FaceGroup> surfaces;
  double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};  // bounding box of the nodes
  int nNodes() const { return static_cast<int>(nodes.size()); }
  int nElements() const { return static_cast<int>(elems.size()); }
  int nDofs() const { return 3 * nNodes(); }
  // Geometric tolerance for node sets: 1e-6 of the largest extent.
  double tolerance() const;
  // The group or face set of that name; throws ModelError naming `who` when
  // there is none.
  const ElementGroup& group(const std::string& name, const std::string& who) const;
  const FaceGroup& surface(const std::string& name, const std::string& who) const;
};

// Builds the nodes and elements (box, GiD or gmsh file), sorts the elements
// into their groups (gmsh physical volumes, then the boxes of `boxes`, later
// ones taking elements from earlier ones), fills the element Coords and DoF
// lists and builds the Gauss points with their Jacobians and B matrices.
// Throws ModelError for a mesh that cannot be read or has an element with a
// non-positive Jacobian. The GiD reader writes "gid_mesh.txt" into the
// working directory.
Model build_model(const MeshInput& mesh, const std::vector<GroupInput>& boxes);

}  // namespace th10run

#endif
