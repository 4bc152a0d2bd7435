// th10run: building the mesh records and the initial material state.
#include "model.h"

#include <algorithm>
#include <cmath>
#include <sstream>

#include "box_mesh.h"
#include "element_geometry.h"

namespace th10run {

double Model::tolerance() const {
  double ext = 0.0;
  for (int d = 0; d < 3; ++d) ext = std::max(ext, hi[d] - lo[d]);
  return 1e-6 * ext;
}

namespace {

// Nodes and connectivity from a GiD ASCII mesh file, read by the library.
void read_gid(const std::string& name, Model& m) {
  // The library takes a writable name buffer of at most 255 characters
  // including the suffix "_ascii.msh".
  if (name.size() + 10 >= 255) throw ModelError("mesh file name too long (over 244 characters): " + name);
  std::vector<char> buf(name.begin(), name.end());
  buf.push_back('\0');
  // First count, so that the arrays can be sized (the reader has no bound).
  int nN = 0, nE = 0;
  if (TH10G15::GID_mesh_count(buf.data(), nN, nE) != 0)
    throw ModelError("cannot read the GiD mesh " + name + "_ascii.msh (see the message above)");
  if (nN < 4 || nE < 1) throw ModelError("the GiD mesh " + name + "_ascii.msh has no elements");
  m.nodes.assign(nN, FEM::NODE{});
  m.elems.assign(nE, TH10G15::ELEMENT{});
  int rN = 0, rE = 0;
  if (TH10G15::GID_mesh(buf.data(), m.nodes.data(), rN, m.elems.data(), rE) != 0 || rN != nN || rE != nE)
    throw ModelError("cannot read the GiD mesh " + name + "_ascii.msh (see the message above)");
}

void read_box(const MeshInput& s, Model& m) {
  std::vector<double> axis[3];
  for (int d = 0; d < 3; ++d)
    axis[d] = boxmesh::graded(s.origin[d], s.origin[d] + s.size[d], s.cells[d], s.grading[d]);
  const boxmesh::BoxMesh b = boxmesh::make_box(axis[0], axis[1], axis[2]);
  m.nodes.assign(b.nNodes(), FEM::NODE{});
  m.elems.assign(b.nElements(), TH10G15::ELEMENT{});
  boxmesh::fill_records(b, m.nodes.data(), m.elems.data());
}

// Element Coords and DoF lists and the node DoF lists, node-major.
void number_dofs(Model& m) {
  for (int i = 0; i < m.nNodes(); ++i) {
    FEM::NODE& n = m.nodes[i];
    for (int d = 0; d < 3; ++d) n.DoF[d] = 3 * i + d;
  }
  for (TH10G15::ELEMENT& el : m.elems)
    for (int k = 0; k < tet10::kNodes; ++k) {
      const FEM::NODE& n = m.nodes[el.Node_ID[k]];
      const double xyz[3] = {n.x, n.y, n.z};
      for (int d = 0; d < 3; ++d) {
        el.DoF[3 * k + d] = 3 * el.Node_ID[k] + d;
        el.Coords[3 * k + d] = xyz[d];
      }
    }
}

void bounding_box(Model& m) {
  for (int d = 0; d < 3; ++d) {
    m.lo[d] = HUGE_VAL;
    m.hi[d] = -HUGE_VAL;
  }
  for (const FEM::NODE& n : m.nodes) {
    const double xyz[3] = {n.x, n.y, n.z};
    for (int d = 0; d < 3; ++d) {
      m.lo[d] = std::min(m.lo[d], xyz[d]);
      m.hi[d] = std::max(m.hi[d], xyz[d]);
    }
  }
}

// An element with a non-positive or non-finite Jacobian at any Gauss point is
// inverted or degenerate: its stiffness would be meaningless.
void check_jacobians(const Model& m) {
  for (int e = 0; e < m.nElements(); ++e)
    for (const TH10G15::GAUSSPOINT& g : m.elems[e].GP)
      if (!(g.Jac > 0.0) || !std::isfinite(g.Jac)) {
        std::ostringstream s;
        s << "element " << e + 1 << " is inverted or degenerate (Jacobian " << g.Jac
          << " at a Gauss point); check its node order and coordinates";
        throw ModelError(s.str());
      }
}

}  // namespace

Model build_model(const MeshInput& mesh) {
  Model m;
  if (mesh.kind == MeshKind::Gid)
    read_gid(mesh.gid_name, m);
  else
    read_box(mesh, m);
  for (const FEM::NODE& n : m.nodes)
    if (!std::isfinite(n.x) || !std::isfinite(n.y) || !std::isfinite(n.z))
      throw ModelError("the mesh has a node with a coordinate that is not a finite number");
  number_dofs(m);
  bounding_box(m);
  // Geometry: Gauss points, Jacobians and strain-displacement matrices.
  TH10G15::make_GP_J_B(m.elems.data(), m.nElements());
  check_jacobians(m);
  return m;
}

void set_up_material(Model& m, const MaterialInput& mat, const InitialStressInput& init) {
  const double G = mat.E / (2.0 * (1.0 + mat.nu));
  for (TH10G15::ELEMENT& el : m.elems)
    for (int g = 0; g < tet10::kGaussPoints; ++g) {
      TH10G15::GAUSSPOINT& p = el.GP[g];
      p.E = mat.E;
      p.nu = mat.nu;
      p.G = G;
      p.c = mat.c;
      double s[6] = {0, 0, 0, 0, 0, 0};
      if (init.kind == InitialStressKind::Uniform) {
        std::copy(init.stress, init.stress + 6, s);
      } else if (init.kind == InitialStressKind::Geostatic) {
        // Vertical stress from the weight above the point (compression
        // negative), horizontal stresses K0 times it; nothing above the surface.
        double xyz[3];
        tet10::gauss_point_position(el, g, xyz);
        const double depth = std::max(0.0, init.surface - xyz[2]);
        s[2] = -init.unit_weight * depth;
        s[0] = s[1] = init.K0 * s[2];
      }
      // The initial stress is in equilibrium by assumption: stored as the
      // reference stress0 it produces no internal force.
      std::copy(s, s + 6, p.stress0);
      std::copy(s, s + 6, p.stress);
    }
  // Friction angle, dilatancy, yield value and material matrices at the initial stress.
  TH10G15::update_Phi_F_D(m.elems.data(), m.nElements(), mat.phi, mat.associated ? 1 : 0, mat.psi);
}

}  // namespace th10run
