// One pass over a GiD ASCII mesh file of 10-node tetrahedra, shared by the
// reader (records and control file) and the counter (counts only), so that
// both apply exactly the same checks and report exactly the same errors.
#ifndef TH10FEM_TH10G15_GID_MESH_READER_H
#define TH10FEM_TH10G15_GID_MESH_READER_H

#include <cstdio>

#include "TH10G15.h"

namespace FiniteElementMethod {
namespace detail {

// Where one pass puts what it reads. A null pointer switches that output off.
struct GidMeshSink {
  FEM::NODE* nodes;            // x, y, z of the n-th node line go to nodes[n - 1]
  TH10G15::ELEMENT* elements;  // Node_ID (0-based, local order) of each element line
  std::FILE* control;          // echo of everything read ("gid_mesh.txt")
  bool print_node_count;       // "--- Nodes: %d" on standard output after the nodes
};

// Opens name + "_ascii.msh" for reading; null when it cannot be opened or
// the name does not fit in a file-name buffer.
std::FILE* open_gid_mesh(const char* name);

// Prints the error line of a mesh file that cannot be opened; returns -2.
int report_cannot_open(const char* name);

// Reads the open mesh file from its start up to the "End" line of the
// elements. Returns 0 with the counts in nNodes and nElements, or prints the
// error line and returns -2 (read failure) or -3 to -8, leaving the counts as
// they were. `name` is the name as passed by the caller, for the messages.
int read_gid_mesh(std::FILE* mesh, const char* name, const GidMeshSink& sink, int& nNodes, int& nElements);

}  // namespace detail
}  // namespace FiniteElementMethod

#endif
