// th10run: the free-free stiffness in compressed columns, from the library's
// element matrices.
#include "assembler.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "element_geometry.h"
#include "linear_system.h"
#include "threads.h"
#include "timing.h"

namespace th10run {
namespace {

// True when the element matrix equals its transpose to kSymmetryTolerance
// of its largest entry.
bool is_symmetric(const double* ke) {
  double largest = 0.0, asymmetry = 0.0;
  for (int a = 0; a < tet10::kDofs; ++a) {
    largest = std::max(largest, std::fabs(ke[tet10::kDofs * a + a]));
    for (int b = a + 1; b < tet10::kDofs; ++b) {
      const double upper = ke[tet10::kDofs * a + b], lower = ke[tet10::kDofs * b + a];
      largest = std::max(largest, std::max(std::fabs(upper), std::fabs(lower)));
      asymmetry = std::max(asymmetry, std::fabs(upper - lower));
    }
  }
  return asymmetry <= kSymmetryTolerance * largest;
}

}  // namespace

Assembler::Assembler(const Model& m, const Constraints& c, std::vector<std::pair<int, int>> ranges)
    : con_(c), ranges_(std::move(ranges)), nFree_(c.nFree) {
  build_pattern(m);
  build_coupling_pattern(m);
  share_out(m);
}

template <class Visit>
void Assembler::each_element(const std::vector<TH10G15::ELEMENT>& elems, Visit visit) const {
  for (const auto& [first, count] : ranges_)
    for (int e = first; e < first + count; ++e) visit(elems[e]);
}

void Assembler::build_coupling_pattern(const Model& m) {
  std::vector<std::vector<int>> cols(nFree_);
  each_element(m.elems, [&](const TH10G15::ELEMENT& el) {
    for (int a = 0; a < tet10::kDofs; ++a) {
      const int row = con_.eq[el.DoF[a]];
      if (row < 0) continue;
      for (int b = 0; b < tet10::kDofs; ++b)
        if (con_.kind[el.DoF[b]] == Constraints::Prescribed) cols[row].push_back(el.DoF[b]);
    }
  });
  Fp_start_.assign(nFree_ + 1, 0);
  for (int i = 0; i < nFree_; ++i) {
    std::sort(cols[i].begin(), cols[i].end());
    cols[i].erase(std::unique(cols[i].begin(), cols[i].end()), cols[i].end());
    Fp_start_[i + 1] = Fp_start_[i] + static_cast<int>(cols[i].size());
  }
  Fp_col_.clear();
  for (const auto& c : cols) Fp_col_.insert(Fp_col_.end(), c.begin(), c.end());
  Fp_val_.assign(Fp_col_.size(), 0.0);
}

const std::vector<double>& Assembler::kfp_target_by_rows() {
  kfp_rows_.assign(nFree_, 0.0);
  for (int i = 0; i < nFree_; ++i) {
    double s = 0.0;
    for (int k = Fp_start_[i]; k < Fp_start_[i + 1]; ++k) s += Fp_val_[k] * con_.target[Fp_col_[k]];
    kfp_rows_[i] = s;
  }
  return kfp_rows_;
}

void Assembler::build_pattern(const Model& m) {
  const int nN = m.nNodes();
  // Neighbouring nodes of every node (itself included), sorted.
  std::vector<std::vector<int>> adj(nN);
  each_element(m.elems, [&](const TH10G15::ELEMENT& el) {
    for (int a = 0; a < tet10::kNodes; ++a)
      for (int b = 0; b < tet10::kNodes; ++b) adj[el.Node_ID[a]].push_back(el.Node_ID[b]);
  });
  for (auto& v : adj) {
    std::sort(v.begin(), v.end());
    v.erase(std::unique(v.begin(), v.end()), v.end());
  }
  // Column j = free dof (node i, direction d): rows are the free dofs of
  // the neighbours, in increasing equation order (dof order is node-major).
  Ap_.assign(nFree_ + 1, 0);
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
  Ai_.resize(Ap_[nFree_]);
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

// Each thread owns a contiguous range of equations with about as many
// matrix entries in their columns as the others, and takes the elements with
// a free degree of freedom there, in element order.
void Assembler::share_out(const Model& m) {
  const int T = threads();
  owned_.assign(T + 1, nFree_);
  owned_[0] = 0;
  for (int t = 1, j = 0; t < T; ++t) {
    const long long entries = static_cast<long long>(Ap_[nFree_]) * t / T;
    while (j < nFree_ && Ap_[j] < entries) ++j;
    owned_[t] = j;
  }
  thread_elements_.assign(T, {});
  each_element(m.elems, [&](const TH10G15::ELEMENT& el) {
    int last = -1;  // threads come up in increasing order of equations
    int eqs[tet10::kDofs], n = 0;
    for (int dof : el.DoF)
      if (con_.eq[dof] >= 0) eqs[n++] = con_.eq[dof];
    std::sort(eqs, eqs + n);
    for (int k = 0; k < n; ++k) {
      const int t =
          static_cast<int>(std::upper_bound(owned_.begin(), owned_.end(), eqs[k]) - owned_.begin()) - 1;
      if (t != last) thread_elements_[t].push_back(static_cast<int>(&el - m.elems.data()));
      last = t;
    }
  });
}

void Assembler::element_matrix(TH10G15::ELEMENT& el, int tangent, double* ke) const {
  TH10G15::make_ke(&el, ke, tangent);
  if (regularise_ > 0.0 && tangent == 1) {
    double ke_el[tet10::kMatrixSize];  // the element's elastic matrix
    TH10G15::make_ke(&el, ke_el, 0);
    for (int i = 0; i < tet10::kMatrixSize; ++i) ke[i] += regularise_ * ke_el[i];
  }
}

// Every thread forms the matrices of its elements and adds the entries of
// its own equations: an element shared by two threads is formed by both.
// Every entry is summed in element order, whatever the number of threads.
void Assembler::assemble(std::vector<TH10G15::ELEMENT>& elems, int tangent, SystemTimes& t) {
  std::fill(Ax_.begin(), Ax_.end(), 0.0);
  std::fill(Fp_val_.begin(), Fp_val_.end(), 0.0);
  kfp_target_.assign(nFree_, 0.0);
  const int T = static_cast<int>(thread_elements_.size());
  std::vector<double> ke_seconds(T, 0.0);
  std::vector<char> symmetric(T, 1);
  const auto t0 = Clock::now();
  on_threads(T, [&](int thread) {
    double ke[tet10::kMatrixSize], seconds = 0.0;
    bool sym = true;
    for (int e : thread_elements_[thread]) {
      const auto t1 = Clock::now();
      element_matrix(elems[e], tangent, ke);
      seconds += since(t1);
      sym = sym && is_symmetric(ke);
      scatter(elems[e], ke, owned_[thread], owned_[thread + 1]);
    }
    ke_seconds[thread] = seconds;
    symmetric[thread] = sym;
  });
  symmetric_ = std::all_of(symmetric.begin(), symmetric.end(), [](char s) { return s != 0; });
  // The threads' time in make_ke, as a share of the loop's wall time.
  const double wall = since(t0);
  double ke_total = 0.0;
  for (double s : ke_seconds) ke_total += s;
  const double stiffness = std::min(wall, ke_total / T);
  t.stiffness += stiffness;
  t.assembly += wall - stiffness;
}

// Adds one element matrix (row-major, local dof 3k + d) into the columns
// lo .. hi - 1 of the free block, and its prescribed columns times the
// target displacements into the rows lo .. hi - 1 of kfp_target.
void Assembler::scatter(const TH10G15::ELEMENT& el, const double* ke, int lo, int hi) {
  const int n = tet10::kDofs;
  int eq[tet10::kDofs];
  for (int a = 0; a < n; ++a) eq[a] = con_.eq[el.DoF[a]];
  for (int b = 0; b < n; ++b) {
    const int col = eq[b];
    if (col < 0) {
      if (con_.kind[el.DoF[b]] != Constraints::Prescribed) continue;
      const double t = con_.target[el.DoF[b]];
      for (int a = 0; a < n; ++a) {
        if (eq[a] < lo || eq[a] >= hi) continue;
        kfp_target_[eq[a]] += ke[n * a + b] * t;
        const int* first = Fp_col_.data() + Fp_start_[eq[a]];
        const int* last = Fp_col_.data() + Fp_start_[eq[a] + 1];
        Fp_val_[std::lower_bound(first, last, el.DoF[b]) - Fp_col_.data()] += ke[n * a + b];
      }
      continue;
    }
    if (col < lo || col >= hi) continue;
    const int* first = Ai_.data() + Ap_[col];
    const int* last = Ai_.data() + Ap_[col + 1];
    for (int a = 0; a < n; ++a) {
      if (eq[a] < 0) continue;
      const int* at = std::lower_bound(first, last, eq[a]);
      Ax_[at - Ai_.data()] += ke[n * a + b];
    }
  }
}

}  // namespace th10run
