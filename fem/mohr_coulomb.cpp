// Placeholder: implemented in a later change.
#include "TH10G15.h"

namespace FiniteElementMethod {
double FEM::MC_SG_F(double*, int, double, double) { return 0.0; }
double FEM::MC_SG_F_Phi(double*, int, double, double, double) { return 0.0; }
void FEM::MC_SG_Qder(double*, int, double, double*) {}
}  // namespace FiniteElementMethod
