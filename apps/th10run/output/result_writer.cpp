// th10run: GiD (through the library), VTU/PVD and CSV result files.
#include "result_writer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "nodal_values.h"
#include "pvtu.h"
#include "vtu.h"

namespace th10run {
namespace {

// A field given per node, at the points of a layout.
PointField at_points(const PointField& per_node, const PointLayout& points) {
  PointField f{per_node.name, per_node.components, {}};
  for (int node : points.node)
    for (int d = 0; d < f.components; ++d) f.values.push_back(per_node.values[f.components * node + d]);
  return f;
}

}  // namespace

namespace {

std::string gid_results(const OutputInput& o) {
  return o.name + ".post.res";
}

}  // namespace

ResultWriter::ResultWriter(const OutputInput& o, ElementState& state, const std::vector<Monitor>& monitors,
                           const Saved* resume)
    : o_(o), state_(state), m_(state.model()), ranks_(*m_.part.ranks), whole_(ranks_.size() == 1) {
  Model& m = m_;
  name_.assign(o.name.begin(), o.name.end());
  name_.push_back('\0');
  if (resume) {
    pvd_ = resume->pvd;
    files_ = resume->files;
    gid_length_ = resume->gid_length;
    if (o.gid && whole_)
      std::filesystem::resize_file(gid_results(o), static_cast<std::uintmax_t>(gid_length_));
    if (o.csv && ranks_.root()) csv_ = std::make_unique<CurveFile>(o.name + ".csv", monitors, &resume->csv);
    return;
  }
  if (o.gid && !whole_) std::printf("*** no GiD files: they are written by single-process runs only\n");
  if (o.gid && whole_) {
    // The GiD mesh file and the head of the result file.
    if (TH10G15::save_GID(name_.data(), m.nodes.data(), m.nNodes(), m.elems.data(), m.nElements()) != 0)
      throw std::runtime_error("cannot write the GiD files " + o.name + ".post.msh/.post.res");
    note(o.name + ".post.msh");
    note(gid_results(o));
    gid_length_ = static_cast<long long>(std::filesystem::file_size(gid_results(o)));
  }
  if (o.csv && ranks_.root()) {
    csv_ = std::make_unique<CurveFile>(o.name + ".csv", monitors);
    note(o.name + ".csv");
  }
}

std::vector<int> ResultWriter::element_materials() const {
  std::vector<int> material(m_.nElements());
  for (size_t g = 0; g < m_.groups.size(); ++g)
    std::fill_n(material.begin() + m_.groups[g].first, m_.groups[g].count, state_.group_material()[g]);
  return material;
}

void ResultWriter::note(const std::string& file) {
  if (std::find(files_.begin(), files_.end(), file) == files_.end()) files_.push_back(file);
}

void ResultWriter::write(const StepInfo& s, const std::vector<double>& U, const std::vector<double>& F,
                         const std::vector<double>& Fp, bool last) {
  // The node records take the displacements and nodal forces of the step.
  FEM::Update_Nodes(m_.nodes.data(), m_.nNodes(), const_cast<double*>(U.data()),
                    const_cast<double*>(F.data()));
  const bool full = last || s.step % o_.every == 0;
  if (full && o_.gid && whole_ &&
      TH10G15::update_GID(name_.data(), m_.elems.data(), m_.nElements(), m_.nNodes(),
                          const_cast<double*>(U.data()), const_cast<double*>(F.data()), s.step) != 0)
    throw std::runtime_error("cannot append to the GiD result file " + gid_results(o_));
  if (full && o_.gid && whole_)
    gid_length_ = static_cast<long long>(std::filesystem::file_size(gid_results(o_)));
  if (full && o_.vtu) write_vtu_files(s, U, F, Fp);
  if (csv_) csv_->write(s, U, F);
}

ResultWriter::Saved ResultWriter::saved() const {
  return Saved{pvd_, files_, csv_ ? csv_->text() : std::string(), gid_length_};
}

// The VTU file of the step (or this rank's piece of it, and on rank 0 the
// .pvtu over the pieces), and the .pvd collection up to it.
void ResultWriter::write_vtu_files(const StepInfo& s, const std::vector<double>& U,
                                   const std::vector<double>& F, const std::vector<double>& Fp) {
  char suffix[64];
  std::snprintf(suffix, sizeof suffix, "_%04d", s.step);
  const std::string stem = o_.name + suffix;
  std::vector<int> cells;
  const std::vector<char> active = element_activity(m_, state_.active());
  for (int e = 0; e < m_.nElements(); ++e)
    if (active[e]) cells.push_back(e);
  // A piece shows the nodes of its own cells.
  const PointLayout points = o_.by_material ? material_layout(m_, cells, element_materials())
                             : whole_       ? identity_layout(m_, cells)
                                            : cell_node_layout(m_, cells);
  std::vector<PointField> fields = nodal_fields(m_, cells, state_.yielded(), points);
  for (const PointField& f : node_fields_) fields.push_back(at_points(f, points));
  const std::string file = whole_ ? stem + ".vtu" : stem + ".pvtu";
  const std::vector<VtuArray> arrays =
      write_vtu(whole_ ? file : piece_name(stem, ranks_.rank()),
                VtuFrame{m_, cells, points, fields, state_.yielded(), U, F, Fp, s.phase, s.step});
  if (!ranks_.root()) return;
  if (!whole_) write_pvtu(file, stem, ranks_.size(), arrays);
  note(file);
  // The collection steps through the phases: phase k runs from k - 1 to k.
  pvd_.emplace_back(s.phase - 1 + s.load, file);
  write_pvd(o_.name + ".pvd", pvd_);
  note(o_.name + ".pvd");
}

void ResultWriter::finish() {
  if (!o_.dump || !whole_) return;
  // The library writes the fixed name TH10G15.TXT in the working directory.
  TH10G15::SaveTXT(m_.elems.data(), m_.nElements());
  note("TH10G15.TXT");
}

}  // namespace th10run
