// th10run: the mesh held in the library's records, with its element groups
// (each a contiguous block of the element array) and named face sets.
#ifndef TH10RUN_MODEL_H
#define TH10RUN_MODEL_H

#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "FEM.h"
#include "TH10G15.h"
#include "input/problem.h"
#include "parallel/ranks.h"

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

// The share of a mesh split over ranks that one rank holds: every node of
// the whole mesh, the records of the elements it owns. On a single rank it
// owns every element.
struct Ownership {
  std::shared_ptr<const Ranks> ranks = single_rank();
  int nElements = 0;           // in the whole mesh
  std::vector<int> global_id;  // per record: its number in the whole mesh (in group order), from 0
  // Per record and local face: the group of the element on the other side,
  // -1 on the surface of the mesh.
  std::vector<std::array<int, 4>> neighbour_group;
  // Rank p holds the equations of nodes node_start[p] .. node_start[p + 1] - 1
  // (the nodes are numbered rank by rank).
  std::vector<int> node_start;
};

// The host's arrays: nodes and elements as the library wants them, with
// node-major degrees of freedom (direction d of node i is 3i + d).
struct Model {
  std::vector<FEM::NODE> nodes;
  std::vector<TH10G15::ELEMENT> elems;
  std::vector<ElementGroup> groups;  // in element order, covering every element
  std::vector<FaceGroup> surfaces;
  double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};  // bounding box of the nodes
  Ownership part;                               // which elements of the whole these are
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

// The model's nodes at the coordinates xyz (x, y, z of each node).
void set_nodes(Model& m, const std::vector<double>& xyz);

// Builds the nodes and elements (box, GiD or gmsh file), sorts the elements
// into their groups (gmsh physical volumes, then the boxes of `boxes`, later
// ones taking elements from earlier ones), fills the element Coords and DoF
// lists and builds the Gauss points with their Jacobians and B matrices.
// Over several ranks, every rank reads the mesh's nodes and connectivity,
// the elements are partitioned and the nodes numbered rank by rank, and
// each rank makes the records of its own elements only. Throws ModelError
// (on every rank alike) for a mesh that cannot be read or has an element
// with a non-positive Jacobian. The GiD reader writes "gid_mesh.txt" into
// the working directory.
Model build_model(const MeshInput& mesh, const std::vector<GroupInput>& boxes,
                  std::shared_ptr<const Ranks> ranks = single_rank());

}  // namespace th10run

#endif
