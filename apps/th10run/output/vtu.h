// th10run: ParaView files. One VTU file per written increment (quadratic
// tetrahedra, VTK cell type 24): displacements and nodal forces at the
// nodes, volume-weighted element averages of the Gauss-point state in the
// cells; a PVD collection over them, stepping through the load factor.
#ifndef TH10RUN_OUTPUT_VTU_H
#define TH10RUN_OUTPUT_VTU_H

#include <string>
#include <utility>
#include <vector>

#include "model.h"

namespace th10run {

// Volume-weighted averages over the 15 Gauss points of one element.
struct ElementAverage {
  double stress[6], strain[6], phi, F, yielding;  // yielding: share of points with F >= 0
};
ElementAverage element_average(const TH10G15::ELEMENT& el);

// U displacements, F nodal forces, Fp plastic forces or empty.
void write_vtu(const std::string& file, const Model& m, const std::vector<double>& U,
               const std::vector<double>& F, const std::vector<double>& Fp);

// The collection of (load factor, VTU file) pairs.
void write_pvd(const std::string& file, const std::vector<std::pair<double, std::string>>& steps);

}  // namespace th10run

#endif
