// LinearAlgebra::LA: the small dense matrix and vector operations that the
// element routines use. Header-only and inline so that the calls in the
// innermost loops cost nothing; compiled into the library, never exported.
//
// Matrices are row-major arrays of doubles: entry (i, j) of an r x c matrix
// at index(i, j, c). Counts and offsets that can exceed 2^31 (the n*n entries
// of a global matrix and its row offsets) are 64-bit.
//
// The routines of general size n (DeterminantMsq, InverseMsq,
// EigenSymmSystemMsqJ) work in fixed stack storage and accept n up to
// LA::kMaxDense; the library calls them with n = 3.
#ifndef TH10FEM_LINALG_LA_H
#define TH10FEM_LINALG_LA_H

#include <cmath>
#include <cstdint>
#include <utility>

namespace LinearAlgebra {

class LA {
 public:
  static constexpr int kMaxDense = 16;

  // Offset of entry (row, col) in a row-major matrix with `cols` columns.
  static inline std::int64_t index(std::int64_t row, std::int64_t col, std::int64_t cols) {
    return row * cols + col;
  }

  // C (r x c) = A (r x k) * B (k x c). C never aliases A or B.
  static inline void MultiplyMM(const double* A, int r, int k, const double* B, int c, double* C) {
    for (int i = 0; i < r; ++i) {
      double* Ci = C + index(i, 0, c);
      for (int j = 0; j < c; ++j) Ci[j] = 0.0;
      for (int p = 0; p < k; ++p) {
        const double a = A[index(i, p, k)];
        const double* Bp = B + index(p, 0, c);
        for (int j = 0; j < c; ++j) Ci[j] += a * Bp[j];
      }
    }
  }

  // The same product with sizes fixed at compile time, for the element
  // kernels: the compiler unrolls and vectorises the loops.
  template <int r, int k, int c>
  static inline void MultiplyMM(const double* A, const double* B, double* C) {
    for (int i = 0; i < r; ++i) {
      double Ci[c] = {};
      for (int p = 0; p < k; ++p) {
        const double a = A[i * k + p];
        for (int j = 0; j < c; ++j) Ci[j] += a * B[p * c + j];
      }
      for (int j = 0; j < c; ++j) C[i * c + j] = Ci[j];
    }
  }

  // y (r) = A (r x k) * x (k). y never aliases A or x.
  static inline void MultiplyMV(const double* A, int r, const double* x, int k, double* y) {
    for (int i = 0; i < r; ++i) {
      const double* Ai = A + index(i, 0, k);
      double s = 0.0;
      for (int p = 0; p < k; ++p) s += Ai[p] * x[p];
      y[i] = s;
    }
  }

  // The same product with sizes fixed at compile time.
  template <int r, int k>
  static inline void MultiplyMV(const double* A, const double* x, double* y) {
    for (int i = 0; i < r; ++i) {
      double s = 0.0;
      for (int p = 0; p < k; ++p) s += A[i * k + p] * x[p];
      y[i] = s;
    }
  }

  // T (c x r) = transpose of A (r x c).
  static inline void TransposeM(const double* A, int r, int c, double* T) {
    for (int i = 0; i < r; ++i)
      for (int j = 0; j < c; ++j) T[index(j, i, r)] = A[index(i, j, c)];
  }

  // Determinant of the n x n matrix A; A is left unchanged.
  static inline double DeterminantMsq(const double* A, int n) {
    if (n == 3) return det3(A);
    double LU[kMaxDense * kMaxDense];
    for (int i = 0; i < n * n; ++i) LU[i] = A[i];
    double det = 1.0;
    for (int col = 0; col < n; ++col) {
      const int p = pivotRow(LU, n, col);
      if (LU[index(p, col, n)] == 0.0) return 0.0;
      if (p != col) {
        swapRows(LU, n, p, col);
        det = -det;
      }
      const double piv = LU[index(col, col, n)];
      det *= piv;
      for (int i = col + 1; i < n; ++i) {
        const double m = LU[index(i, col, n)] / piv;
        for (int j = col + 1; j < n; ++j) LU[index(i, j, n)] -= m * LU[index(col, j, n)];
      }
    }
    return det;
  }

