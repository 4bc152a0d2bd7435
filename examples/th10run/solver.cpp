// th10run: dense (LAPACK) and sparse (CHOLMOD, UMFPACK) solution of the
// stiffness equations of the free degrees of freedom.
#include "solver.h"

#include <suitesparse/cholmod.h>
#include <suitesparse/umfpack.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <sstream>

// LAPACK (Fortran calling convention, column-major; the trailing lengths are
// the hidden lengths of the character arguments).
extern "C" {
void dgetrf_(const int* m, const int* n, double* a, const int* lda, int* ipiv, int* info);
void dgetrs_(const char* trans, const int* n, const int* nrhs, const double* a, const int* lda,
             const int* ipiv, double* b, const int* ldb, int* info, size_t trans_len);
void dpotrf_(const char* uplo, const int* n, double* a, const int* lda, int* info, size_t uplo_len);
void dpotrs_(const char* uplo, const int* n, const int* nrhs, const double* a, const int* lda, double* b,
             const int* ldb, int* info, size_t uplo_len);
}

namespace th10run {
namespace {

using Clock = std::chrono::steady_clock;

// Smallest accepted ratio of the smallest to the largest pivot (diagonal of
// U, or squared diagonal of the Cholesky factor): below it the matrix is
// taken as singular, as a body free to move as a rigid body is.
constexpr double kSingular = 1e-13;
double since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// A tangent matrix uses the (in general unsymmetric) elasto-plastic matrix
// only at points with F >= 0: without them it is the symmetric elastic one.
bool any_yielding(const std::vector<TH10G15::ELEMENT>& elems) {
  for (const TH10G15::ELEMENT& el : elems)
    for (const TH10G15::GAUSSPOINT& g : el.GP)
      if (!(g.F < 0.0)) return true;
  return false;
}

// ---------------------------------------------------------------------------
// Dense: the library's make_K on all 3 x nNodes degrees of freedom, then the
// free block copied out column-major for LAPACK.
class DenseSolver : public LinearSolver {
 public:
  DenseSolver(const Model& m, const Constraints& c, bool associated) : con_(c), associated_(associated) {
    nNodes_ = m.nNodes();
    n_ = 3 * static_cast<std::int64_t>(nNodes_);
    nf_ = c.nFree;
    K_.assign(static_cast<size_t>(n_ * n_), 0.0);
    A_.assign(static_cast<size_t>(nf_) * nf_, 0.0);
    ipiv_.assign(nf_, 0);
    for (int i = 0; i < static_cast<int>(n_); ++i)
      if (c.eq[i] >= 0) free_.push_back(i);
  }

  void assemble(std::vector<TH10G15::ELEMENT>& elems, int tangent) override {
    symmetric_ = tangent < 1 || associated_ || !any_yielding(elems);
    auto t0 = Clock::now();
    TH10G15::make_K(elems.data(), static_cast<int>(elems.size()), nNodes_, K_.data(), tangent);
    times_.stiffness += since(t0);
    t0 = Clock::now();
    // A(i, j) column-major = K(free_i, free_j), K row-major.
    for (int j = 0; j < nf_; ++j) {
      double* col = A_.data() + static_cast<size_t>(j) * nf_;
      for (int i = 0; i < nf_; ++i) col[i] = K_[static_cast<size_t>(free_[i]) * n_ + free_[j]];
    }
    kfp_target_.assign(nf_, 0.0);
    for (int i = 0; i < nf_; ++i) {
      const double* row = K_.data() + static_cast<size_t>(free_[i]) * n_;
      double s = 0.0;
      for (std::int64_t j = 0; j < n_; ++j)
        if (con_.kind[j] == Constraints::Prescribed) s += row[j] * con_.target[j];
      kfp_target_[i] = s;
    }
    times_.assembly += since(t0);
  }

