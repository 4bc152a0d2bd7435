// th10run: built without PETSc (and so without MPI), the program is one rank.
#include <stdexcept>

#include "ranks.h"

namespace th10run {

std::shared_ptr<const Ranks> start_ranks(const std::string&, bool) {
  if (launched_size() > 1)
    throw std::runtime_error("this th10run was built without PETSc and MPI: it runs on one process only");
  return single_rank();
}

}  // namespace th10run
