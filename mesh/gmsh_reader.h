// Reading gmsh meshes (.msh format 4.1, ASCII or binary) of second-order
// 10-node tetrahedra into plain arrays that a program turns into the
// library's records.
//
// What is read:
// - the nodes of the tetrahedra, in file order, with their gmsh tags;
// - the 10-node tetrahedra (gmsh element type 11) of every volume, in the
//   library's local node order with a positive Jacobian, each with the tag of
//   its physical volume (0 when the file has no physical volumes);
// - the 6-node triangles (type 9) of every surface that belongs to a physical
//   surface, once for each physical surface of that surface;
// - the physical groups: dimension, tag and name.
//
// What is left out on purpose:
// - point elements (type 15), also on physical points, and all elements of
//   curves and surfaces that belong to no physical group (gmsh writes them
//   when a model has no physical groups, or with Mesh.SaveAll), and the nodes
//   that only such elements use (the centre of a circle, say);
// - the sections $Periodic, $GhostElements, $Parametrizations, $NodeData,
//   $ElementData, $ElementNodeData, $InterpolationScheme, $Comments and any
//   other section whose name is not known.
//
// Everything else that the program could not use is an error (gmshmesh::Error)
// whose message names the file, the line (in a binary file the byte offset)
// and the offending entity, element, node or group:
// - not a 4.1 mesh: no $MeshFormat first, another version, a file type other
//   than 0 (ASCII) or 1 (binary), binary data of another size_t or byte order;
// - malformed, truncated or unterminated sections, counts that disagree with
//   the blocks, a second section of a kind, $Elements before $Nodes or
//   $Entities after $Elements, a partitioned mesh;
// - first-order elements (mesh with -order 2) or elements of other types in
//   volumes or on physical surfaces; any element on a physical curve;
// - an element node that $Nodes does not define, a node of no element, a node
//   of a triangle that no tetrahedron has;
// - tags that are not positive or are repeated (nodes, elements, entities,
//   physical groups), two groups of one dimension with one name;
// - a volume in two physical volumes, or in none while other volumes are in
//   one; a tetrahedron whose corners are coplanar; no tetrahedra at all.
// A file is read whole or not at all.
#ifndef TH10FEM_MESH_GMSH_READER_H
#define TH10FEM_MESH_GMSH_READER_H

#include <array>
#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace gmshmesh {

// A mesh file that cannot be read; the message says where and why.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct PhysicalGroup {
  int dim = 0;       // 0 point, 1 curve, 2 surface, 3 volume
  int tag = 0;       // positive
  std::string name;  // empty when $PhysicalNames does not name the group
};

struct Tetrahedron {
  std::array<int, 10> nodes{};  // 0-based node indices, library local order
  int physical = 0;             // physical volume tag; 0: the file has none
  std::size_t tag = 0;          // gmsh element tag
};

// A triangle keeps the orientation of its surface in the model: its normal
// (x1 - x0) x (x2 - x0) may point into the body or out of it.
struct Triangle {
  std::array<int, 6> nodes{};  // corners c0 c1 c2, then mid-edge (c0-c1), (c1-c2), (c2-c0)
  int physical = 0;            // physical surface tag
  std::size_t tag = 0;         // gmsh element tag
};

struct Mesh {
  std::vector<double> xyz;              // x, y, z of each node, in file order
  std::vector<std::size_t> node_tags;   // gmsh tag of each node
  std::vector<Tetrahedron> tetrahedra;  // in file order
  std::vector<Triangle> triangles;      // in file order
  std::vector<PhysicalGroup> groups;    // sorted by dimension, then tag
  int mirrored = 0;  // tetrahedra written in the opposite orientation, turned over on reading

  int nNodes() const { return static_cast<int>(node_tags.size()); }
  // The group of dimension dim called name (not empty), or nullptr.
  const PhysicalGroup* find_group(int dim, const std::string& name) const;
};

// Reads the mesh file at path.
Mesh read_msh_file(const std::string& path);

// Reads a mesh from the whole contents of a file; name stands for the file
// in the messages.
Mesh read_msh(const std::string& contents, const std::string& name);

}  // namespace gmshmesh

#endif
