// Isotropic linear-elastic matrix for stress vectors of 3, 4 or 6 components.
#include "FEM.h"

namespace FiniteElementMethod {

// D is n x n, row-major, in the component order of the stress vector:
//  n = 3: x, y, xy (plane strain);  n = 4: x, y, xy, z;  n = 6: x, y, z, xy, yz, zx.
// Strains carry engineering shears, so the shear diagonal holds the shear
// modulus k (1 - 2 nu) / 2 = E / (2 (1 + nu)). Any other n leaves D all zero.
void FEM::SG_De(int n, double E, double nu, double* D) {
  for (int i = 0; i < n * n; ++i) D[i] = 0.0;
  const double k = E / ((1.0 + nu) * (1.0 - 2.0 * nu));
  const double diag = (1.0 - nu) * k;
  const double off = nu * k;
  const double shear = 0.5 * k * (1.0 - 2.0 * nu);
  if (n == 3) {
    D[0] = diag;
    D[4] = diag;
    D[1] = off;
    D[3] = off;
    D[8] = shear;
  } else if (n == 4) {
    // Normal components at indices 0, 1, 3; the shear at index 2.
    const int normal[3] = {0, 1, 3};
    for (int a = 0; a < 3; ++a)
      for (int b = 0; b < 3; ++b) D[normal[a] * 4 + normal[b]] = (a == b) ? diag : off;
    D[2 * 4 + 2] = shear;
  } else if (n == 6) {
    for (int i = 0; i < 3; ++i)
      for (int j = 0; j < 3; ++j) D[i * 6 + j] = (i == j) ? diag : off;
    D[3 * 6 + 3] = k * (1.0 - 2.0 * nu) / 2.0;
    D[4 * 6 + 4] = k * (1.0 - 2.0 * nu) / 2.0;
    D[5 * 6 + 5] = k * (1.0 - 2.0 * nu) / 2.0;
  }
}

}  // namespace FiniteElementMethod
