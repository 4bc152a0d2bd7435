// Placeholder: implemented in a later change.
#include "TH10G15.h"

namespace FiniteElementMethod {
void TH10G15::make_Fint(ELEMENT*, int, int, double*) {}
}  // namespace FiniteElementMethod