  void factorize() override {
    auto t0 = Clock::now();
    int info = 1;
    cholesky_ = false;
    if (symmetric_) {
      // Cholesky on a copy, since a failure leaves the matrix half overwritten.
      L_ = A_;
      dpotrf_("L", &nf_, L_.data(), &nf_, &info, 1);
      cholesky_ = info == 0;
    }
    if (!cholesky_) {
      L_ = A_;
      dgetrf_(&nf_, &nf_, L_.data(), &nf_, ipiv_.data(), &info);
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
    if (info != 0 || !(lo > kSingular * hi))
      throw SolverError("the stiffness matrix is singular (LAPACK, pivot ratio " + std::to_string(lo / hi) +
                        ")");
  }

  void solve(std::vector<double>& b) override {
    auto t0 = Clock::now();
    int one = 1, info = 0;
    if (cholesky_)
      dpotrs_("L", &nf_, &one, L_.data(), &nf_, b.data(), &nf_, &info, 1);
    else
      dgetrs_("N", &nf_, &one, L_.data(), &nf_, ipiv_.data(), b.data(), &nf_, &info, 1);
    times_.solve += since(t0);
  }

  std::string method() const override { return cholesky_ ? "dense Cholesky (LAPACK)" : "dense LU (LAPACK)"; }

 private:
  const Constraints& con_;
  bool associated_;
  bool symmetric_ = true;
  int nNodes_ = 0;
  std::int64_t n_ = 0;
  int nf_ = 0;
  std::vector<int> free_;
  std::vector<double> K_, A_, L_;
  std::vector<int> ipiv_;
  bool cholesky_ = false;
};

// ---------------------------------------------------------------------------
// Sparse: the full pattern (both triangles) of the free-free block in
// compressed columns, built once from the node adjacency of the elements.
class SparseSolver : public LinearSolver {
 public:
  SparseSolver(const Model& m, const Constraints& c, bool associated) : con_(c), associated_(associated) {
    build_pattern(m);
    cholmod_start(&cc_);
    cc_.print = 0;
    cc_.error_handler = nullptr;
  }
  ~SparseSolver() override {
    if (L_) cholmod_free_factor(&L_, &cc_);
    cholmod_finish(&cc_);
    if (numeric_) umfpack_dl_free_numeric(&numeric_);
    if (symbolic_) umfpack_dl_free_symbolic(&symbolic_);
  }
  SparseSolver(const SparseSolver&) = delete;
  SparseSolver& operator=(const SparseSolver&) = delete;

  void assemble(std::vector<TH10G15::ELEMENT>& elems, int tangent) override {
    elastic_ = tangent < 1 || !any_yielding(elems);
    std::fill(Ax_.begin(), Ax_.end(), 0.0);
    kfp_target_.assign(nf_, 0.0);
    double ke[900];
    double t_ke = 0.0;
    auto t0 = Clock::now();
    for (TH10G15::ELEMENT& el : elems) {
      auto t1 = Clock::now();
      TH10G15::make_ke(&el, ke, tangent);
      t_ke += since(t1);
      scatter(el, ke);
    }
    times_.stiffness += t_ke;
    times_.assembly += since(t0) - t_ke;
  }

  void factorize() override {
    auto t0 = Clock::now();
    use_cholmod_ = false;
    if (elastic_ || (associated_ && cholesky_ok_)) use_cholmod_ = cholmod_factor_now();
    if (!use_cholmod_) umfpack_factor_now();
    times_.factor += since(t0);
  }

  void solve(std::vector<double>& b) override {
    auto t0 = Clock::now();
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
      umfpack_dl_solve(UMFPACK_A, Apl_.data(), Ail_.data(), Ax_.data(), x_.data(), b.data(), numeric_,
                       nullptr, info);
      b.swap(x_);
    }
    times_.solve += since(t0);
  }

  std::string method() const override {
    return use_cholmod_ ? "sparse Cholesky (CHOLMOD)" : "sparse LU (UMFPACK)";
  }

 private:
  void build_pattern(const Model& m) {
    const int nN = m.nNodes();
    nf_ = con_.nFree;
    // Neighbouring nodes of every node (itself included), sorted.
    std::vector<std::vector<int>> adj(nN);
    for (const TH10G15::ELEMENT& el : m.elems)
      for (int a = 0; a < 10; ++a)
        for (int b = 0; b < 10; ++b) adj[el.Node_ID[a]].push_back(el.Node_ID[b]);
    for (auto& v : adj) {
      std::sort(v.begin(), v.end());
      v.erase(std::unique(v.begin(), v.end()), v.end());
    }
    // Column j = free dof (node i, direction d): rows are the free dofs of
    // the neighbours, in increasing equation order (dof order is node-major).
    Ap_.assign(nf_ + 1, 0);
    for (int i = 0; i < nN; ++i)
      for (int d = 0; d < 3; ++d) {
        const int j = con_.eq[3 * i + d];
        if (j < 0) continue;
        std::int64_t count = 0;
        for (int nb : adj[i])
          for (int e = 0; e < 3; ++e) count += con_.eq[3 * nb + e] >= 0;
        if (Ap_[j] + count > INT32_MAX) throw SolverError("the sparse matrix has more than 2^31 entries");
        Ap_[j + 1] = Ap_[j] + static_cast<int>(count);
      }
    Ai_.resize(Ap_[nf_]);
    for (int i = 0; i < nN; ++i)
      for (int d = 0; d < 3; ++d) {
        const int j = con_.eq[3 * i + d];
        if (j < 0) continue;
        int pos = Ap_[j];
        for (int nb : adj[i])
          for (int e = 0; e < 3; ++e)
            if (con_.eq[3 * nb + e] >= 0) Ai_[pos++] = con_.eq[3 * nb + e];
      }
    Ax_.assign(Ai_.size(), 0.0);
  }

