// Placeholder: implemented in a later change.
#include "TH10G15.h"

namespace FiniteElementMethod {
void FEM::Update_Nodes(NODE*, int, double*, double*) {}
}  // namespace FiniteElementMethod
