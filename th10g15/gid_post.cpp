// Placeholder: implemented in a later change.
#include "TH10G15.h"

namespace FiniteElementMethod {
int TH10G15::save_GID(char*, FEM::NODE*, int, ELEMENT*, int) { return -1; }
int TH10G15::update_GID(char*, ELEMENT*, int, int, double*, double*, int) { return -1; }
}  // namespace FiniteElementMethod
