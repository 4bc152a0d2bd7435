// th10run: Broyden's method on top of a stiffness matrix that stays fixed
// over the iterations of an increment (in the form of Kelley, "Iterative
// Methods for Linear and Nonlinear Equations", 1995, ch. 7).
#ifndef TH10RUN_ANALYSIS_BROYDEN_H
#define TH10RUN_ANALYSIS_BROYDEN_H

#include <vector>

#include "system/linear_system.h"

namespace th10run {

class Broyden {
 public:
  // Forgets the steps of the last increment.
  void reset();
  // Turns the plain correction z = K^-1 r into the quasi-Newton step from
  // the earlier steps s_0..s_n of this increment:
  //   z += s_(j+1) (s_j . z) / |s_j|^2 for j < n;  s_(n+1) = z / (1 - s_n . z / |s_n|^2).
  // The history restarts when the update is ill-conditioned or long.
  void accelerate(std::vector<double>& z, const LinearSystem& system);

 private:
  std::vector<std::vector<double>> steps_;
  std::vector<double> step_norm2_, plain_;
};

}  // namespace th10run

#endif
