// th10run: VTU and PVD files for ParaView.
#include "vtu.h"

#include <cstdio>

#include "element_geometry.h"
#include "files.h"

namespace th10run {

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
  a.yielding = yielding / static_cast<double>(tet10::kGaussPoints);
  return a;
}

namespace {

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

void write_vtu(const std::string& file, const Model& m, const std::vector<double>& U,
               const std::vector<double>& F, const std::vector<double>& Fp) {
  std::FILE* f = open_or_throw(file, "w");
  const int nN = m.nNodes(), nE = m.nElements();
  std::fprintf(f,
               "<?xml version=\"1.0\"?>\n"
               "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\" "
               "header_type=\"UInt64\">\n"
               "  <UnstructuredGrid>\n"
               "    <Piece NumberOfPoints=\"%d\" NumberOfCells=\"%d\">\n"
               "      <Points>\n",
               nN, nE);
  data_array(f, "Points", 3, nN, [&](int i, int d) {
    const FEM::NODE& n = m.nodes[i];
    return d == 0 ? n.x : d == 1 ? n.y : n.z;
  });
  std::fprintf(f, "      </Points>\n      <Cells>\n");
  std::fprintf(f, "        <DataArray type=\"Int64\" Name=\"connectivity\" format=\"ascii\">\n");
  for (const TH10G15::ELEMENT& el : m.elems) {
    std::fprintf(f, "         ");
    for (int k = 0; k < tet10::kNodes; ++k) std::fprintf(f, " %d", el.Node_ID[tet10::vtk_node(k)]);
    std::fprintf(f, "\n");
  }
  std::fprintf(
      f, "        </DataArray>\n        <DataArray type=\"Int64\" Name=\"offsets\" format=\"ascii\">\n");
  for (int e = 0; e < nE; ++e)
    std::fprintf(f, "%s%d%s", e % 10 == 0 ? "         " : " ", tet10::kNodes * (e + 1),
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
  for (int e = 0; e < nE; ++e) avg[e] = element_average(m.elems[e]);
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
}

void write_pvd(const std::string& file, const std::vector<std::pair<double, std::string>>& steps) {
  std::FILE* f = open_or_throw(file, "w");
  std::fprintf(f, "<?xml version=\"1.0\"?>\n<VTKFile type=\"Collection\" version=\"0.1\">\n  <Collection>\n");
  for (const auto& [t, name] : steps)
    std::fprintf(f, "    <DataSet timestep=\"%.10g\" group=\"\" part=\"0\" file=\"%s\"/>\n", t, name.c_str());
  std::fprintf(f, "  </Collection>\n</VTKFile>\n");
  close_or_throw(f, file);
}

}  // namespace th10run
