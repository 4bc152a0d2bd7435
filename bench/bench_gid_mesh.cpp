// Reading a GiD ASCII mesh of about 100,000 nodes: 23 x 23 x 23 cells give
// 103,823 nodes and 73,002 elements (a file of about 12 MB).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "gid_ascii.h"
#include "TH10G15.h"

namespace {

using FiniteElementMethod::FEM;
using FiniteElementMethod::TH10G15;

// The mesh, written once into a directory of its own, which also receives
// the control file and is the working directory while it exists.
struct BenchFile {
  boxmesh::BoxMesh mesh;
  std::filesystem::path dir;
  BenchFile()
      : mesh(boxmesh::make_box(boxmesh::uniform(0, 1, 23), boxmesh::uniform(0, 1, 23),
                               boxmesh::uniform(0, 1, 23))) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "th10bench-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) std::abort();
    dir = tmpl;
    std::filesystem::current_path(dir);
    if (!th10mesh::write_gid_ascii_file(mesh, "bench_ascii.msh")) std::abort();
  }
  ~BenchFile() {
    std::error_code ec;
    std::filesystem::current_path(dir.parent_path(), ec);
    std::filesystem::remove_all(dir, ec);
  }
};

const boxmesh::BoxMesh& bench_mesh() {
  static const BenchFile file;
  return file.mesh;
}

void BM_GID_mesh(benchmark::State& state) {
  const boxmesh::BoxMesh& m = bench_mesh();
  // Element records are large (48 KB); the reader touches only Node_ID, so
  // the array is left uninitialised and mostly never paged in.
  std::unique_ptr<FEM::NODE[]> nodes(new FEM::NODE[m.nNodes()]);
  std::unique_ptr<TH10G15::ELEMENT[]> elements(new TH10G15::ELEMENT[m.nElements()]);
  char name[] = "bench";
  for (auto _ : state) {
    int nNodes = 0, nElements = 0;
    if (TH10G15::GID_mesh(name, nodes.get(), nNodes, elements.get(), nElements) != 0 || nNodes != m.nNodes())
      state.SkipWithError("reading failed");
    benchmark::DoNotOptimize(nodes.get());
    benchmark::DoNotOptimize(elements.get());
  }
  state.counters["nodes"] = m.nNodes();
  state.counters["elements"] = m.nElements();
}
BENCHMARK(BM_GID_mesh)->Unit(benchmark::kMillisecond);

void BM_GID_mesh_count(benchmark::State& state) {
  const boxmesh::BoxMesh& m = bench_mesh();
  char name[] = "bench";
  for (auto _ : state) {
    int nNodes = 0, nElements = 0;
    if (TH10G15::GID_mesh_count(name, nNodes, nElements) != 0 || nElements != m.nElements())
      state.SkipWithError("counting failed");
  }
}
BENCHMARK(BM_GID_mesh_count)->Unit(benchmark::kMillisecond);

}  // namespace
