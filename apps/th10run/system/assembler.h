// th10run: assembly of the library's element matrices into the stiffness of
// the free degrees of freedom, shared by every solver backend.
//
// The sparsity pattern is built once per mesh from the node adjacency of the
// elements: the free-free block in compressed columns, both triangles, rows
// sorted within each column (equation order is node-major, as the degrees of
// freedom). The element matrices are formed and scattered on every thread,
// each thread adding to the columns of its own range of equations. Supported degrees of freedom drop out; the
// columns of prescribed ones, times their displacements at load factor 1, go to the right side.
#ifndef TH10RUN_SYSTEM_ASSEMBLER_H
#define TH10RUN_SYSTEM_ASSEMBLER_H

#include <utility>
#include <vector>

#include "boundary.h"
#include "model.h"

namespace th10run {

// Seconds spent in the library's element matrices and in the linear algebra.
struct SystemTimes {
  double stiffness = 0.0;  // make_ke
  double assembly = 0.0;   // scattering the element matrices
  double factor = 0.0;
  double solve = 0.0;
};

// The largest difference between an element matrix and its transpose,
// relative to its largest entry, for which it counts as symmetric. The
// consistent tangent of an associated return is symmetric only to rounding.
constexpr double kSymmetryTolerance = 1e-12;

class Assembler {
 public:
  // The elements first .. first + count - 1 of each range take part.
  Assembler(const Model& m, const Constraints& c, std::vector<std::pair<int, int>> ranges);

  // Zeroes the values, then adds every element matrix (make_ke with the
  // given tangent switch) and its coupling to the prescribed displacements.
  void assemble(std::vector<TH10G15::ELEMENT>& elems, int tangent, SystemTimes& t);

  int size() const { return nFree_; }
  // The free-free block: column j holds the rows Ai[Ap[j] .. Ap[j+1]) with values Ax.
  const std::vector<int>& Ap() const { return Ap_; }
  const std::vector<int>& Ai() const { return Ai_; }
  const std::vector<double>& Ax() const { return Ax_; }
  std::vector<double>& Ax() { return Ax_; }
  // K_fp times the prescribed displacements at load factor 1, summed element
  // by element as the matrices are scattered.
  const std::vector<double>& kfp_target() const { return kfp_target_; }
  // The same product summed row by row over the assembled block K_fp, the
  // prescribed columns in dof order. Equal to kfp_target() to rounding.
  const std::vector<double>& kfp_target_by_rows();
  // Whether every element matrix of the last assembly was symmetric to
  // kSymmetryTolerance of its largest entry, and so the assembled matrix is
  // (to rounding): a Cholesky factorisation of either triangle then solves
  // with it.
  bool symmetric() const { return symmetric_; }
  // Tangent matrices (tangent 1) get this share of the elastic one added.
  void set_regularisation(double share) { regularise_ = share; }

 private:
  template <class Visit>
  void each_element(const std::vector<TH10G15::ELEMENT>& elems, Visit visit) const;
  void build_pattern(const Model& m);
  void share_out(const Model& m);
  void element_matrix(TH10G15::ELEMENT& el, int tangent, double* ke) const;
  void scatter(const TH10G15::ELEMENT& el, const double* ke, int lo, int hi);
  void build_coupling_pattern(const Model& m);

  const Constraints& con_;
  std::vector<std::pair<int, int>> ranges_;
  int nFree_ = 0;
  std::vector<int> Ap_, Ai_;
  std::vector<double> Ax_, kfp_target_;
  // K_fp by free rows: row i holds the prescribed dofs Fp_col[Fp_start[i] ..
  // Fp_start[i+1]) (increasing) with values Fp_val.
  std::vector<int> Fp_start_, Fp_col_;
  std::vector<double> Fp_val_, kfp_rows_;
  // Thread t adds to the equations owned_[t] .. owned_[t+1] - 1, from the
  // elements thread_elements_[t] (increasing) that have a free dof there.
  std::vector<int> owned_;
  std::vector<std::vector<int>> thread_elements_;
  bool symmetric_ = true;
  double regularise_ = 0.0;
};

}  // namespace th10run

#endif