  // Ainv = inverse of the n x n matrix A (partial pivoting). A singular matrix
  // is not detected: its inverse holds infinities or NaN.
  static inline void InverseMsq(const double* A, double* Ainv, int n) {
    if (n == 3) {
      inverse3(A, Ainv);
      return;
    }
    double W[kMaxDense * kMaxDense];
    for (int i = 0; i < n * n; ++i) W[i] = A[i];
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) Ainv[index(i, j, n)] = (i == j) ? 1.0 : 0.0;
    for (int col = 0; col < n; ++col) {
      const int p = pivotRow(W, n, col);
      if (p != col) {
        swapRows(W, n, p, col);
        swapRows(Ainv, n, p, col);
      }
      const double inv = 1.0 / W[index(col, col, n)];
      for (int j = 0; j < n; ++j) {
        W[index(col, j, n)] *= inv;
        Ainv[index(col, j, n)] *= inv;
      }
      for (int i = 0; i < n; ++i) {
        if (i == col) continue;
        const double m = W[index(i, col, n)];
        if (m == 0.0) continue;
        for (int j = 0; j < n; ++j) {
          W[index(i, j, n)] -= m * W[index(col, j, n)];
          Ainv[index(i, j, n)] -= m * Ainv[index(col, j, n)];
        }
      }
    }
  }

  // Eigenvalues of the symmetric n x n matrix M by cyclic Jacobi rotations,
  // largest first; the unit eigenvectors are the columns of `vectors`
  // (n x n), in the same order. M is overwritten.
  static inline void EigenSymmSystemMsqJ(double* M, int n, double* values, double* vectors) {
    for (int i = 0; i < n; ++i)
      for (int j = 0; j < n; ++j) vectors[index(i, j, n)] = (i == j) ? 1.0 : 0.0;
    // Sweeps until the off-diagonal part is below rounding of the whole
    // matrix (Jacobi converges quadratically: a handful of sweeps).
    for (int sweep = 0; sweep < 64; ++sweep) {
      double off = 0.0, diag = 0.0;
      for (int p = 0; p < n; ++p) {
        diag += M[index(p, p, n)] * M[index(p, p, n)];
        for (int q = p + 1; q < n; ++q) off += M[index(p, q, n)] * M[index(p, q, n)];
      }
      if (off == 0.0 || off < 1e-36 * (diag + off)) break;
      for (int p = 0; p < n; ++p)
        for (int q = p + 1; q < n; ++q) jacobiRotate(M, vectors, n, p, q);
    }
    for (int i = 0; i < n; ++i) values[i] = M[index(i, i, n)];
    // Selection sort, largest first, carrying the eigenvector columns along.
    for (int i = 0; i < n; ++i) {
      int best = i;
      for (int j = i + 1; j < n; ++j)
        if (values[j] > values[best]) best = j;
      if (best == i) continue;
      std::swap(values[i], values[best]);
      for (int r = 0; r < n; ++r) std::swap(vectors[index(r, i, n)], vectors[index(r, best, n)]);
    }
  }

  // Adds the nk x nk matrix k into the nK x nK matrix K by node blocks: with
  // d = nk / nn dofs per node, entry (d*i + a, d*j + b) of k goes to entry
  // (d*nodes[i] + a, d*nodes[j] + b) of K.
  static inline void AggregateMMsq(const double* k, int nk, const int* nodes, int nn, double* K, int nK) {
    const int d = nk / nn;
    for (int i = 0; i < nn; ++i) {
      for (int a = 0; a < d; ++a) {
        const double* krow = k + index(d * i + a, 0, nk);
        double* Krow = K + index(std::int64_t(d) * nodes[i] + a, 0, nK);
        for (int j = 0; j < nn; ++j) {
          double* Kblock = Krow + std::int64_t(d) * nodes[j];
          const double* kblock = krow + d * j;
          for (int b = 0; b < d; ++b) Kblock[b] += kblock[b];
        }
      }
    }
  }

