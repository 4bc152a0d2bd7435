// th10run: built without PETSc (and so without MPI), the program is one rank.
#include "ranks.h"

namespace th10run {

std::shared_ptr<const Ranks> start_ranks(const std::string&) {
  return single_rank();
}

}  // namespace th10run
