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

// Component of the 6-component vector (x, y, z, xy, yz, zx) at each entry of
// the symmetric 3 x 3 tensor (row-major), and the entry of each component.
const int kVectorOfTensor[9] = {0, 3, 5, 3, 1, 4, 5, 4, 2};
const int kTensorOfVector[6] = {0, 4, 8, 1, 5, 2};

// Symmetric 3 x 3 tensor of a 6-component vector.
void tensor_of(const double* v, double* ten9) {
  for (int i = 0; i < 9; ++i) ten9[i] = v[kVectorOfTensor[i]];
}

// The 6-component vector of a symmetric 3 x 3 tensor.
void vector_of(const double* ten9, double* v) {
  for (int k = 0; k < 6; ++k) v[k] = ten9[kTensorOfVector[k]];
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
  vector_of(ten9, output);
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