  // n entries set to 0.
  static inline void ZeroV(double* v, std::int64_t n) {
    for (std::int64_t i = 0; i < n; ++i) v[i] = 0.0;
  }

  // c = a + b; c may be a or b.
  static inline void AddVV(const double* a, const double* b, std::int64_t n, double* c) {
    for (std::int64_t i = 0; i < n; ++i) c[i] = a[i] + b[i];
  }

  // c = a - b; c may be a or b.
  static inline void SubstractVV(const double* a, const double* b, std::int64_t n, double* c) {
    for (std::int64_t i = 0; i < n; ++i) c[i] = a[i] - b[i];
  }

  // out = s * v; out may be v.
  static inline void MultiplyVS(const double* v, std::int64_t n, double s, double* out) {
    for (std::int64_t i = 0; i < n; ++i) out[i] = s * v[i];
  }

 private:
  static inline double det3(const double* A) {
    return A[0] * (A[4] * A[8] - A[5] * A[7]) - A[1] * (A[3] * A[8] - A[5] * A[6]) +
           A[2] * (A[3] * A[7] - A[4] * A[6]);
  }

  // Adjugate over determinant.
  static inline void inverse3(const double* A, double* Ainv) {
    const double c00 = A[4] * A[8] - A[5] * A[7];
    const double c01 = A[5] * A[6] - A[3] * A[8];
    const double c02 = A[3] * A[7] - A[4] * A[6];
    const double inv = 1.0 / (A[0] * c00 + A[1] * c01 + A[2] * c02);
    Ainv[0] = c00 * inv;
    Ainv[1] = (A[2] * A[7] - A[1] * A[8]) * inv;
    Ainv[2] = (A[1] * A[5] - A[2] * A[4]) * inv;
    Ainv[3] = c01 * inv;
    Ainv[4] = (A[0] * A[8] - A[2] * A[6]) * inv;
    Ainv[5] = (A[2] * A[3] - A[0] * A[5]) * inv;
    Ainv[6] = c02 * inv;
    Ainv[7] = (A[1] * A[6] - A[0] * A[7]) * inv;
    Ainv[8] = (A[0] * A[4] - A[1] * A[3]) * inv;
  }

  static inline int pivotRow(const double* A, int n, int col) {
    int p = col;
    for (int i = col + 1; i < n; ++i)
      if (std::fabs(A[index(i, col, n)]) > std::fabs(A[index(p, col, n)])) p = i;
    return p;
  }

  static inline void swapRows(double* A, int n, int r1, int r2) {
    for (int j = 0; j < n; ++j) std::swap(A[index(r1, j, n)], A[index(r2, j, n)]);
  }

  // One Jacobi rotation that zeroes M(p, q), applied to M and to the
  // eigenvector columns.
  static inline void jacobiRotate(double* M, double* V, int n, int p, int q) {
    const double apq = M[index(p, q, n)];
    if (apq == 0.0) return;
    const double app = M[index(p, p, n)];
    const double aqq = M[index(q, q, n)];
    const double tau = (aqq - app) / (2.0 * apq);
    const double t = (tau >= 0.0 ? 1.0 : -1.0) / (std::fabs(tau) + std::sqrt(1.0 + tau * tau));
    const double c = 1.0 / std::sqrt(1.0 + t * t);
    const double s = t * c;
    for (int r = 0; r < n; ++r) rotatePair(M[index(r, p, n)], M[index(r, q, n)], c, s);
    for (int r = 0; r < n; ++r) rotatePair(M[index(p, r, n)], M[index(q, r, n)], c, s);
    M[index(p, q, n)] = 0.0;
    M[index(q, p, n)] = 0.0;
    for (int r = 0; r < n; ++r) rotatePair(V[index(r, p, n)], V[index(r, q, n)], c, s);
  }

  // (a, b) turned by the rotation of cosine c and sine s: (c a - s b, s a + c b).
  static inline void rotatePair(double& a, double& b, double c, double s) {
    const double a0 = a;
    const double b0 = b;
    a = c * a0 - s * b0;
    b = s * a0 + c * b0;
  }
};

}  // namespace LinearAlgebra

#endif
