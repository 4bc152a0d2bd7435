// Placeholder: implemented in a later change.
#include "TH10G15.h"

namespace FiniteElementMethod {
void FEM::MC_SG_Dep(double*, int, double, double, double, double*, double*, double*) {}
}  // namespace FiniteElementMethod