  // Adds one element matrix (row-major, local dof 3k + d) into the free block,
  // and its prescribed columns times the target displacements into kfp_target.
  void scatter(const TH10G15::ELEMENT& el, const double* ke) {
    int eq[30];
    for (int a = 0; a < 30; ++a) eq[a] = con_.eq[el.DoF[a]];
    for (int b = 0; b < 30; ++b) {
      const int col = eq[b];
      if (col < 0) {
        if (con_.kind[el.DoF[b]] != Constraints::Prescribed) continue;
        const double t = con_.target[el.DoF[b]];
        for (int a = 0; a < 30; ++a)
          if (eq[a] >= 0) kfp_target_[eq[a]] += ke[30 * a + b] * t;
        continue;
      }
      const int* first = Ai_.data() + Ap_[col];
      const int* last = Ai_.data() + Ap_[col + 1];
      for (int a = 0; a < 30; ++a) {
        if (eq[a] < 0) continue;
        const int* at = std::lower_bound(first, last, eq[a]);
        Ax_[at - Ai_.data()] += ke[30 * a + b];
      }
    }
  }

  cholmod_sparse sparse_view() {
    cholmod_sparse A{};
    A.nrow = A.ncol = nf_;
    A.nzmax = Ai_.size();
    A.p = Ap_.data();
    A.i = Ai_.data();
    A.x = Ax_.data();
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

  // Cholesky; false when the matrix is not positive definite (then LU is used,
  // and Cholesky is not tried again on tangent matrices: a structure near
  // collapse tends to stay indefinite).
  bool cholmod_factor_now() {
    cholmod_sparse A = sparse_view();
    if (!L_) L_ = cholmod_analyze(&A, &cc_);
    if (!L_) throw SolverError("CHOLMOD could not analyse the matrix (out of memory?)");
    const int ok = cholmod_factorize(&A, L_, &cc_);
    if (ok && cc_.status == CHOLMOD_OK && L_->minor == L_->n) {
      if (cholmod_rcond(L_, &cc_) > kSingular) return true;
      if (elastic_) throw SolverError("the stiffness matrix is singular (CHOLMOD)");
    }
    if (!elastic_) cholesky_ok_ = false;
    return false;
  }

  // UMFPACK with 64-bit indices: its workspace for 3-D meshes of some ten
  // thousand nodes already exceeds what 32-bit indices address.
  void umfpack_factor_now() {
    double info[UMFPACK_INFO];
    if (!symbolic_) {
      Apl_.assign(Ap_.begin(), Ap_.end());
      Ail_.assign(Ai_.begin(), Ai_.end());
      const int st =
          umfpack_dl_symbolic(nf_, nf_, Apl_.data(), Ail_.data(), Ax_.data(), &symbolic_, nullptr, info);
      if (st != UMFPACK_OK)
        throw SolverError("UMFPACK symbolic analysis failed (status " + std::to_string(st) + ")");
    }
    if (numeric_) umfpack_dl_free_numeric(&numeric_);
    const int st =
        umfpack_dl_numeric(Apl_.data(), Ail_.data(), Ax_.data(), symbolic_, &numeric_, nullptr, info);
    if (st == UMFPACK_OK && !(info[UMFPACK_RCOND] > kSingular))
      throw SolverError("the stiffness matrix is singular (UMFPACK, pivot ratio " +
                        std::to_string(info[UMFPACK_RCOND]) + ")");
    if (st != UMFPACK_OK)
      throw SolverError(st == UMFPACK_WARNING_singular_matrix
                            ? std::string("the stiffness matrix is singular (UMFPACK)")
                            : "UMFPACK factorisation failed (status " + std::to_string(st) + ")");
  }

  const Constraints& con_;
  bool associated_;
  bool elastic_ = true;
  bool cholesky_ok_ = true;
  bool use_cholmod_ = false;
  int nf_ = 0;
  std::vector<int> Ap_, Ai_;
  std::vector<SuiteSparse_long> Apl_, Ail_;
  std::vector<double> Ax_, x_;
  cholmod_common cc_{};
  cholmod_factor* L_ = nullptr;
  void* symbolic_ = nullptr;
  void* numeric_ = nullptr;
};

}  // namespace

std::unique_ptr<LinearSolver> make_dense_solver(const Model& m, const Constraints& c, bool associated) {
  const std::int64_t n = 3 * static_cast<std::int64_t>(m.nNodes());
  if (n * n >= INT32_MAX)
    throw SolverError("the mesh is too large for the dense solver (3 x nodes squared must stay below 2^31)");
  return std::make_unique<DenseSolver>(m, c, associated);
}

std::unique_ptr<LinearSolver> make_sparse_solver(const Model& m, const Constraints& c, bool associated) {
  return std::make_unique<SparseSolver>(m, c, associated);
}

}  // namespace th10run
