#include "bench_support.h"

#include "box_mesh.h"

namespace th10bench {

Mesh box(int nx, int ny, int nz) {
  const boxmesh::BoxMesh b =
      boxmesh::make_box(boxmesh::uniform(0, 1, nx), boxmesh::uniform(0, 1, ny), boxmesh::uniform(0, 1, nz));
  Mesh m;
  m.nodes.resize(b.nNodes());
  m.elems.resize(b.nElements());
  boxmesh::fill_records(b, m.nodes.data(), m.elems.data());
  TH10G15::make_GP_J_B(m.elems.data(), m.nElements());
  return m;
}

Mesh standard_box() {
  return box(8, 8, 8);
}

}  // namespace th10bench
