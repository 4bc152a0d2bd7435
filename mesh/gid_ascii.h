// Writing a box mesh as a GiD ASCII mesh file of 10-node tetrahedra, the
// format that TH10G15::GID_mesh reads; shared by the th10mesh tool, the tests,
// the benchmarks and the fuzz seeds.
#ifndef TH10FEM_MESH_GID_ASCII_H
#define TH10FEM_MESH_GID_ASCII_H

#include <cstdio>
#include <vector>

#include "TH10G15.h"
#include "box_mesh.h"

namespace th10mesh {

// Writes the mesh: header, "Coordinates", one "label x y z" line per node,
// "End Coordinates", a blank line, "Elements", one line per element with its
// label and 10 node labels in GiD order, "End Elements". Labels are 1-based;
// GiD position k holds local node CA(k). Returns false when a write failed.
inline bool write_gid_ascii(const boxmesh::BoxMesh& m, std::FILE* fid) {
  using FiniteElementMethod::TH10G15;
  std::fputs("MESH    dimension 3 ElemType Tetrahedra  Nnode 10\n", fid);
  std::fputs("Coordinates\n", fid);
  for (int i = 0; i < m.nNodes(); ++i)
    std::fprintf(fid, "%6d %.17g %.17g %.17g\n", i + 1, m.xyz[3 * i], m.xyz[3 * i + 1], m.xyz[3 * i + 2]);
  std::fputs("End Coordinates\n\nElements\n", fid);
  for (int e = 0; e < m.nElements(); ++e) {
    std::fprintf(fid, "%6d", e + 1);
    for (int k = 0; k < 10; ++k) std::fprintf(fid, " %6d", m.conn[e][TH10G15::CA(k)] + 1);
    std::fputs("\n", fid);
  }
  std::fputs("End Elements\n", fid);
  return std::fflush(fid) == 0 && std::ferror(fid) == 0;
}

// Writes the mesh into the file `path`; false when it cannot be written.
inline bool write_gid_ascii_file(const boxmesh::BoxMesh& m, const char* path) {
  std::FILE* fid = std::fopen(path, "w");
  if (fid == nullptr) return false;
  const bool written = write_gid_ascii(m, fid);
  return std::fclose(fid) == 0 && written;
}

}  // namespace th10mesh

#endif
