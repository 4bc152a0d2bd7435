// Stress samples for the material-model tests: tensors of given principal
// stresses in randomly rotated axes, from a small deterministic generator.
#ifndef TH10FEM_TESTS_MATERIAL_SAMPLES_H
#define TH10FEM_TESTS_MATERIAL_SAMPLES_H

#include <cmath>

namespace th10test {

// Linear congruential generator: uniform doubles in [lo, hi].
class Sampler {
 public:
  explicit Sampler(unsigned seed) : state_(seed) {}
  double uniform(double lo, double hi) {
    state_ = state_ * 1664525u + 1013904223u;
    return lo + (hi - lo) * ((state_ >> 8) / 16777215.0);
  }

  // The stress (x, y, z, xy, yz, zx) with principal values p[0..2] along the
  // axes of a random rotation.
  void rotated_stress(const double p[3], double* s6) {
    double q[4];
    double norm = 0.0;
    for (double& x : q) {
      x = uniform(-1.0, 1.0);
      norm += x * x;
    }
    norm = std::sqrt(norm);
    const double w = q[0] / norm, x = q[1] / norm, y = q[2] / norm, z = q[3] / norm;
    const double R[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)},
                            {2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)},
                            {2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)}};
    double S[3][3];
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j)
        S[i][j] = R[i][0] * p[0] * R[j][0] + R[i][1] * p[1] * R[j][1] + R[i][2] * p[2] * R[j][2];
    s6[0] = S[0][0];
    s6[1] = S[1][1];
    s6[2] = S[2][2];
    s6[3] = S[0][1];
    s6[4] = S[1][2];
    s6[5] = S[2][0];
  }

 private:
  unsigned state_;
};

}  // namespace th10test

#endif
