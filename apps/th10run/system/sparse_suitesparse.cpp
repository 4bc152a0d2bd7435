// th10run: the sparse backend on the assembled compressed columns: CHOLMOD's
// Cholesky of the upper triangle when every element matrix was symmetric to
// rounding, UMFPACK's LU otherwise.
// A tangent matrix that Cholesky finds not positive definite (a structure
// near collapse) goes to LU, and Cholesky is not tried again on tangent
// matrices: they tend to stay indefinite.
#include <malloc.h>
#include <suitesparse/cholmod.h>
#include <suitesparse/umfpack.h>

#include <algorithm>
#include <climits>

#include "linear_system.h"
#include "threads.h"
#include "timing.h"

namespace th10run {
namespace {

// UMFPACK allocates its LU factors anew at every factorisation. glibc would
// map such large blocks fresh from the kernel and unmap them when freed,
// and every page of them would fault in again the next time: most of the
// program's kernel time. Large blocks come from the heap instead, and freed
// memory stays there for the next factorisation.
void keep_freed_memory() {
  mallopt(M_MMAP_MAX, 0);
  mallopt(M_TRIM_THRESHOLD, INT_MAX);
}

class SparseSuiteSparse : public LinearSystem {
 public:
  SparseSuiteSparse(const Model& m, const Constraints& c, std::vector<std::pair<int, int>> ranges)
      : LinearSystem(m, c, std::move(ranges)), nf_(c.nFree) {
    keep_freed_memory();
    cholmod_start(&cc_);
    cc_.print = 0;
    cc_.error_handler = nullptr;
  }
  ~SparseSuiteSparse() override {
    if (L_) cholmod_free_factor(&L_, &cc_);
    cholmod_finish(&cc_);
    if (numeric_) umfpack_dl_free_numeric(&numeric_);
    if (symbolic_) umfpack_dl_free_symbolic(&symbolic_);
  }

  void factorize() override {
    const auto t0 = Clock::now();
    use_cholmod_ = false;
    if (assembler_.symmetric() && (elastic() || tangent_cholesky_)) use_cholmod_ = cholmod_factor_now();
    if (!use_cholmod_) umfpack_factor_now();
    times_.factor += since(t0);
  }

  void solve(std::vector<double>& b) override {
    const auto t0 = Clock::now();
    if (use_cholmod_) {
      cholmod_dense B = dense_view(b.data());
      cholmod_dense* X = cholmod_solve(CHOLMOD_A, L_, &B, &cc_);
      if (!X) throw SolverError("CHOLMOD could not solve");
      const double* x = static_cast<const double*>(X->x);
      std::copy(x, x + nf_, b.begin());
      cholmod_free_dense(&X, &cc_);
    } else {
      x_.assign(nf_, 0.0);
      double info[UMFPACK_INFO];
      umfpack_dl_solve(UMFPACK_A, Apl_.data(), Ail_.data(), assembler_.Ax().data(), x_.data(), b.data(),
                       numeric_, nullptr, info);
      b.swap(x_);
    }
    times_.solve += since(t0);
  }

  const char* name() const override { return "sparse"; }
  std::string method() const override {
    return use_cholmod_ ? "sparse Cholesky (CHOLMOD)" : "sparse LU (UMFPACK)";
  }

 private:
  // The elastic matrix: a failure to factorise it means the body is free to move.
  bool elastic() const { return tangent_ < 1; }

  cholmod_sparse sparse_view() {
    cholmod_sparse A{};
    A.nrow = A.ncol = nf_;
    A.nzmax = assembler_.Ai().size();
    A.p = const_cast<int*>(assembler_.Ap().data());
    A.i = const_cast<int*>(assembler_.Ai().data());
    A.x = assembler_.Ax().data();
    A.stype = 1;  // symmetric, upper triangle used
    A.itype = CHOLMOD_INT;
    A.xtype = CHOLMOD_REAL;
    A.dtype = CHOLMOD_DOUBLE;
    A.sorted = 1;
    A.packed = 1;
    return A;
  }
  cholmod_dense dense_view(double* b) {
    cholmod_dense B{};
    B.nrow = B.d = B.nzmax = nf_;
    B.ncol = 1;
    B.x = b;
    B.xtype = CHOLMOD_REAL;
    B.dtype = CHOLMOD_DOUBLE;
    return B;
  }

  // Cholesky; false when the matrix is not positive definite. The symbolic
  // analysis is done once and reused.
  bool cholmod_factor_now() {
    cholmod_sparse A = sparse_view();
    if (!L_) {
      L_ = cholmod_analyze(&A, &cc_);
      cholesky_flops_ = cc_.fl;
    }
    if (!L_) throw SolverError("CHOLMOD could not analyse the matrix (out of memory?)");
    const FactorThreads threads(cholesky_flops_);
    const int ok = cholmod_factorize(&A, L_, &cc_);
    if (ok && cc_.status == CHOLMOD_OK && L_->minor == L_->n) {
      if (cholmod_rcond(L_, &cc_) > kSingularPivotRatio) return true;
      if (elastic()) throw SolverError("the stiffness matrix is singular (CHOLMOD)");
    }
    if (!elastic()) tangent_cholesky_ = false;
    return false;
  }

  // UMFPACK with 64-bit indices: its workspace for 3-D meshes of some ten
  // thousand nodes already exceeds what 32-bit indices address. The symbolic
  // analysis is done once and reused.
  void umfpack_factor_now() {
    double info[UMFPACK_INFO];
    const double* Ax = assembler_.Ax().data();
    if (!symbolic_) {
      Apl_.assign(assembler_.Ap().begin(), assembler_.Ap().end());
      Ail_.assign(assembler_.Ai().begin(), assembler_.Ai().end());
      const int st = umfpack_dl_symbolic(nf_, nf_, Apl_.data(), Ail_.data(), Ax, &symbolic_, nullptr, info);
      if (st != UMFPACK_OK)
        throw SolverError("UMFPACK symbolic analysis failed (status " + std::to_string(st) + ")");
      lu_flops_ = info[UMFPACK_FLOPS_ESTIMATE];
    }
    const FactorThreads threads(lu_flops_);
    if (numeric_) umfpack_dl_free_numeric(&numeric_);
    const int st = umfpack_dl_numeric(Apl_.data(), Ail_.data(), Ax, symbolic_, &numeric_, nullptr, info);
    if (st == UMFPACK_OK && !(info[UMFPACK_RCOND] > kSingularPivotRatio))
      throw SolverError("the stiffness matrix is singular (UMFPACK, pivot ratio " +
                        std::to_string(info[UMFPACK_RCOND]) + ")");
    if (st != UMFPACK_OK)
      throw SolverError(st == UMFPACK_WARNING_singular_matrix
                            ? std::string("the stiffness matrix is singular (UMFPACK)")
                            : "UMFPACK factorisation failed (status " + std::to_string(st) + ")");
  }

  int nf_ = 0;
  double cholesky_flops_ = 0.0, lu_flops_ = 0.0;  // per factorisation, from the symbolic analyses
  bool use_cholmod_ = false;
  std::vector<SuiteSparse_long> Apl_, Ail_;
  std::vector<double> x_;
  cholmod_common cc_{};
  cholmod_factor* L_ = nullptr;
  void* symbolic_ = nullptr;
  void* numeric_ = nullptr;
};

}  // namespace

std::unique_ptr<LinearSystem> make_sparse_suitesparse(const Model& m, const Constraints& c,
                                                      std::vector<std::pair<int, int>> ranges) {
  return std::make_unique<SparseSuiteSparse>(m, c, std::move(ranges));
}

}  // namespace th10run
