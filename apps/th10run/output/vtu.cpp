// th10run: VTU and PVD files for ParaView.
#include "vtu.h"

#include <cstdio>

#include "element_geometry.h"
#include "files.h"
#include "threads.h"

namespace th10run {

ElementAverage element_average(const TH10G15::ELEMENT& el, const char* yielded) {
  ElementAverage a{};
  double vol = 0.0;
  int yielding = 0, plastic = 0;
  for (int k = 0; k < tet10::kGaussPoints; ++k) {
    const TH10G15::GAUSSPOINT& g = el.GP[k];
    const double w = g.w * g.Jac;
    vol += w;
    for (int i = 0; i < 6; ++i) {
      a.stress[i] += w * g.stress[i];
      a.strain[i] += w * g.strain[i];
    }
    a.phi += w * g.Phi;
    // Bounds that do not bound: the angle itself, whatever it is.
    a.phi_mobilised += w * FEM::MC_SG_F_Phi(const_cast<double*>(g.stress), 6, g.c, 0.0, 0.0);
    a.F += w * g.F;
    yielding += g.F >= 0.0;
    plastic += yielded[k] != 0;
  }
  for (int i = 0; i < 6; ++i) {
    a.stress[i] /= vol;
    a.strain[i] /= vol;
  }
  a.phi /= vol;
  a.phi_mobilised /= vol;
  a.F /= vol;
  a.yielding = yielding / static_cast<double>(tet10::kGaussPoints);
  a.yielded = plastic / static_cast<double>(tet10::kGaussPoints);
  return a;
}

namespace {

// One VTK data array in ASCII, noted in `arrays` (as cell or point data) when given.
template <class Get>
void data_array(std::FILE* f, const char* name, int components, int count, Get get,
                const char* const* component_names = nullptr, std::vector<VtuArray>* arrays = nullptr,
                bool cell = false) {
  if (arrays) arrays->push_back(VtuArray{name, components, cell});
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

PointLayout cell_node_layout(const Model& m, const std::vector<int>& cells) {
  PointLayout l;
  std::vector<int> point(m.nNodes(), -1);
  for (int e : cells)
    for (int k = 0; k < tet10::kNodes; ++k) {
      int& p = point[m.elems[e].Node_ID[k]];
      if (p < 0) {
        p = static_cast<int>(l.node.size());
        l.node.push_back(m.elems[e].Node_ID[k]);
      }
      l.cell_points.push_back(p);
    }
  return l;
}

PointLayout identity_layout(const Model& m, const std::vector<int>& cells) {
  PointLayout l;
  l.node.resize(m.nNodes());
  for (int i = 0; i < m.nNodes(); ++i) l.node[i] = i;
  for (int e : cells)
    l.cell_points.insert(l.cell_points.end(), m.elems[e].Node_ID, m.elems[e].Node_ID + tet10::kNodes);
  return l;
}

std::vector<VtuArray> write_vtu(const std::string& file, const VtuFrame& frame) {
  std::FILE* f = open_replacement(file);
  std::vector<VtuArray> arrays;
  const Model& m = frame.m;
  const std::vector<int>& cells = frame.cells;
  const std::vector<int>& node = frame.points.node;
  const int nN = static_cast<int>(node.size()), nC = static_cast<int>(cells.size());
  std::fprintf(f,
               "<?xml version=\"1.0\"?>\n"
               "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\" "
               "header_type=\"UInt64\">\n"
               "  <UnstructuredGrid>\n"
               "    <FieldData>\n"
               "      <DataArray type=\"Int32\" Name=\"phase\" NumberOfTuples=\"1\" format=\"ascii\"> %d "
               "</DataArray>\n"
               "      <DataArray type=\"Int32\" Name=\"step\" NumberOfTuples=\"1\" format=\"ascii\"> %d "
               "</DataArray>\n"
               "    </FieldData>\n"
               "    <Piece NumberOfPoints=\"%d\" NumberOfCells=\"%d\">\n"
               "      <Points>\n",
               frame.phase, frame.step, nN, nC);
  data_array(f, "Points", 3, nN, [&](int i, int d) {
    const FEM::NODE& n = m.nodes[node[i]];
    return d == 0 ? n.x : d == 1 ? n.y : n.z;
  });
  std::fprintf(f, "      </Points>\n      <Cells>\n");
  std::fprintf(f, "        <DataArray type=\"Int64\" Name=\"connectivity\" format=\"ascii\">\n");
  for (int c = 0; c < nC; ++c) {
    std::fprintf(f, "         ");
    for (int k = 0; k < tet10::kNodes; ++k)
      std::fprintf(f, " %d", frame.points.cell_points[tet10::kNodes * c + tet10::vtk_node(k)]);
    std::fprintf(f, "\n");
  }
  std::fprintf(
      f, "        </DataArray>\n        <DataArray type=\"Int64\" Name=\"offsets\" format=\"ascii\">\n");
  for (int c = 0; c < nC; ++c)
    std::fprintf(f, "%s%d%s", c % 10 == 0 ? "         " : " ", tet10::kNodes * (c + 1),
                 c % 10 == 9 || c == nC - 1 ? "\n" : "");
  std::fprintf(f,
               "        </DataArray>\n        <DataArray type=\"UInt8\" Name=\"types\" format=\"ascii\">\n");
  for (int c = 0; c < nC; ++c)
    std::fprintf(f, "%s24%s", c % 20 == 0 ? "         " : " ", c % 20 == 19 || c == nC - 1 ? "\n" : "");
  std::fprintf(f, "        </DataArray>\n      </Cells>\n");

  std::fprintf(f, "      <PointData Vectors=\"displacement\">\n");
  data_array(
      f, "displacement", 3, nN, [&](int i, int d) { return frame.U[3 * node[i] + d]; }, nullptr, &arrays);
  data_array(
      f, "force", 3, nN, [&](int i, int d) { return frame.F[3 * node[i] + d]; }, nullptr, &arrays);
  if (!frame.Fp.empty())
    data_array(
        f, "plastic_force", 3, nN, [&](int i, int d) { return frame.Fp[3 * node[i] + d]; }, nullptr, &arrays);
  for (const PointField& p : frame.fields)
    data_array(
        f, p.name.c_str(), p.components, nN, [&](int i, int d) { return p.values[p.components * i + d]; },
        nullptr, &arrays);
  std::fprintf(f, "      </PointData>\n");

  std::vector<ElementAverage> avg(nC);
  for_blocks(nC, [&](int first, int count, int) {
    for (int c = first; c < first + count; ++c)
      avg[c] = element_average(m.elems[cells[c]],
                               &frame.yielded[static_cast<size_t>(cells[c]) * tet10::kGaussPoints]);
  });
  static const char* const stress_names[6] = {"xx", "yy", "zz", "xy", "yz", "zx"};
  static const char* const strain_names[6] = {"xx", "yy", "zz", "gamma_xy", "gamma_yz", "gamma_zx"};
  std::fprintf(f, "      <CellData Tensors=\"stress\">\n");
  data_array(
      f, "stress", 6, nC, [&](int c, int k) { return avg[c].stress[k]; }, stress_names, &arrays, true);
  data_array(
      f, "strain", 6, nC, [&](int c, int k) { return avg[c].strain[k]; }, strain_names, &arrays, true);
  data_array(
      f, "friction_angle", 1, nC, [&](int c, int) { return avg[c].phi; }, nullptr, &arrays, true);
  data_array(
      f, "mobilised_friction_angle", 1, nC, [&](int c, int) { return avg[c].phi_mobilised; }, nullptr,
      &arrays, true);
  data_array(
      f, "yield_value", 1, nC, [&](int c, int) { return avg[c].F; }, nullptr, &arrays, true);
  data_array(
      f, "yielding_share", 1, nC, [&](int c, int) { return avg[c].yielding; }, nullptr, &arrays, true);
  data_array(
      f, "yielded_share", 1, nC, [&](int c, int) { return avg[c].yielded; }, nullptr, &arrays, true);
  std::fprintf(f, "      </CellData>\n    </Piece>\n  </UnstructuredGrid>\n</VTKFile>\n");
  close_replacement(f, file);
  return arrays;
}

void write_pvd(const std::string& file, const std::vector<std::pair<double, std::string>>& steps) {
  std::FILE* f = open_replacement(file);
  std::fprintf(f, "<?xml version=\"1.0\"?>\n<VTKFile type=\"Collection\" version=\"0.1\">\n  <Collection>\n");
  for (const auto& [t, name] : steps)
    std::fprintf(f, "    <DataSet timestep=\"%.10g\" group=\"\" part=\"0\" file=\"%s\"/>\n", t, name.c_str());
  std::fprintf(f, "  </Collection>\n</VTKFile>\n");
  close_replacement(f, file);
}

}  // namespace th10run
