// th10run: the ranks of an MPI process group, through PETSc: reductions
// with MPI, the mesh partition by a graph partitioner that PETSc offers
// (PT-Scotch in Debian's PETSc; -mat_partitioning_type chooses another).
#include <petscmat.h>

#include <algorithm>
#include <stdexcept>

#include "ranks.h"

namespace th10run {
namespace {

void check(PetscErrorCode code, const char* what) {
  if (code != 0)
    throw std::runtime_error(std::string("PETSc: ") + what + " failed (error " +
                             std::to_string(static_cast<int>(code)) + ")");
}

class MpiRanks : public Ranks {
 public:
  explicit MpiRanks(const std::string& options) {
    check(PetscInitializeNoArguments(), "initialisation");
    // PETSc's errors come back as codes, which the program turns into its own messages.
    PetscPushErrorHandler(PetscReturnErrorHandler, nullptr);
    check(PetscOptionsInsertString(nullptr, options.c_str()), "reading the PETSc options");
    MPI_Comm_rank(PETSC_COMM_WORLD, &rank_);
    MPI_Comm_size(PETSC_COMM_WORLD, &size_);
  }
  ~MpiRanks() override { PetscFinalize(); }
  MpiRanks(const MpiRanks&) = delete;
  MpiRanks& operator=(const MpiRanks&) = delete;

  int rank() const override { return rank_; }
  int size() const override { return size_; }

  void sum(std::vector<double>& v) const override {
    MPI_Allreduce(MPI_IN_PLACE, v.data(), static_cast<int>(v.size()), MPI_DOUBLE, MPI_SUM, PETSC_COMM_WORLD);
  }
  void sum(std::vector<int>& v) const override {
    MPI_Allreduce(MPI_IN_PLACE, v.data(), static_cast<int>(v.size()), MPI_INT, MPI_SUM, PETSC_COMM_WORLD);
  }
  double max(double x) const override {
    MPI_Allreduce(MPI_IN_PLACE, &x, 1, MPI_DOUBLE, MPI_MAX, PETSC_COMM_WORLD);
    return x;
  }

  std::string first_message(const std::string& mine) const override {
    int who = mine.empty() ? size_ : rank_;
    MPI_Allreduce(MPI_IN_PLACE, &who, 1, MPI_INT, MPI_MIN, PETSC_COMM_WORLD);
    if (who == size_) return "";
    std::string text = mine;
    int length = static_cast<int>(text.size());
    MPI_Bcast(&length, 1, MPI_INT, who, PETSC_COMM_WORLD);
    text.resize(length);
    MPI_Bcast(text.data(), length, MPI_CHAR, who, PETSC_COMM_WORLD);
    return text;
  }

  // Each rank hands the partitioner an even share of the graph's rows (the
  // graph is known to every rank); the owners come back for the rows of
  // every rank.
  std::vector<int> partition(const ElementGraph& g) const override {
    const int n = g.size();
    const int lo = static_cast<int>(static_cast<long long>(n) * rank_ / size_);
    const int hi = static_cast<int>(static_cast<long long>(n) * (rank_ + 1) / size_);
    PetscInt *ia = nullptr, *ja = nullptr;  // the adjacency matrix takes them over
    const int first = g.start[lo], count = g.start[hi] - first;
    check(PetscMalloc1(hi - lo + 1, &ia), "allocation");
    check(PetscMalloc1(std::max(count, 1), &ja), "allocation");
    for (int e = lo; e <= hi; ++e) ia[e - lo] = g.start[e] - first;
    std::copy(g.neighbours.begin() + first, g.neighbours.begin() + first + count, ja);
    Mat adjacency;
    MatPartitioning part;
    IS mine, all;
    check(MatCreateMPIAdj(PETSC_COMM_WORLD, hi - lo, n, ia, ja, nullptr, &adjacency), "the element graph");
    check(MatPartitioningCreate(PETSC_COMM_WORLD, &part), "the partitioner");
    check(MatPartitioningSetAdjacency(part, adjacency), "the partitioner");
    check(MatPartitioningSetNParts(part, size_), "the partitioner");
#if defined(PETSC_HAVE_PTSCOTCH)
    check(MatPartitioningSetType(part, MATPARTITIONINGPTSCOTCH), "PT-Scotch");
#endif
    check(MatPartitioningSetFromOptions(part), "the partitioner's options");
    check(MatPartitioningApply(part, &mine), "partitioning the mesh");
    check(ISAllGather(mine, &all), "gathering the partition");
    const PetscInt* owner = nullptr;
    check(ISGetIndices(all, &owner), "the partition");
    std::vector<int> out(owner, owner + n);
    ISRestoreIndices(all, &owner);
    ISDestroy(&all);
    ISDestroy(&mine);
    MatPartitioningDestroy(&part);
    MatDestroy(&adjacency);
    return out;
  }

  void abort(int code) const override {
    MPI_Abort(PETSC_COMM_WORLD, code);
  }

 private:
  int rank_ = 0, size_ = 1;
};

}  // namespace

std::shared_ptr<const Ranks> start_ranks(const std::string& petsc_options, bool petsc_wanted) {
  if (!petsc_wanted && launched_size() == 1 && launched_rank() == 0) return single_rank();
  return std::make_shared<MpiRanks>(petsc_options);
}

}  // namespace th10run
