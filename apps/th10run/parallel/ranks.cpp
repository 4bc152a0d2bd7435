// th10run: a single rank, and what every kind of rank shares.
#include "ranks.h"

#include <sys/resource.h>

#include <cstdlib>

namespace th10run {
namespace {

// The first of the launchers' environment variables that is set (Open MPI,
// then MPICH's and Slurm's PMI), as a number; `otherwise` when none is.
int launcher_variable(const char* const* names, int otherwise) {
  for (const char* const* name = names; *name; ++name)
    if (const char* value = std::getenv(*name)) return std::atoi(value);
  return otherwise;
}

}  // namespace

int launched_rank() {
  static const char* const names[] = {"OMPI_COMM_WORLD_RANK", "PMI_RANK", "PMIX_RANK", nullptr};
  return launcher_variable(names, 0);
}

int launched_size() {
  static const char* const names[] = {"OMPI_COMM_WORLD_SIZE", "PMI_SIZE", nullptr};
  return launcher_variable(names, 1);
}

double Ranks::peak_memory() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return 1024.0 * static_cast<double>(u.ru_maxrss);  // kilobytes on Linux
}

std::shared_ptr<const Ranks> single_rank() {
  return std::make_shared<Ranks>();
}

std::vector<int> node_union(const Ranks& ranks, int n, const std::vector<int>& nodes) {
  if (ranks.size() == 1) return nodes;
  std::vector<int> in(n, 0);
  for (int i : nodes) in[i] = 1;
  ranks.sum(in);
  std::vector<int> out;
  for (int i = 0; i < n; ++i)
    if (in[i] > 0) out.push_back(i);
  return out;
}

}  // namespace th10run
