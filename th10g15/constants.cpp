// The two exported constants are real data symbols of the shared library, so
// a host that resolves symbols at run time finds them like the routines.
#include "TH10G15.h"

namespace FiniteElementMethod {

const int TH10G15::nG;
const int TH10G15::nN;

}  // namespace FiniteElementMethod
