// Helpers shared by the tests: meshes in host-owned arrays and a scratch
// working directory for the file routines, which write fixed names.
#ifndef TH10FEM_TESTS_TEST_SUPPORT_H
#define TH10FEM_TESTS_TEST_SUPPORT_H

#include <functional>
#include <string>
#include <vector>

#include "FEM.h"
#include "TH10G15.h"
#include "box_mesh.h"

namespace th10test {

using FiniteElementMethod::FEM;
using FiniteElementMethod::TH10G15;

// Node and element records of a mesh, owned as a host owns them.
using Mesh = boxmesh::Records;

// Records of a structured box with nx x ny x nz cells (6 tetrahedra each) of
// size lx x ly x lz, with Gauss points, Jacobians and B already built.
Mesh box(int nx, int ny, int nz, double lx = 1.0, double ly = 1.0, double lz = 1.0);

// One straight-sided element with the given corner coordinates (local corner
// order 0..3, 3 doubles each) and mid-edge nodes at the edge midpoints; node
// indices 0..9. Gauss points, Jacobians and B are built.
TH10G15::ELEMENT straight_element(const double corners[4][3]);

// Sets E, nu, G and c at every Gauss point and calls update_Phi_F_D.
void set_material(Mesh& m, double E, double nu, double c, double Phi_min, int assoc, double Psi);

// Creates a fresh directory, makes it the working directory and returns to
// the previous one (removing the directory) when it goes out of scope.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string previous_;
  std::string path_;
};

std::string read_file(const std::string& name);
void write_file(const std::string& name, const std::string& text);

// What f prints on the standard output.
std::string captured_stdout(const std::function<void()>& f);

// s with every occurrence of `from` replaced by `to`.
std::string replace_all(std::string s, const std::string& from, const std::string& to);

}  // namespace th10test

#endif
