// th10run: the global stiffness of the free degrees of freedom and its solution.
//
// Two ways, chosen by size: the library's dense global matrix (make_K) with
// LAPACK, and element matrices (make_ke) assembled into a compressed-column
// sparse matrix factorised by CHOLMOD (symmetric matrices) or UMFPACK.
#ifndef TH10RUN_SOLVER_H
#define TH10RUN_SOLVER_H

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "boundary.h"
#include "model.h"

namespace th10run {

// The matrix could not be factorised (singular, or not a number).
class SolverError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Seconds spent in the library's stiffness routines and in the linear algebra.
struct SolverTimes {
  double stiffness = 0.0;  // make_K or make_ke
  double assembly = 0.0;   // scattering element matrices, extracting the free part
  double factor = 0.0;
  double solve = 0.0;
};

class LinearSolver {
 public:
  virtual ~LinearSolver() = default;
  // Forms the stiffness of the free degrees of freedom from the Gauss-point
  // state (tangent 0: elastic everywhere; 1: Dep where F >= 0), and the
  // coupling to the prescribed ones applied to the prescribed displacements
  // at load factor 1 (kfp_target).
  virtual void assemble(std::vector<TH10G15::ELEMENT>& elems, int tangent) = 0;
  // Factorises the assembled matrix; throws SolverError when it is singular.
  virtual void factorize() = 0;
  // Solves K x = b for the free degrees of freedom, in place.
  virtual void solve(std::vector<double>& b) = 0;
  // "dense LU", "sparse Cholesky (CHOLMOD)", ...: the method of the last factorisation.
  virtual std::string method() const = 0;

  // K_fp times the prescribed displacements at load factor 1, free rows.
  const std::vector<double>& kfp_target() const { return kfp_target_; }
  const SolverTimes& times() const { return times_; }

 protected:
  std::vector<double> kfp_target_;
  SolverTimes times_;
};

// associated: the tangent matrices are symmetric (associated flow), as the
// elastic one always is; symmetric matrices are tried with Cholesky first.
std::unique_ptr<LinearSolver> make_dense_solver(const Model& m, const Constraints& c, bool associated);
std::unique_ptr<LinearSolver> make_sparse_solver(const Model& m, const Constraints& c, bool associated);

}  // namespace th10run

#endif
