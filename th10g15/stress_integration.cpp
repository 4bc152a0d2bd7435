// Placeholder: implemented in a later change.
#include "TH10G15.h"

namespace FiniteElementMethod {
void TH10G15::dU_Eps_Sig_RK4(ELEMENT*, int, double*, int) {}
void TH10G15::dU_Eps_Sig_RK4(ELEMENT*, int, double*, int, int, double, int, double) {}
void TH10G15::dU_Eps_Sig_RK4(ELEMENT*, int, double*, int, double*) {}
}  // namespace FiniteElementMethod
