// th10run: result files, written into the working directory (the output folder).
//
//  * <name>.post.msh, <name>.post.res: GiD post-processing, by the library;
//  * <name>_NNNN.vtu per written increment and <name>.pvd over them: ParaView;
//  * <name>.csv: the load-displacement curve, one row per increment;
//  * TH10G15.TXT: the library's dump of the element state at the end (optional).
#ifndef TH10RUN_OUTPUT_H
#define TH10RUN_OUTPUT_H

#include <cstdio>
#include <string>
#include <vector>

#include "boundary.h"
#include "model.h"
#include "problem.h"

namespace th10run {

// VTK's quadratic tetrahedron (cell type 24) lists the corners with (p1 - p0,
// p2 - p0, p3 - p0) right-handed, then the mid-edge nodes of the edges 0-1,
// 1-2, 2-0, 0-3, 1-3, 2-3. Entry k is the library's local node at VTK position k.
extern const int kVtkOrder[10];

// Volume-weighted averages over the 15 Gauss points of one element.
struct ElementAverage {
  double stress[6], strain[6], phi, F, yielding;  // yielding: share of points with F >= 0
};
ElementAverage element_average(const TH10G15::ELEMENT& el);

// One row of the load-displacement curve.
struct StepInfo {
  int step = 0;
  double load = 0.0;
  int iterations = 0;
  double residual = 0.0;
};

class ResultWriter {
 public:
  ResultWriter(const Problem& p, Model& m, const Boundary& b);
  ~ResultWriter();
  ResultWriter(const ResultWriter&) = delete;
  ResultWriter& operator=(const ResultWriter&) = delete;

  // The results of a committed state: U displacements, F nodal forces (the
  // internal forces: applied loads and reactions), Fp plastic forces or empty.
  // Writes the GiD and VTU files when `full` is set, the CSV row always.
  void write(const StepInfo& s, const std::vector<double>& U, const std::vector<double>& F,
             const std::vector<double>& Fp, bool full);
  // The library's text dump of the element state.
  void dump();
  // Names of the files written so far, for the closing summary.
  const std::vector<std::string>& files() const { return files_; }

 private:
  void write_vtu(const std::string& file, const std::vector<double>& U, const std::vector<double>& F,
                 const std::vector<double>& Fp);
  void write_pvd();

  const Problem& p_;
  Model& m_;
  const Boundary& b_;
  std::vector<char> name_;  // writable C string for the library's file routines
  std::FILE* csv_ = nullptr;
  std::vector<std::pair<double, std::string>> pvd_;
  std::vector<std::string> files_;
};

}  // namespace th10run

#endif
