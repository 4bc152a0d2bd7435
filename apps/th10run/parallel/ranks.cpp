// th10run: a single rank, and what every kind of rank shares.
#include "ranks.h"

#include <sys/resource.h>

namespace th10run {

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
