// Placeholder: implemented in a later change.
#include "TH10G15.h"

namespace FiniteElementMethod {
void TH10G15::update_Phi_F_D(ELEMENT*, int, double, int, double) {}
void TH10G15::update_Strain_Stress(ELEMENT*, int) {}
}  // namespace FiniteElementMethod
