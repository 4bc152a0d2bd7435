// th10run: Broyden's updates of the corrections of a fixed matrix.
#include "broyden.h"

#include <cmath>

namespace th10run {
namespace {

// Broyden steps kept before the history restarts.
constexpr size_t kHistory = 40;

}  // namespace

void Broyden::reset() {
  steps_.clear();
  step_norm2_.clear();
}

void Broyden::accelerate(std::vector<double>& z, const LinearSystem& system) {
  if (!steps_.empty()) {
    plain_ = z;
    const size_t n = steps_.size() - 1;
    for (size_t j = 0; j < n; ++j) {
      const double a = system.dot(steps_[j], z) / step_norm2_[j];
      const std::vector<double>& next = steps_[j + 1];
      for (size_t i = 0; i < z.size(); ++i) z[i] += a * next[i];
    }
    const double denom = 1.0 - system.dot(steps_[n], z) / step_norm2_[n];
    if (!(std::fabs(denom) > 0.1) || steps_.size() >= kHistory) {
      z.swap(plain_);
      reset();
    } else {
      for (double& x : z) x /= denom;
    }
  }
  steps_.push_back(z);
  step_norm2_.push_back(system.dot(z, z));
  if (step_norm2_.back() == 0.0) reset();
}

}  // namespace th10run
