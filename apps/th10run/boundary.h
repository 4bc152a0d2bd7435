// th10run: supports and loads of each phase turned into constrained degrees
// of freedom and nodal forces, and the node sets the curves follow.
#ifndef TH10RUN_BOUNDARY_H
#define TH10RUN_BOUNDARY_H

#include <string>
#include <utility>
#include <vector>

#include "input/problem.h"
#include "model.h"

namespace th10run {

// What happens to each degree of freedom, and the equation numbering of the free ones.
struct Constraints {
  enum Kind : char { Free = 0, Fixed = 1, Prescribed = 2 };
  std::vector<char> kind;      // per dof
  std::vector<double> target;  // prescribed displacement over the phase
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

// The boundary conditions of one phase. The external forces go from F0 at
// the phase's start to F0 + Fref at its end.
struct Boundary {
  Constraints con;
  std::vector<double> F0;    // external forces at the start of the phase
  std::vector<double> Fref;  // their change over the phase
  int nUnusedNodes = 0;      // nodes of no active element, held fixed
};

// The groups active in each phase: a group is active unless a phase
// deactivates it, or a later phase activates it (then it waits for that phase).
std::vector<std::vector<char>> phase_activity(const Model& m, const Problem& p);

// Per element: 1 when its group is active.
std::vector<char> element_activity(const Model& m, const std::vector<char>& group_active);

// Faces of the active elements (of active groups) that no other active
// element shares, as (element, local face) pairs in element order: on
// several ranks, the faces of this rank's elements that no active element
// of any rank shares.
std::vector<std::pair<int, int>> boundary_faces(const Model& m, const std::vector<char>& group_active);

// Nodes whose coordinates lie in the box (widened by tol).
std::vector<int> nodes_in_box(const Model& m, const Box& b, double tol);

// The node sets of every prescribed displacement and pressure of every
// phase, in the order of the problem file. Throws ModelError when one is empty.
std::vector<Monitor> build_monitors(const Model& m, const Problem& p,
                                    const std::vector<std::vector<char>>& activity);

// The constraints and the pressure loads (at their full value, Fref; F0
// zero) of a phase whose active groups are group_active: supports of the
// problem and of the phases up to this one; prescribed displacements of
// this phase, those of earlier phases held; nodes of no active element
// fixed. Throws ModelError when a node or face set of this phase is empty.
Boundary build_boundary(const Model& m, const Problem& p, size_t phase,
                        const std::vector<char>& group_active);

}  // namespace th10run

#endif
