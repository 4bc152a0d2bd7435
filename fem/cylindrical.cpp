// Vectors and stresses in axes turned about the global z axis, and principal
// stresses.
//
// Both transforms take the polar angle theta of the point (x, y). A vector is
// resolved along the radial (c, s, 0), tangential (-s, c, 0) and z directions;
// a stress tensor is expressed in the axes (c, -s, 0), (s, c, 0), (0, 0, 1),
// i.e. turned by -theta. The 6-component order is x, y, z, xy, yz, zx with
// tensor (not engineering) shear components.
#include <cmath>

#include "FEM.h"
#include "LA.h"
#include "angles.h"

namespace FiniteElementMethod {

using LinearAlgebra::LA;

namespace {

// Symmetric 3 x 3 tensor (row-major) of a 6-component vector x, y, z, xy, yz, zx.
void tensor_of(const double* v, double* ten9) {
  ten9[0] = v[0];
  ten9[1] = v[3];
  ten9[2] = v[5];
  ten9[3] = v[3];
  ten9[4] = v[1];
  ten9[5] = v[4];
  ten9[6] = v[5];
  ten9[7] = v[4];
  ten9[8] = v[2];
}

// Rotation about z, rows (c, s, 0), (-s, c, 0), (0, 0, 1).
void rotation_z(double c, double s, double* Q) {
  Q[0] = c;
  Q[1] = s;
  Q[2] = 0.0;
  Q[3] = -s;
  Q[4] = c;
  Q[5] = 0.0;
  Q[6] = 0.0;
  Q[7] = 0.0;
  Q[8] = 1.0;
}

}  // namespace

void FEM::Cart2Cyl3(double x, double y, double* input, double* output) {
  const double theta = detail::polar_angle(x, y);
  double Q1[9];
  rotation_z(std::cos(theta), std::sin(theta), Q1);
  // Local copy so that output may be the input array.
  const double v[3] = {input[0], input[1], input[2]};
  LA::MultiplyMV(Q1, 3, v, 3, output);
}

void FEM::Cart2Cyl6(double x, double y, double* input, double* output) {
  const double theta = detail::polar_angle(x, y);
  const double c = std::cos(theta);
  const double s = std::sin(theta);
  double Q1[9];  // rows (c, -s, 0), (s, c, 0), (0, 0, 1)
  double Q2[9];  // its transpose
  rotation_z(c, -s, Q1);
  rotation_z(c, s, Q2);
  // The whole input is read here, before output (possibly the same array) is written.
  double ten9[9];
  tensor_of(input, ten9);
  double temp[9];
  LA::MultiplyMM(Q1, 3, 3, ten9, 3, temp);
  LA::MultiplyMM(temp, 3, 3, Q2, 3, ten9);
  output[0] = ten9[0];
  output[1] = ten9[4];
  output[2] = ten9[8];
  output[3] = ten9[1];
  output[4] = ten9[5];
  output[5] = ten9[2];
}

double FEM::Principal3D(double* stress, double* principal) {
  double M[9];
  tensor_of(stress, M);
  double eM[9];  // eigenvectors, not used
  LA::EigenSymmSystemMsqJ(M, 3, principal, eM);
  // Eigenvalues come largest first: this is the maximum shear stress.
  return (principal[0] - principal[2]) / 2.0;
}

}  // namespace FiniteElementMethod
