// th10run: the dense backend. The free-free block is copied into a dense
// column-major matrix and factorised by LAPACK: Cholesky of the lower
// triangle when every element matrix was symmetric to rounding, LU
// otherwise (and when Cholesky finds the matrix not positive definite). For
// meshes of up to some thousand nodes.
#include <lapacke.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "linear_system.h"
#include "threads.h"
#include "timing.h"

namespace th10run {
namespace {

class DenseLapack : public LinearSystem {
 public:
  DenseLapack(const Model& m, const Constraints& c, std::vector<std::pair<int, int>> ranges)
      : LinearSystem(m, c, std::move(ranges)), nf_(c.nFree) {
    A_.assign(static_cast<size_t>(nf_) * nf_, 0.0);
    ipiv_.assign(nf_, 0);
  }

  void factorize() override {
    load_dense();
    const auto t0 = Clock::now();
    lapack_int info = 1;
    cholesky_ = false;
    const FactorThreads threads(std::pow(static_cast<double>(nf_), 3) / 3);
    if (assembler_.symmetric()) {
      // Cholesky on a copy, since a failure leaves the matrix half overwritten.
      L_ = A_;
      info = LAPACKE_dpotrf_work(LAPACK_COL_MAJOR, 'L', nf_, L_.data(), nf_);
      cholesky_ = info == 0;
    }
    if (!cholesky_) {
      L_ = A_;
      info = LAPACKE_dgetrf_work(LAPACK_COL_MAJOR, nf_, nf_, L_.data(), nf_, ipiv_.data());
    }
    times_.factor += since(t0);
    // Rounding leaves a free rigid-body mode a tiny pivot rather than a zero one.
    double lo = HUGE_VAL, hi = 0.0;
    for (int i = 0; i < nf_; ++i) {
      double d = std::fabs(L_[static_cast<size_t>(i) * nf_ + i]);
      if (cholesky_) d *= d;
      lo = std::min(lo, d);
      hi = std::max(hi, d);
    }
    if (info != 0 || !(lo > kSingularPivotRatio * hi))
      throw SolverError("the stiffness matrix is singular (LAPACK, pivot ratio " + std::to_string(lo / hi) +
                        ")");
  }

  void solve(std::vector<double>& b) override {
    const auto t0 = Clock::now();
    if (cholesky_)
      LAPACKE_dpotrs_work(LAPACK_COL_MAJOR, 'L', nf_, 1, L_.data(), nf_, b.data(), nf_);
    else
      LAPACKE_dgetrs_work(LAPACK_COL_MAJOR, 'N', nf_, 1, L_.data(), nf_, ipiv_.data(), b.data(), nf_);
    times_.solve += since(t0);
  }

  const char* name() const override { return "dense"; }
  // Summed row by row over the assembled coupling block, as a dense matrix-vector product.
  const std::vector<double>& kfp_target() override { return assembler_.kfp_target_by_rows(); }
  std::string method() const override { return cholesky_ ? "dense Cholesky (LAPACK)" : "dense LU (LAPACK)"; }

 private:
  // A(i, j), column-major, from the assembled compressed columns.
  void load_dense() {
    const auto t0 = Clock::now();
    std::fill(A_.begin(), A_.end(), 0.0);
    const std::vector<int>& Ap = assembler_.Ap();
    const std::vector<int>& Ai = assembler_.Ai();
    const std::vector<double>& Ax = assembler_.Ax();
    for (int j = 0; j < nf_; ++j) {
      double* col = A_.data() + static_cast<size_t>(j) * nf_;
      for (int k = Ap[j]; k < Ap[j + 1]; ++k) col[Ai[k]] = Ax[k];
    }
    times_.assembly += since(t0);
  }

  int nf_ = 0;
  std::vector<double> A_, L_;
  std::vector<lapack_int> ipiv_;
  bool cholesky_ = false;
};

}  // namespace

std::unique_ptr<LinearSystem> make_dense_lapack(const Model& m, const Constraints& c,
                                                std::vector<std::pair<int, int>> ranges) {
  const std::int64_t n = 3 * static_cast<std::int64_t>(m.nNodes());
  if (n * n >= INT32_MAX)
    throw SolverError("the mesh is too large for the dense solver (3 x nodes squared must stay below 2^31)");
  return std::make_unique<DenseLapack>(m, c, std::move(ranges));
}

}  // namespace th10run
