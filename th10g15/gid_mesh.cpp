// Placeholder: implemented in a later change.
#include "TH10G15.h"

namespace FiniteElementMethod {
int TH10G15::CA(int) { return -1; }
int TH10G15::GID_mesh(char*, FEM::NODE*, int&, ELEMENT*, int&) { return -1; }
int TH10G15::GID_mesh_count(char*, int&, int&) { return -1; }
}  // namespace FiniteElementMethod
