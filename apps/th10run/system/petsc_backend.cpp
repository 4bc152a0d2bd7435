// th10run: the distributed backend, through PETSc. Every rank assembles the
// element matrices of its own elements (the shared assembler, in the free
// equations' numbering) and adds them into one matrix spread over the
// ranks by rows, PETSc sending the rows that other ranks hold to them.
//
// The unknowns are all three displacements of every node, so that the
// matrix has 3 x 3 blocks (what algebraic multigrid for elasticity wants);
// a constrained degree of freedom keeps a unit diagonal and no coupling,
// its right side is zero. Rank p holds the rows of its nodes, which the
// model numbers rank by rank. The vectors the analysis works with are
// whole on every rank: the right side is read from the rank's own rows, the
// solution gathered to all.
//
// Solvers: MUMPS's Cholesky (symmetric matrices, also indefinite ones) or
// LU, with null-pivot detection, so that a body the supports do not hold
// is found; or CG (the elastic matrix) or GMRES (tangents, which may be
// indefinite even where they are symmetric) with PETSc's smoothed
// aggregation multigrid GAMG, given the six rigid-body modes of the nodes
// as its near null space. PETSc's command-line options (-ksp_*, -pc_*,
// -mat_mumps_*) come after the problem's settings and override them.
#include <petscksp.h>

#include <algorithm>
#include <string>

#include "element_geometry.h"
#include "linear_system.h"
#include "timing.h"

namespace th10run {
namespace {

constexpr int kBlock = 3;  // displacements per node

// MUMPS's controls: null-pivot detection (1: on); the workspace beyond its
// estimate, in percent (its default is 20 to 35).
constexpr int kMumpsNullPivotDetection = 24;
constexpr int kMumpsWorkspaceRelaxation = 14;
constexpr int kMumpsRelaxation = 35, kMumpsMaxRelaxation = 400;
// MUMPS's results: the error (INFOG(1) < 0, INFOG(2) its detail), the
// workspace error, the count of null pivots.
constexpr int kMumpsError = 1;
constexpr int kMumpsWorkspaceTooSmall = -9;
constexpr int kMumpsNullPivots = 28;

void check(PetscErrorCode code, const std::string& what) {
  if (code != 0) throw SolverError("PETSc: " + what + " failed (error " + std::to_string(code) + ")");
}

class PetscSystem : public LinearSystem {
 public:
  PetscSystem(const Model& m, const Constraints& c, std::vector<std::pair<int, int>> ranges,
              const SolverInput& s)
      : LinearSystem(m, c, ranges), con_(c), ranks_(*m.part.ranks), settings_(s) {
    const int me = ranks_.rank();
    lo_ = kBlock * m.part.node_start[me];
    hi_ = kBlock * m.part.node_start[me + 1];
    dof_of_eq_.assign(c.nFree, 0);
    for (int i = 0; i < m.nDofs(); ++i)
      if (c.eq[i] >= 0) dof_of_eq_[c.eq[i]] = i;
    create_matrix(m, ranges);
    check(MatCreateVecs(A_, &x_, &b_), "creating vectors");
    check(VecScatterCreateToAll(x_, &to_all_, &x_all_), "creating the gather");
    set_near_null_space(m);
    check(KSPCreate(PETSC_COMM_WORLD, &ksp_), "creating the solver");
  }
  ~PetscSystem() override {
    KSPDestroy(&ksp_);
    VecScatterDestroy(&to_all_);
    VecDestroy(&x_all_);
    VecDestroy(&x_);
    VecDestroy(&b_);
    MatDestroy(&A_);
  }

