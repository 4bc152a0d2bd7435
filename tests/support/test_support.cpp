#include "test_support.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace th10test {

TH10G15::ELEMENT straight_element(const double corners[4][3]) {
  static const int edge[6][2] = {{0, 1}, {1, 2}, {0, 2}, {3, 0}, {3, 1}, {3, 2}};
  TH10G15::ELEMENT el{};
  for (int k = 0; k < 10; ++k) el.Node_ID[k] = k;
  for (int i = 0; i < 30; ++i) el.DoF[i] = i;
  for (int d = 0; d < 3; ++d) {
    for (int k = 0; k < 4; ++k) el.Coords[3 * k + d] = corners[k][d];
    for (int m = 0; m < 6; ++m)
      el.Coords[3 * (4 + m) + d] = 0.5 * (corners[edge[m][0]][d] + corners[edge[m][1]][d]);
  }
  TH10G15::make_GP_J_B(&el, 1);
  return el;
}

TH10G15::ELEMENT irregular_element() {
  const double corners[4][3] = {{0.1, 1.2, 0.05}, {-0.2, 0.15, 0.9}, {0.0, 0.0, 0.0}, {1.3, -0.1, 0.2}};
  return straight_element(corners);
}

void lame_De(double E, double nu, double* D) {
  const double lambda = E * nu / ((1.0 + nu) * (1.0 - 2.0 * nu)), mu = E / (2.0 * (1.0 + nu));
  // The diagonal: 2 mu for the normal components, mu for the shears.
  for (int i = 0; i < 36; ++i) D[i] = (i % 7 == 0) ? (i < 21 ? 2 : 1) * mu : 0.0;
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) D[6 * i + j] += lambda;
}

void set_elastic_state(TH10G15::ELEMENT* elem, int nE, double E, double nu) {
  for (int e = 0; e < nE; ++e)
    for (GP& g : elem[e].GP) {
      g.E = E, g.nu = nu, g.F = -1.0, lame_De(E, nu, g.De);
      std::fill(g.Dep, g.Dep + 72, 0.0);          // Dep and Dp
      std::fill(g.stress0, g.stress0 + 18, 0.0);  // stress0, stress, dstress
      std::fill(g.strain, g.strain + 12, 0.0);    // strain, dstrain
    }
}

void rotated_stress(std::mt19937& rng, const double p[3], double* s6) {
  std::vector<double> q = random_vector(rng, 4, 1.0);
  const double norm = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  const double w = q[0] / norm, x = q[1] / norm, y = q[2] / norm, z = q[3] / norm;  // a unit quaternion
  const double R[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                          {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                          {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
  const int row[6] = {0, 1, 2, 0, 1, 2}, col[6] = {0, 1, 2, 1, 2, 0};
  for (int k = 0; k < 6; ++k) {
    s6[k] = 0.0;
    for (int a = 0; a < 3; ++a) s6[k] += R[row[k]][a] * p[a] * R[col[k]][a];
  }
}

std::string read_file(const std::string& name) {
  std::ostringstream s;
  s << std::ifstream(name, std::ios::binary).rdbuf();
  return s.str();
}

std::string golden(const std::string& name) {
  return read_file(TH10FEM_SOURCE_DIR "/tests/golden/" + name);
}

void write_file(const std::string& name, const std::string& text) {
  std::remove(name.c_str());  // a new file: rewriting one in place is slow on some file systems
  std::ofstream(name, std::ios::binary) << text;
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
