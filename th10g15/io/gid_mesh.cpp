// Reading a GiD ASCII mesh of 10-node tetrahedra into the caller's records,
// with an echo of everything read in the control file "gid_mesh.txt".
#include <cstdio>

#include "TH10G15.h"
#include "file_io.h"
#include "gid_mesh_reader.h"

namespace FiniteElementMethod {
namespace {

int report_cannot_create_control() {
  std::printf("--- ERROR! Cannot create control file (gid_mesh.txt)!\n");
  return -1;
}

// Reads the open mesh file into the sink and closes it; the counts are set
// only on success (code 0).
int read_and_close(std::FILE* mesh, const char* name, const detail::GidMeshSink& sink, int& nNodes,
                   int& nElements) {
  const int code = detail::read_gid_mesh(mesh, name, sink, nNodes, nElements);
  std::fclose(mesh);
  return code;
}

}  // namespace

// GiD position k of a connectivity line to local node CA(k), and back: the
// permutation is its own inverse.
int TH10G15::CA(int k) {
  static const int gid_to_local[10] = {2, 3, 0, 1, 9, 7, 6, 5, 8, 4};
  return (k >= 0 && k < 10) ? gid_to_local[k] : -1;
}

int TH10G15::GID_mesh(char* name, FEM::NODE* nodes, int& nNodes, ELEMENT* elements, int& nElements) {
  std::printf("*** READING MESH (TH10G15::GID_mesh)\n");
  std::FILE* control = std::fopen("gid_mesh.txt", "w");  // text mode
  if (control == nullptr) return report_cannot_create_control();
  std::FILE* mesh = detail::open_gid_mesh(name);
  if (mesh == nullptr) {
    std::fclose(control);
    return detail::report_cannot_open(name);
  }
  const detail::GidMeshSink sink = {nodes, elements, control, true};
  int n_nodes = 0, n_elements = 0;  // stored only once the control file is written too
  const int code = read_and_close(mesh, name, sink, n_nodes, n_elements);
  if (code != 0) {
    std::fclose(control);
    return code;
  }
  std::printf("--- Elements: %d\n", n_elements);
  std::fprintf(control, "--- Elements: %d\n", n_elements);
  if (!detail::close_written(control)) return report_cannot_create_control();
  nNodes = n_nodes;
  nElements = n_elements;
  return 0;
}

int TH10G15::GID_mesh_count(char* name, int& nNodes, int& nElements) {
  std::FILE* mesh = detail::open_gid_mesh(name);
  if (mesh == nullptr) return detail::report_cannot_open(name);
  const detail::GidMeshSink counts_only = {nullptr, nullptr, nullptr, false};
  return read_and_close(mesh, name, counts_only, nNodes, nElements);
}

}  // namespace FiniteElementMethod