  void factorize() override {
    load_matrix();
    std::vector<int> symmetric = {assembler_.symmetric() ? 0 : 1};
    ranks_.sum(symmetric);
    symmetric_ = symmetric[0] == 0;
    const auto t0 = Clock::now();
    // MUMPS's workspace comes from estimates that its parallel analysis can
    // miss: a factorisation that runs out of it is redone with more.
    for (int relaxation = kMumpsRelaxation;; relaxation *= 2) {
      check(KSPSetOperators(ksp_, A_, A_), "setting the matrix");
      PC pc;
      check(KSPGetPC(ksp_, &pc), "the preconditioner");
      if (settings_.method == SolverMethod::Direct)
        set_direct(pc, relaxation);
      else
        set_iterative(pc, symmetric_ && tangent_ == 0 ? KSPCG : KSPGMRES);
      check(KSPSetFromOptions(ksp_), "reading the solver options");
      const PetscErrorCode setup = KSPSetUp(ksp_);
      if (setup != 0)
        throw SolverError("the stiffness matrix is singular (PETSc: " + setup_failure(pc) + ")");
      if (settings_.method == SolverMethod::Iterative) break;
      const PetscInt error = mumps_info(pc, kMumpsError);
      if (error == kMumpsWorkspaceTooSmall && relaxation < kMumpsMaxRelaxation) {
        KSPReset(ksp_);
        continue;
      }
      if (error < 0)
        throw SolverError("MUMPS could not factorise the matrix (INFOG(1) = " + std::to_string(error) +
                          ", INFOG(2) = " + std::to_string(mumps_info(pc, kMumpsError + 1)) + ")");
      if (const PetscInt nulls = mumps_info(pc, kMumpsNullPivots); nulls > 0)
        throw SolverError("the stiffness matrix is singular (MUMPS, " + std::to_string(nulls) +
                          " null pivots)");
      break;
    }
    times_.factor += since(t0);
  }

  void solve(std::vector<double>& b) override {
    const auto t0 = Clock::now();
    PetscScalar* rhs = nullptr;
    check(VecGetArray(b_, &rhs), "the right side");
    for (int i = lo_; i < hi_; ++i) rhs[i - lo_] = con_.eq[i] >= 0 ? b[con_.eq[i]] : 0.0;
    check(VecRestoreArray(b_, &rhs), "the right side");
    check(KSPSolve(ksp_, b_, x_), "solving");
    KSPConvergedReason reason;
    PetscInt its = 0;
    KSPGetConvergedReason(ksp_, &reason);
    KSPGetIterationNumber(ksp_, &its);
    if (reason == KSP_DIVERGED_INDEFINITE_MAT || reason == KSP_DIVERGED_INDEFINITE_PC) {
      // CG meets an indefinite tangent (a structure near collapse): GMRES
      // takes over until the next factorisation.
      KSPSetType(ksp_, KSPGMRES);
      check(KSPSolve(ksp_, b_, x_), "solving");
      KSPGetConvergedReason(ksp_, &reason);
      PetscInt more = 0;
      KSPGetIterationNumber(ksp_, &more);
      its += more;
    }
    if (settings_.method == SolverMethod::Iterative) iterations_ += static_cast<int>(its);
    if (reason < 0)
      throw SolverError(
          "the linear solver did not converge (PETSc: " + std::string(KSPConvergedReasons[reason]) +
          " after " + std::to_string(its) + " iterations)");
    check(VecScatterBegin(to_all_, x_, x_all_, INSERT_VALUES, SCATTER_FORWARD), "gathering the solution");
    check(VecScatterEnd(to_all_, x_, x_all_, INSERT_VALUES, SCATTER_FORWARD), "gathering the solution");
    const PetscScalar* x = nullptr;
    check(VecGetArrayRead(x_all_, &x), "the solution");
    for (size_t j = 0; j < dof_of_eq_.size(); ++j) b[j] = x[dof_of_eq_[j]];
    VecRestoreArrayRead(x_all_, &x);
    times_.solve += since(t0);
  }

  const char* name() const override { return "petsc"; }
  // What PETSc ran, options included: "preonly + cholesky (mumps)", "gmres + gamg".
  std::string method() const override {
    KSPType ksp = nullptr;
    PCType pc = nullptr;
    PC p;
    KSPGetType(ksp_, &ksp);
    KSPGetPC(ksp_, &p);
    PCGetType(p, &pc);
    MatSolverType factor = nullptr;
    PCFactorGetMatSolverType(p, &factor);
    return std::string(ksp ? ksp : "?") + " + " + (pc ? pc : "?") +
           (factor ? std::string(" (") + factor + ")" : "") + ", PETSc on " + std::to_string(ranks_.size()) +
           (ranks_.size() > 1 ? " ranks" : " rank");
  }
  int linear_iterations() const override { return iterations_; }

