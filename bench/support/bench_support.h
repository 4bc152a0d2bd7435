// Meshes for the benchmarks: a structured box of a few thousand elements,
// with geometry built and an elastic (or yielding) material state.
#ifndef TH10FEM_BENCH_SUPPORT_H
#define TH10FEM_BENCH_SUPPORT_H

#include <vector>

#include "FEM.h"
#include "TH10G15.h"
#include "box_mesh.h"

namespace th10bench {

using FiniteElementMethod::FEM;
using FiniteElementMethod::TH10G15;

using Mesh = boxmesh::Records;

// nx x ny x nz cells of 6 tetrahedra in the unit cube, geometry built
// (make_GP_J_B) but no material set.
Mesh box(int nx, int ny, int nz);

// The benchmark mesh: 8 x 8 x 8 cells, 3,072 elements.
Mesh standard_box();

}  // namespace th10bench

#endif
