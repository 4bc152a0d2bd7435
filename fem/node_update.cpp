// Displacements, forces and rotation angle of the node records.
#include <cmath>

#include "FEM.h"
#include "angles.h"

namespace FiniteElementMethod {

namespace {

// Angle in [-pi/2, 3pi/2) by which the displaced position (x + u0, y + u1)
// has turned about the z axis from the initial position (x, y).
double turn_angle(const FEM::NODE& node) {
  const double a0 = detail::node_angle(node.x, node.y);
  const double X = node.x + node.u[0];
  const double Y = node.y + node.u[1];
  const double c = std::cos(a0);
  const double s = std::sin(a0);
  // Displaced position turned back by a0.
  const double x1 = X * c + Y * s;
  const double x2 = Y * c - X * s;
  return detail::node_angle(x1, x2);
}

}  // namespace

void FEM::Update_Nodes(NODE* nodes, int nNodes, double* U, double* F) {
  for (int i = 0; i < nNodes; ++i) {
    NODE& node = nodes[i];
    for (int k = 0; k < 3; ++k) node.u[k] = U[node.DoF[k]];
    for (int k = 0; k < 3; ++k) node.f[k] = F[node.DoF[k]];
    node.theta = (node.cyl > 0.0) ? turn_angle(node) : 0.0;
  }
}

}  // namespace FiniteElementMethod
