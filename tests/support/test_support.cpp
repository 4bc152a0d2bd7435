#include "test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace th10test {

Mesh box(int nx, int ny, int nz, double lx, double ly, double lz) {
  return boxmesh::box_records(nx, ny, nz, lx, ly, lz);
}

TH10G15::ELEMENT straight_element(const double corners[4][3]) {
  static const int edge[6][2] = {{0, 1}, {1, 2}, {0, 2}, {3, 0}, {3, 1}, {3, 2}};
  TH10G15::ELEMENT el{};
  for (int k = 0; k < 4; ++k)
    for (int d = 0; d < 3; ++d) el.Coords[3 * k + d] = corners[k][d];
  for (int m = 0; m < 6; ++m)
    for (int d = 0; d < 3; ++d)
      el.Coords[3 * (4 + m) + d] = 0.5 * (corners[edge[m][0]][d] + corners[edge[m][1]][d]);
  for (int k = 0; k < 10; ++k) {
    el.Node_ID[k] = k;
    for (int d = 0; d < 3; ++d) el.DoF[3 * k + d] = 3 * k + d;
  }
  TH10G15::make_GP_J_B(&el, 1);
  return el;
}

void set_material(Mesh& m, double E, double nu, double c, double Phi_min, int assoc, double Psi) {
  for (auto& el : m.elems)
    for (auto& g : el.GP) {
      g.E = E;
      g.nu = nu;
      g.G = E / (2.0 * (1.0 + nu));
      g.c = c;
    }
  TH10G15::update_Phi_F_D(m.elems.data(), m.nElements(), Phi_min, assoc, Psi);
}

ScratchDir::ScratchDir() {
  previous_ = std::filesystem::current_path().string();
  std::string tmpl = (std::filesystem::temp_directory_path() / "th10fem-test-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
  std::filesystem::current_path(path_);
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::current_path(previous_, ec);
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string read_file(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void write_file(const std::string& name, const std::string& text) {
  std::ofstream out(name, std::ios::binary);
  out << text;
}

std::string captured_stdout(const std::function<void()>& f) {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  f();
  std::fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

std::string replace_all(std::string s, const std::string& from, const std::string& to) {
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
    s.replace(at, from.size(), to);
  return s;
}

}  // namespace th10test
