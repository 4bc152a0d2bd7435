// th10run: a gmsh mesh (format 4.1) turned into the model's records, with
// its physical volumes as element groups and its physical surfaces as face
// sets.
#ifndef TH10RUN_GMSH_MODEL_H
#define TH10RUN_GMSH_MODEL_H

#include <array>
#include <string>
#include <vector>

#include "model.h"

namespace th10run {

// The elements of a mesh file and its physical groups, for the model to
// sort its elements by.
struct MeshGroups {
  std::vector<std::array<int, 10>> elements;  // per element: its nodes in the library's local order
  std::vector<std::string> element_group;     // per element: its physical volume, or empty
  std::vector<FaceGroup> surfaces;            // per physical surface: its element faces
};

// Reads the nodes of a gmsh file into m and returns its 10-node tetrahedra.
// Throws ModelError naming the file and what is wrong.
MeshGroups read_gmsh(const std::string& file, Model& m);

}  // namespace th10run

#endif
