// th10run: built without PETSc, the program runs on one process with its
// serial solvers.
#include "linear_system.h"

namespace th10run {

std::unique_ptr<LinearSystem> make_petsc(const Model&, const Constraints&, std::vector<std::pair<int, int>>,
                                         const SolverInput&) {
  throw ProblemError("[solver] type = \"petsc\": this th10run was built without PETSc; use \"sparse\"");
}

}  // namespace th10run
