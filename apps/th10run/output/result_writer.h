// th10run: result files, written into the working directory (the output folder).
//
//  * <name>.post.msh, <name>.post.res: GiD post-processing, by the library;
//  * <name>_NNNN.vtu per written increment and <name>.pvd over them: ParaView;
//    over several ranks, each rank's piece <name>_NNNN_<rank>.vtu and rank 0's
//    <name>_NNNN.pvtu over the pieces, which the .pvd lists;
//  * <name>.csv: the load-displacement curve, one row per increment (rank 0);
// The VTU, PVD and CSV files are replaced whole (written under a temporary
// name, then renamed), so that a kill leaves them complete.
//  * TH10G15.TXT: the library's dump of the element state at the end (optional).
// The GiD files and the dump hold the whole mesh: a single rank writes them.
#ifndef TH10RUN_OUTPUT_RESULT_WRITER_H
#define TH10RUN_OUTPUT_RESULT_WRITER_H

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "analysis/element_state.h"
#include "boundary.h"
#include "csv.h"
#include "input/problem.h"
#include "vtu.h"

namespace th10run {

class ResultWriter {
 public:
  // What a checkpoint keeps of the writer: the PVD list, the names of the
  // files, the CSV rows and the length of the GiD result file.
  struct Saved {
    std::vector<std::pair<double, std::string>> pvd;
    std::vector<std::string> files;
    std::string csv;
    long long gid_length = 0;
  };

  // Writes the GiD mesh file and the head of the GiD result file, and the
  // CSV header, as the output settings ask; or, resuming, takes up the
  // files as they were at a checkpoint (the GiD result file cut back to
  // its length then).
  // The state's model and active groups are what the files show.
  ResultWriter(const OutputInput& o, ElementState& state, const std::vector<Monitor>& monitors,
               const Saved* resume = nullptr);
  Saved saved() const;

  // The results of a committed state: U displacements, F nodal forces (the
  // internal forces: applied loads and reactions), Fp plastic forces or
  // empty. The node records take U and F; the GiD and VTU files are written
  // every `every` steps and at the end of each phase (last), the CSV row
  // always.
  void write(const StepInfo& s, const std::vector<double>& U, const std::vector<double>& F,
             const std::vector<double>& Fp, bool last);
  // Fields given per node (3 values per node for a vector) that the VTU
  // files show from now on, beside the nodal values of the Gauss-point state.
  void set_point_fields(std::vector<PointField> node_fields) { node_fields_ = std::move(node_fields); }
  // At the end of the analysis: the library's text dump, if asked for.
  void finish();
  // Names of the files written so far, for the closing summary.
  const std::vector<std::string>& files() const { return files_; }

 private:
  void note(const std::string& file);
  std::vector<int> element_materials() const;  // the material of every element
  void write_vtu_files(const StepInfo& s, const std::vector<double>& U, const std::vector<double>& F,
                       const std::vector<double>& Fp);

  const OutputInput& o_;
  const ElementState& state_;
  Model& m_;
  const Ranks& ranks_;
  bool whole_;              // a single rank holds the whole mesh
  std::vector<char> name_;  // writable C string for the library's file routines
  std::unique_ptr<CurveFile> csv_;
  std::vector<std::pair<double, std::string>> pvd_;
  std::vector<PointField> node_fields_;
  std::vector<std::string> files_;
  long long gid_length_ = 0;  // of the GiD result file after the last written step
};

}  // namespace th10run

#endif
