#include "bench_support.h"

#include "box_mesh.h"

namespace th10bench {

Mesh box(int nx, int ny, int nz) {
  return boxmesh::box_records(nx, ny, nz, 1.0, 1.0, 1.0);
}

Mesh standard_box() {
  return box(8, 8, 8);
}

}  // namespace th10bench