  // Each rank's elements couple to the prescribed displacements: the sum.
  const std::vector<double>& kfp_target() override {
    kfp_ = assembler_.kfp_target();
    ranks_.sum(kfp_);
    return kfp_;
  }

 private:
  // The matrix, preallocated from the 3 x 3 blocks that the rank's
  // elements couple; the diagonal of every row is among them.
  void create_matrix(const Model& m, const std::vector<std::pair<int, int>>& ranges) {
    const PetscInt n = m.nDofs(), local = hi_ - lo_;
    Mat pattern;
    check(MatCreate(PETSC_COMM_WORLD, &pattern), "creating the pattern");
    check(MatSetSizes(pattern, local, local, n, n), "sizing the pattern");
    check(MatSetBlockSize(pattern, kBlock), "sizing the pattern");
    check(MatSetType(pattern, MATPREALLOCATOR), "creating the pattern");
    check(MatSetUp(pattern), "creating the pattern");
    std::vector<PetscScalar> zeros(tet10::kMatrixSize, 0.0);
    for (const auto& [first, count] : ranges)
      for (int e = first; e < first + count; ++e) {
        PetscInt nodes[tet10::kNodes];
        std::copy(m.elems[e].Node_ID, m.elems[e].Node_ID + tet10::kNodes, nodes);
        check(MatSetValuesBlocked(pattern, tet10::kNodes, nodes, tet10::kNodes, nodes, zeros.data(),
                                  ADD_VALUES),
              "the pattern");
      }
    for (PetscInt i = lo_ / kBlock; i < hi_ / kBlock; ++i)  // nodes of no active element too
      check(MatSetValuesBlocked(pattern, 1, &i, 1, &i, zeros.data(), ADD_VALUES), "the pattern");
    check(MatAssemblyBegin(pattern, MAT_FINAL_ASSEMBLY), "the pattern");
    check(MatAssemblyEnd(pattern, MAT_FINAL_ASSEMBLY), "the pattern");
    check(MatCreate(PETSC_COMM_WORLD, &A_), "creating the matrix");
    check(MatSetSizes(A_, local, local, n, n), "sizing the matrix");
    check(MatSetBlockSize(A_, kBlock), "sizing the matrix");
    check(MatSetType(A_, MATAIJ), "creating the matrix");
    check(MatSetFromOptions(A_), "reading the matrix options");
    check(MatPreallocatorPreallocate(pattern, PETSC_TRUE, A_), "preallocating the matrix");
    MatDestroy(&pattern);
  }

  // The rank's share of the free-free block, as the assembler left it, and
  // the unit diagonal of its constrained rows.
  void load_matrix() {
    const auto t0 = Clock::now();
    check(MatZeroEntries(A_), "clearing the matrix");
    const std::vector<int>& Ap = assembler_.Ap();
    const std::vector<int>& Ai = assembler_.Ai();
    const std::vector<double>& Ax = assembler_.Ax();
    std::vector<PetscInt> rows;
    for (size_t j = 0; j + 1 < Ap.size(); ++j) {
      if (Ap[j + 1] == Ap[j]) continue;
      rows.resize(Ap[j + 1] - Ap[j]);
      for (int k = Ap[j]; k < Ap[j + 1]; ++k) rows[k - Ap[j]] = dof_of_eq_[Ai[k]];
      const PetscInt col = dof_of_eq_[j];
      check(MatSetValues(A_, static_cast<PetscInt>(rows.size()), rows.data(), 1, &col, Ax.data() + Ap[j],
                         ADD_VALUES),
            "adding to the matrix");
    }
    for (PetscInt i = lo_; i < hi_; ++i)
      if (con_.eq[i] < 0) check(MatSetValue(A_, i, i, 1.0, ADD_VALUES), "adding to the matrix");
    check(MatAssemblyBegin(A_, MAT_FINAL_ASSEMBLY), "assembling the matrix");
    check(MatAssemblyEnd(A_, MAT_FINAL_ASSEMBLY), "assembling the matrix");
    times_.assembly += since(t0);
  }

