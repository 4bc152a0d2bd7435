// Placeholder: implemented in a later change.
#include "TH10G15.h"

namespace FiniteElementMethod {
void FEM::Cart2Cyl6(double, double, double*, double*) {}
void FEM::Cart2Cyl3(double, double, double*, double*) {}
double FEM::Principal3D(double*, double*) { return 0.0; }
}  // namespace FiniteElementMethod
