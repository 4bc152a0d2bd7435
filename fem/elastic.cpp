// Placeholder: implemented in a later change.
#include "TH10G15.h"

namespace FiniteElementMethod {
void FEM::SG_De(int, double, double, double*) {}
}  // namespace FiniteElementMethod
