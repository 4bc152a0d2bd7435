// th10run: ParaView files. One VTU file per written increment (quadratic
// tetrahedra, VTK cell type 24, the active elements only): displacements and
// nodal forces at the nodes, volume-weighted element averages of the
// Gauss-point state in the cells, further point fields such as the nodal
// stresses, the phase and step as field data; a PVD
// collection over them, stepping through the phases' load factors.
#ifndef TH10RUN_OUTPUT_VTU_H
#define TH10RUN_OUTPUT_VTU_H

#include <string>
#include <utility>
#include <vector>

#include "model.h"

namespace th10run {

// Volume-weighted averages over the 15 Gauss points of one element.
struct ElementAverage {
  double stress[6], strain[6];
  double phi;            // the points' friction angle state
  double phi_mobilised;  // the angle the stress mobilises with the point's cohesion, unbounded
  double F;              // yield value
  double yielding;       // share of points with F >= 0
  double yielded;        // share of points whose last increment was plastic
};
// yielded: per Gauss point of the element, 1 where its last increment was plastic.
ElementAverage element_average(const TH10G15::ELEMENT& el, const char* yielded);

// The VTU's points: the model node each point shows, and the point of each
// local node of every written cell (10 per cell, local node order).
// identity_layout gives one point per node.
struct PointLayout {
  std::vector<int> node;
  std::vector<int> cell_points;
};
PointLayout identity_layout(const Model& m, const std::vector<int>& cells);
// One point per node of the written cells only: a piece of a mesh split over ranks.
PointLayout cell_node_layout(const Model& m, const std::vector<int>& cells);

// A value (of so many components) at every point of a layout.
struct PointField {
  std::string name;
  int components = 1;
  std::vector<double> values;  // point-major
};

// What one VTU file shows.
struct VtuFrame {
  const Model& m;
  const std::vector<int>& cells;  // the elements written
  const PointLayout& points;
  const std::vector<PointField>& fields;  // written beside the displacements and forces
  const std::vector<char>& yielded;       // per Gauss point of every element
  const std::vector<double>& U;           // displacements
  const std::vector<double>& F;           // nodal forces
  const std::vector<double>& Fp;          // plastic forces, or empty
  int phase = 1;
  int step = 0;
};

// A point or cell data array of a VTU file.
struct VtuArray {
  std::string name;
  int components = 1;
  bool cell = false;  // cell data, else point data
};

// Writes the file; returns its data arrays, for the collection of the
// pieces of a mesh split over ranks.
std::vector<VtuArray> write_vtu(const std::string& file, const VtuFrame& frame);

// The collection of (time, VTU file) pairs.
void write_pvd(const std::string& file, const std::vector<std::pair<double, std::string>>& steps);

}  // namespace th10run

#endif
