// Angle rules shared by the cylindrical transforms and the node update.
#include "angles.h"

#include <cmath>

namespace FiniteElementMethod {
namespace detail {

double polar_angle(double x, double y) {
  if (x != 0.0) {
    double theta = std::atan(y / x);
    if (x < 0.0) theta += (y >= 0.0) ? kPi : -kPi;
    return theta;
  }
  if (y > 0.0) return kHalfPi;
  if (y < 0.0) return -kHalfPi;
  return 0.0;
}

double node_angle(double x, double y) {
  if (std::fabs(x) < 1e-10) return (y > 0.0) ? kHalfPi : -kHalfPi;
  const double theta = std::atan(y / x);
  return (x < 0.0) ? theta + kPi : theta;
}

}  // namespace detail
}  // namespace FiniteElementMethod
