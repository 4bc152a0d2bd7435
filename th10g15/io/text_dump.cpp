// Plain-text dump of the whole element state into "TH10G15.TXT" in the
// working directory: connectivity, DoF and coordinates of each element, then
// for each of its 15 Gauss points the scalars, the strain and stress vectors
// with their increments, Dep (6 x 6) and B (6 x 30).
#include <cstdio>

#include "TH10G15.h"
#include "file_io.h"

namespace FiniteElementMethod {
namespace {

void write_vector(std::FILE* fid, const char* label, const double* v) {
  std::fprintf(fid, "\n%s: %.5E %.5E %.5E %.5E %.5E %.5E\n", label, v[0], v[1], v[2], v[3], v[4], v[5]);
}

// Row-major matrix of 6 rows and `columns` columns, one row per line.
void write_matrix(std::FILE* fid, const double* M, int columns, const char* format) {
  for (int r = 0; r < 6; ++r) {
    for (int j = 0; j < columns; ++j) std::fprintf(fid, format, M[r * columns + j]);
    std::fputs("\n", fid);
  }
}

void write_gauss_point(std::FILE* fid, int g, const TH10G15::GAUSSPOINT& p) {
  std::fprintf(fid, "\n      GP:%d sig_m=%.3E ds_bar=%.3E Lode=%.3E Phi=%.3lf c=%.3lf F=%.3E Jac=%.3E w=%.3E",
               g, p.sig_m, p.ds_bar, p.Lode, p.Phi, p.c, p.F, p.Jac, p.w);
  write_vector(fid, " dstrain", p.dstrain);
  write_vector(fid, "  strain", p.strain);
  write_vector(fid, " dstress", p.dstress);
  write_vector(fid, "  stress", p.stress);
  std::fputs("\n     Dep: \n", fid);
  write_matrix(fid, p.Dep, 6, " %12.3E ");
  std::fputs("\n       B: \n", fid);
  write_matrix(fid, p.B, 30, " %12.6E ");
}

void write_element(std::FILE* fid, int e, const TH10G15::ELEMENT& el) {
  std::fprintf(fid, "Element %d\n", e);
  std::fputs(" Node_ID: ", fid);
  for (int k = 0; k < 10; ++k) std::fprintf(fid, "%7d ", el.Node_ID[k]);
  std::fputs("\n     DoF: ", fid);
  for (int k = 0; k < 30; ++k) std::fprintf(fid, "%7d ", el.DoF[k]);
  std::fputs("\n  Coords: ", fid);
  for (int k = 0; k < 30; ++k) std::fprintf(fid, "%7.3lf ", el.Coords[k]);
  std::fputs("\n", fid);
  for (int g = 0; g < 15; ++g) write_gauss_point(fid, g, el.GP[g]);
}

}  // namespace

void TH10G15::SaveTXT(ELEMENT* elem, int nE) {
  detail::write_named_file("TH10G15", ".TXT", "w", "--- ERROR! Cannot create TH10G15.TXT file!\n",
                           [&](std::FILE* fid) {
                             for (int e = 0; e < nE; ++e) write_element(fid, e, elem[e]);
                           });
}

}  // namespace FiniteElementMethod
