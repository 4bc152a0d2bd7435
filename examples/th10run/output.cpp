// th10run: GiD, VTU/PVD and CSV result files.
#include "output.h"

#include <cmath>
#include <stdexcept>

namespace th10run {

// The library's local order (corners 2, 3, 0, 1 form a right-handed
// tetrahedron, Jacobian > 0) mapped onto VTK's: VTK corner k is local corner
// 2, 3, 0, 1, and VTK edge 0-1 is local edge 2-3 (node 9), 1-2 is 3-0 (7),
// 2-0 is 0-2 (6), 0-3 is 2-1 (5), 1-3 is 3-1 (8), 2-3 is 0-1 (4).
const int kVtkOrder[10] = {2, 3, 0, 1, 9, 7, 6, 5, 8, 4};

ElementAverage element_average(const TH10G15::ELEMENT& el) {
  ElementAverage a{};
  double vol = 0.0;
  int yielding = 0;
  for (const TH10G15::GAUSSPOINT& g : el.GP) {
    const double w = g.w * g.Jac;
    vol += w;
    for (int k = 0; k < 6; ++k) {
      a.stress[k] += w * g.stress[k];
      a.strain[k] += w * g.strain[k];
    }
    a.phi += w * g.Phi;
    a.F += w * g.F;
    yielding += g.F >= 0.0;
  }
  for (int k = 0; k < 6; ++k) {
    a.stress[k] /= vol;
    a.strain[k] /= vol;
  }
  a.phi /= vol;
  a.F /= vol;
  a.yielding = yielding / 15.0;
  return a;
}

namespace {

std::FILE* open_or_throw(const std::string& file, const char* mode) {
  std::FILE* f = std::fopen(file.c_str(), mode);
  if (!f) throw std::runtime_error("cannot write " + file);
  return f;
}

void close_or_throw(std::FILE* f, const std::string& file) {
  const bool bad = std::ferror(f) != 0;
  if (std::fclose(f) != 0 || bad) throw std::runtime_error("error while writing " + file);
}

// One VTK data array in ASCII.
template <class Get>
void data_array(std::FILE* f, const char* name, int components, int count, Get get,
                const char* const* component_names = nullptr) {
  std::fprintf(f, "        <DataArray type=\"Float64\" Name=\"%s\" NumberOfComponents=\"%d\"", name,
               components);
  if (component_names)
    for (int c = 0; c < components; ++c) std::fprintf(f, " ComponentName%d=\"%s\"", c, component_names[c]);
  std::fprintf(f, " format=\"ascii\">\n");
  for (int i = 0; i < count; ++i) {
    std::fprintf(f, "         ");
    for (int c = 0; c < components; ++c) std::fprintf(f, " %.16g", get(i, c));
    std::fprintf(f, "\n");
  }
  std::fprintf(f, "        </DataArray>\n");
}

}  // namespace

ResultWriter::ResultWriter(const Problem& p, Model& m, const Boundary& b) : p_(p), m_(m), b_(b) {
  name_.assign(p.output.name.begin(), p.output.name.end());
  name_.push_back('\0');
  if (p.output.gid) {
    // The GiD mesh file and the head of the result file.
    if (TH10G15::save_GID(name_.data(), m.nodes.data(), m.nNodes(), m.elems.data(), m.nElements()) != 0)
      throw std::runtime_error("cannot write the GiD files " + p.output.name + ".post.msh/.post.res");
    files_.push_back(p.output.name + ".post.msh");
    files_.push_back(p.output.name + ".post.res");
  }
  if (p.output.csv) {
    const std::string file = p.output.name + ".csv";
    csv_ = open_or_throw(file, "w");
    std::fprintf(csv_, "step,load_factor,iterations,residual");
    for (const Monitor& mon : b.monitors)
      for (const char* q : {"ux", "uy", "uz", "Fx", "Fy", "Fz"})
        std::fprintf(csv_, ",%s_%s", mon.name.c_str(), q);
    std::fprintf(csv_, "\n");
    files_.push_back(file);
  }
}

ResultWriter::~ResultWriter() {
  if (csv_) std::fclose(csv_);
}

void ResultWriter::write(const StepInfo& s, const std::vector<double>& U, const std::vector<double>& F,
                         const std::vector<double>& Fp, bool full) {
  if (full && p_.output.gid &&
      TH10G15::update_GID(name_.data(), m_.elems.data(), m_.nElements(), m_.nNodes(),
                          const_cast<double*>(U.data()), const_cast<double*>(F.data()), s.step) != 0)
    throw std::runtime_error("cannot append to the GiD result file " + p_.output.name + ".post.res");
  if (full && p_.output.vtu) {
    char file[64];
    std::snprintf(file, sizeof file, "_%04d.vtu", s.step);
    write_vtu(p_.output.name + file, U, F, Fp);
    pvd_.emplace_back(s.load, p_.output.name + file);
    write_pvd();
  }
  if (csv_) {
    // Mean displacement of each monitored node set and the resultant force
    // that acts on the body at its nodes.
    std::fprintf(csv_, "%d,%.10g,%d,%.3e", s.step, s.load, s.iterations, s.residual);
    for (const Monitor& mon : b_.monitors) {
      double u[3] = {0, 0, 0}, f[3] = {0, 0, 0};
      for (int i : mon.nodes)
        for (int d = 0; d < 3; ++d) {
          u[d] += U[3 * i + d];
          f[d] += F[3 * i + d];
        }
      for (int d = 0; d < 3; ++d) std::fprintf(csv_, ",%.10g", u[d] / mon.nodes.size());
      for (int d = 0; d < 3; ++d) std::fprintf(csv_, ",%.10g", f[d]);
    }
    std::fprintf(csv_, "\n");
    std::fflush(csv_);
  }
}

void ResultWriter::write_vtu(const std::string& file, const std::vector<double>& U,
                             const std::vector<double>& F, const std::vector<double>& Fp) {
  std::FILE* f = open_or_throw(file, "w");
  const int nN = m_.nNodes(), nE = m_.nElements();
  std::fprintf(f,
               "<?xml version=\"1.0\"?>\n"
               "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\" "
               "header_type=\"UInt64\">\n"
               "  <UnstructuredGrid>\n"
               "    <Piece NumberOfPoints=\"%d\" NumberOfCells=\"%d\">\n"
               "      <Points>\n",
               nN, nE);
  data_array(f, "Points", 3, nN, [&](int i, int d) {
    const FEM::NODE& n = m_.nodes[i];
    return d == 0 ? n.x : d == 1 ? n.y : n.z;
  });
  std::fprintf(f, "      </Points>\n      <Cells>\n");
  std::fprintf(f, "        <DataArray type=\"Int64\" Name=\"connectivity\" format=\"ascii\">\n");
  for (const TH10G15::ELEMENT& el : m_.elems) {
    std::fprintf(f, "         ");
    for (int k = 0; k < 10; ++k) std::fprintf(f, " %d", el.Node_ID[kVtkOrder[k]]);
    std::fprintf(f, "\n");
  }
  std::fprintf(
      f, "        </DataArray>\n        <DataArray type=\"Int64\" Name=\"offsets\" format=\"ascii\">\n");
  for (int e = 0; e < nE; ++e)
    std::fprintf(f, "%s%d%s", e % 10 == 0 ? "         " : " ", 10 * (e + 1),
                 e % 10 == 9 || e == nE - 1 ? "\n" : "");
  std::fprintf(f,
               "        </DataArray>\n        <DataArray type=\"UInt8\" Name=\"types\" format=\"ascii\">\n");
  for (int e = 0; e < nE; ++e)
    std::fprintf(f, "%s24%s", e % 20 == 0 ? "         " : " ", e % 20 == 19 || e == nE - 1 ? "\n" : "");
  std::fprintf(f, "        </DataArray>\n      </Cells>\n");

  std::fprintf(f, "      <PointData Vectors=\"displacement\">\n");
  data_array(f, "displacement", 3, nN, [&](int i, int d) { return U[3 * i + d]; });
  data_array(f, "force", 3, nN, [&](int i, int d) { return F[3 * i + d]; });
  if (!Fp.empty()) data_array(f, "plastic_force", 3, nN, [&](int i, int d) { return Fp[3 * i + d]; });
  std::fprintf(f, "      </PointData>\n");

  std::vector<ElementAverage> avg(nE);
  for (int e = 0; e < nE; ++e) avg[e] = element_average(m_.elems[e]);
  static const char* const stress_names[6] = {"xx", "yy", "zz", "xy", "yz", "zx"};
  static const char* const strain_names[6] = {"xx", "yy", "zz", "gamma_xy", "gamma_yz", "gamma_zx"};
  std::fprintf(f, "      <CellData Tensors=\"stress\">\n");
  data_array(
      f, "stress", 6, nE, [&](int e, int k) { return avg[e].stress[k]; }, stress_names);
  data_array(
      f, "strain", 6, nE, [&](int e, int k) { return avg[e].strain[k]; }, strain_names);
  data_array(f, "friction_angle", 1, nE, [&](int e, int) { return avg[e].phi; });
  data_array(f, "yield_value", 1, nE, [&](int e, int) { return avg[e].F; });
  data_array(f, "yielding_share", 1, nE, [&](int e, int) { return avg[e].yielding; });
  std::fprintf(f, "      </CellData>\n    </Piece>\n  </UnstructuredGrid>\n</VTKFile>\n");
  close_or_throw(f, file);
  files_.push_back(file);
}

void ResultWriter::write_pvd() {
  const std::string file = p_.output.name + ".pvd";
  std::FILE* f = open_or_throw(file, "w");
  std::fprintf(f, "<?xml version=\"1.0\"?>\n<VTKFile type=\"Collection\" version=\"0.1\">\n  <Collection>\n");
  for (const auto& [t, name] : pvd_)
    std::fprintf(f, "    <DataSet timestep=\"%.10g\" group=\"\" part=\"0\" file=\"%s\"/>\n", t, name.c_str());
  std::fprintf(f, "  </Collection>\n</VTKFile>\n");
  close_or_throw(f, file);
  if (pvd_.size() == 1) files_.push_back(file);
}

void ResultWriter::dump() {
  // The library writes the fixed name TH10G15.TXT in the working directory.
  TH10G15::SaveTXT(m_.elems.data(), m_.nElements());
  files_.push_back("TH10G15.TXT");
}

}  // namespace th10run
