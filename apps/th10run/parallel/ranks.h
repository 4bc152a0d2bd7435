// th10run: the processes one analysis runs on. A mesh too large for one
// machine is split over several processes (MPI ranks, started by mpirun):
// each rank holds the element records of its part of the mesh and calls
// the library on them, and the ranks meet where the whole is needed: sums
// of the nodal forces that each part contributes, the largest of a value,
// an error that one rank finds. A single process is one rank, for which
// all of this does nothing.
#ifndef TH10RUN_PARALLEL_RANKS_H
#define TH10RUN_PARALLEL_RANKS_H

#include <memory>
#include <string>
#include <vector>

namespace th10run {

// The element graph of a mesh: the elements that share a face with element
// e are neighbours[start[e] .. start[e + 1]).
struct ElementGraph {
  std::vector<int> start, neighbours;
  int size() const { return static_cast<int>(start.size()) - 1; }
};

class Ranks {
 public:
  virtual ~Ranks() = default;
  virtual int rank() const { return 0; }
  virtual int size() const { return 1; }
  bool root() const { return rank() == 0; }

  // Every call below is made by all ranks together, in the same order.
  // Sums each entry over the ranks; every rank receives the sums.
  virtual void sum(std::vector<double>& v) const { (void)v; }
  virtual void sum(std::vector<int>& v) const { (void)v; }
  virtual double max(double x) const { return x; }
  double min(double x) const { return -max(-x); }
  // The message of the lowest rank that has one (empty: no rank has).
  virtual std::string first_message(const std::string& mine) const { return mine; }
  // The rank that owns each element: the graph cut into size() parts of
  // about equal size with few shared faces.
  virtual std::vector<int> partition(const ElementGraph& g) const { return std::vector<int>(g.size(), 0); }
  // Ends every rank's process at once (for an error that only some ranks meet).
  virtual void abort(int code) const { (void)code; }
  // The most memory this process has held so far, in bytes.
  static double peak_memory();
};

// One process on its own.
std::shared_ptr<const Ranks> single_rank();

// The rank that an MPI launcher (mpirun, srun) gave this process, from the
// environment it sets, which is there before MPI starts; 0 without one.
int launched_rank();
// The number of processes the launcher started; 1 without one.
int launched_size();

// The ranks of the program's process group: MPI through PETSc when an MPI
// launcher started the process or PETSc is wanted on a single one, else a
// single rank without MPI. petsc_options: PETSc's own options, such as
// "-ksp_monitor -pc_type hypre", which take precedence over the problem's
// solver settings. Call once; the process group ends when the last copy of
// the pointer goes. Throws std::runtime_error when the launcher started
// several processes and the program is built without PETSc.
std::shared_ptr<const Ranks> start_ranks(const std::string& petsc_options, bool petsc_wanted);

// Throws, on every rank alike, the error that the lowest rank with one met;
// returns when no rank met one. `mine` is this rank's message, or empty.
template <class Error>
void throw_first(const Ranks& ranks, const std::string& mine) {
  const std::string first = ranks.first_message(mine);
  if (!first.empty()) throw Error(first);
}

// The union over the ranks of sets of nodes (out of n): on a single rank
// the set as it is, else every node of any rank's set, in increasing order.
std::vector<int> node_union(const Ranks& ranks, int n, const std::vector<int>& nodes);

}  // namespace th10run

#endif
