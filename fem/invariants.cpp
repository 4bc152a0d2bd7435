// Placeholder: implemented in a later change.
#include "TH10G15.h"

namespace FiniteElementMethod {
void FEM::SG_SigInv(double*, int, double&, double&, double&) {}
void FEM::PZ_SigInv(double*, int, double&, double&, double&) {}
}  // namespace FiniteElementMethod
