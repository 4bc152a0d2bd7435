// th10run: the stiffness equations of the free degrees of freedom, behind one
// small interface. The analysis talks to this interface only; each solver
// backend lives in a file of its own:
//   dense_lapack.cpp         dense Cholesky or LU (LAPACK through LAPACKE)
//   sparse_suitesparse.cpp   sparse Cholesky (CHOLMOD) or LU (UMFPACK)
//   petsc_backend.cpp        distributed over the ranks (PETSc): MUMPS, or
//                            CG / GMRES with algebraic multigrid
// The element matrices come from one assembler (assembler.h) that every
// backend shares.
#ifndef TH10RUN_SYSTEM_LINEAR_SYSTEM_H
#define TH10RUN_SYSTEM_LINEAR_SYSTEM_H

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "assembler.h"

namespace th10run {

// The matrix could not be factorised (singular, or not a number).
class SolverError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Smallest accepted ratio of the smallest to the largest pivot (diagonal of
// U, or squared diagonal of the Cholesky factor): below it the matrix is
// taken as singular, as a body free to move as a rigid body is.
constexpr double kSingularPivotRatio = 1e-13;

class LinearSystem {
 public:
  // The elements of the ranges (first, count) take part.
  LinearSystem(const Model& m, const Constraints& c, std::vector<std::pair<int, int>> ranges)
      : assembler_(m, c, std::move(ranges)) {}
  virtual ~LinearSystem() = default;
  LinearSystem(const LinearSystem&) = delete;
  LinearSystem& operator=(const LinearSystem&) = delete;

  // Forms the stiffness of the free degrees of freedom from the Gauss-point
  // state with the library's element matrices (tangent 0: elastic
  // everywhere; 1: the library's tangent), and the coupling to the
  // prescribed ones applied to the prescribed displacements at load factor 1
  // (kfp_target).
  void assemble(std::vector<TH10G15::ELEMENT>& elems, int tangent) {
    assembler_.assemble(elems, tangent, times_);
    tangent_ = tangent;
  }
  // Factorises the assembled matrix; throws SolverError when it is singular.
  virtual void factorize() = 0;
  // Solves K x = b for the free degrees of freedom, in place.
  virtual void solve(std::vector<double>& b) = 0;
  // "dense", "sparse" or "petsc".
  virtual const char* name() const = 0;
  // "dense LU (LAPACK)", "sparse Cholesky (CHOLMOD)", ...: the method of the
  // last factorisation.
  virtual std::string method() const = 0;

  // Krylov iterations of all solutions so far (0 for direct solvers).
  virtual int linear_iterations() const { return 0; }

  // Dot product and norm of vectors of the free degrees of freedom (every
  // rank holds the whole vector).
  virtual double dot(const std::vector<double>& a, const std::vector<double>& b) const;
  double norm(const std::vector<double>& a) const;

  int size() const { return assembler_.size(); }
  // From the next assembly on, tangent matrices get this share of the
  // elastic matrix added (0: none).
  void set_regularisation(double share) { assembler_.set_regularisation(share); }
  // K_fp times the prescribed displacements at load factor 1, free rows.
  virtual const std::vector<double>& kfp_target() { return assembler_.kfp_target(); }
  const SystemTimes& times() const { return times_; }
  // Whether Cholesky is still tried on symmetric tangent matrices: a backend
  // may stop trying after one was not positive definite. A checkpoint keeps it.
  bool tangent_cholesky() const { return tangent_cholesky_; }
  void set_tangent_cholesky(bool on) { tangent_cholesky_ = on; }

 protected:
  Assembler assembler_;
  SystemTimes times_;
  int tangent_ = 0;  // of the last assembly
  bool tangent_cholesky_ = true;
};

// The backends.
std::unique_ptr<LinearSystem> make_dense_lapack(const Model& m, const Constraints& c,
                                                std::vector<std::pair<int, int>> ranges);
std::unique_ptr<LinearSystem> make_sparse_suitesparse(const Model& m, const Constraints& c,
                                                      std::vector<std::pair<int, int>> ranges);
// Over the model's ranks, each rank assembling its own elements; throws
// SolverError when the program is built without PETSc.
std::unique_ptr<LinearSystem> make_petsc(const Model& m, const Constraints& c,
                                         std::vector<std::pair<int, int>> ranges, const SolverInput& s);

}  // namespace th10run

#endif