  // The translations and rotations of the rank's nodes, for the multigrid's coarse spaces.
  void set_near_null_space(const Model& m) {
    Vec xyz;
    check(VecDuplicate(x_, &xyz), "the coordinates");
    PetscScalar* v = nullptr;
    check(VecGetArray(xyz, &v), "the coordinates");
    for (int i = lo_ / kBlock; i < hi_ / kBlock; ++i) {
      const FEM::NODE& n = m.nodes[i];
      PetscScalar* p = v + kBlock * i - lo_;
      p[0] = n.x;
      p[1] = n.y;
      p[2] = n.z;
    }
    check(VecRestoreArray(xyz, &v), "the coordinates");
    MatNullSpace modes;
    check(MatNullSpaceCreateRigidBody(xyz, &modes), "the rigid-body modes");
    check(MatSetNearNullSpace(A_, modes), "the rigid-body modes");
    MatNullSpaceDestroy(&modes);
    VecDestroy(&xyz);
  }

  void set_direct(PC pc, int relaxation) {
    check(KSPSetType(ksp_, KSPPREONLY), "the direct solver");
    check(PCSetType(pc, symmetric_ ? PCCHOLESKY : PCLU), "the direct solver");
    check(PCFactorSetMatSolverType(pc, MATSOLVERMUMPS), "MUMPS");
    check(PCFactorSetUpMatSolverType(pc), "MUMPS");
    Mat factor;
    check(PCFactorGetMatrix(pc, &factor), "MUMPS");
    check(MatMumpsSetIcntl(factor, kMumpsNullPivotDetection, 1), "MUMPS");
    check(MatMumpsSetIcntl(factor, kMumpsWorkspaceRelaxation, relaxation), "MUMPS");
  }

  void set_iterative(PC pc, KSPType type) {
    check(KSPSetType(ksp_, type), "the Krylov method");
    check(PCSetType(pc, PCGAMG), "the multigrid");
    check(KSPSetTolerances(ksp_, settings_.rtol, PETSC_DEFAULT, PETSC_DEFAULT, kMaxIterations), "tolerances");
    check(KSPSetNormType(ksp_, KSP_NORM_UNPRECONDITIONED), "the residual norm");
    if (type == std::string(KSPGMRES)) {
      check(KSPSetPCSide(ksp_, PC_RIGHT), "GMRES");
      check(KSPGMRESSetRestart(ksp_, kGmresRestart), "GMRES");
    }
  }

  // One of MUMPS's global results, INFOG(i).
  static PetscInt mumps_info(PC pc, int i) {
    Mat factor;
    PetscInt value = 0;
    check(PCFactorGetMatrix(pc, &factor), "MUMPS");
    check(MatMumpsGetInfog(factor, i, &value), "MUMPS");
    return value;
  }

  static std::string setup_failure(PC pc) {
    PCFailedReason why = PC_NOERROR;
    PCGetFailedReason(pc, &why);
    return why == PC_NOERROR ? "the solver set-up failed" : PCFailedReasons[why];
  }

  static constexpr PetscInt kMaxIterations = 10000;
  // Krylov vectors GMRES keeps: the tangents of a body near collapse need
  // many (with the default 30 they stall), each costs a vector of the rank's rows.
  static constexpr PetscInt kGmresRestart = 100;

  const Constraints& con_;
  const Ranks& ranks_;
  SolverInput settings_;
  int lo_ = 0, hi_ = 0;         // the rank's rows: dofs lo_ .. hi_ - 1
  std::vector<int> dof_of_eq_;  // the dof of each free equation
  std::vector<double> kfp_;
  bool symmetric_ = true;
  int iterations_ = 0;
  Mat A_ = nullptr;
  Vec x_ = nullptr, b_ = nullptr, x_all_ = nullptr;
  VecScatter to_all_ = nullptr;
  KSP ksp_ = nullptr;
};

}  // namespace

std::unique_ptr<LinearSystem> make_petsc(const Model& m, const Constraints& c,
                                         std::vector<std::pair<int, int>> ranges, const SolverInput& s) {
  return std::make_unique<PetscSystem>(m, c, std::move(ranges), s);
}

}  // namespace th10run
