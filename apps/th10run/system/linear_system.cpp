// th10run: what every backend of the linear system shares.
#include "linear_system.h"

#include <cmath>

namespace th10run {

double LinearSystem::dot(const std::vector<double>& a, const std::vector<double>& b) const {
  double s = 0.0;
  for (size_t i = 0; i < a.size(); ++i) s += a[i] * b[i];
  return s;
}

double LinearSystem::norm(const std::vector<double>& a) const {
  return std::sqrt(dot(a, a));
}

}  // namespace th10run
