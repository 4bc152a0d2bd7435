// th10run: supports and loads turned into constrained degrees of freedom and
// nodal forces.
#ifndef TH10RUN_BOUNDARY_H
#define TH10RUN_BOUNDARY_H

#include <array>
#include <string>
#include <vector>

#include "input/problem.h"
#include "model.h"

namespace th10run {

// What happens to each degree of freedom, and the equation numbering of the free ones.
struct Constraints {
  enum Kind : char { Free = 0, Fixed = 1, Prescribed = 2 };
  std::vector<char> kind;      // per dof
  std::vector<double> target;  // prescribed displacement at load factor 1
  std::vector<int> eq;         // equation of a free dof, -1 otherwise
  int nFree = 0;
  int nPrescribed = 0;
};

// A node set that the load-displacement curve follows: mean displacement of
// its nodes and the resultant nodal force on them (reaction or applied load).
struct Monitor {
  std::string name;
  std::vector<int> nodes;
};

struct Boundary {
  Constraints con;
  std::vector<double> Fref;  // nodal forces of the pressures at load factor 1
  std::vector<Monitor> monitors;
  int nUnusedNodes = 0;  // nodes of no element, held fixed
};

// Nodes whose coordinates lie in the box (widened by tol).
std::vector<int> nodes_in_box(const Model& m, const Box& b, double tol);

// Builds the constraints, the reference load vector and the monitors. Throws
// ModelError when a node set or a face set is empty.
Boundary build_boundary(const Model& m, const Problem& p);

}  // namespace th10run

#endif
