// th10fem: finite-element routines for 3-D elasto-plastic analysis with
// 10-node tetrahedra and a Mohr-Coulomb material.
//
// Class FEM: routines at one material point and for nodes.
//
// Conventions shared by every routine:
//  * stress and strain vectors hold 6 doubles in the order x, y, z, xy, yz, zx;
//    shear strains are engineering strains; tension is positive;
//  * the material routines also accept n = 4 (x, y, xy, z) and SG_De n = 3
//    (x, y, xy);
//  * matrices are dense and row-major: entry (i, j) of an r x c matrix at i*c + j;
//  * angles cross the interface in degrees, the Lode angle is in radians.
// No routine allocates, keeps state or reports anything; callers own every array.
#ifndef TH10FEM_FEM_H
#define TH10FEM_FEM_H

#if defined(_WIN32)
#define TH10FEM_API
#else
#define TH10FEM_API __attribute__((visibility("default")))
#endif

namespace FiniteElementMethod {

class TH10FEM_API FEM {
 public:
  // One mesh node. Binary layout shared with host programs: do not reorder.
  struct NODE {
    double x, y, z;  // coordinates
    double cyl;      // > 0 switches on the rotation angle theta in Update_Nodes
    double theta;    // turn of the displaced position about the z axis, radians
    int DoF[3];      // global equation indices of the x, y, z displacement
    double u[3];     // displacements, copied from the global solution
    double f[3];     // forces, copied from the global force vector
  };

  // Elastic matrix and stress invariants.
  static void SG_De(int n, double E, double nu, double* D);
  static void SG_SigInv(double* stress, int n, double& sigma_m, double& ds_bar, double& theta_Lode);
  static void PZ_SigInv(double* stress, int n, double& sigma_m, double& ds_bar, double& theta_Lode);

  // Mohr-Coulomb yield function, mobilised friction angle, potential derivatives.
  static double MC_SG_F(double* stress, int n, double Phi, double c);
  static double MC_SG_F_Phi(double* stress, int n, double c, double Phi_min, double Phi_max);
  static void MC_SG_Qder(double* stress, int n, double Psi, double* dq);

  // Elasto-plastic matrix: Dep = De - Dp.
  static void MC_SG_Dep(double* sig, int n, double Phi, double Psi, double c, double* De, double* Dp,
                        double* Dep);

  // Cylindrical transforms and principal stresses.
  static void Cart2Cyl6(double x, double y, double* input, double* output);
  static void Cart2Cyl3(double x, double y, double* input, double* output);
  static double Principal3D(double* stress, double* principal);

  // Copies displacements and forces into the node records.
  static void Update_Nodes(NODE* nodes, int nNodes, double* U, double* F);
};

}  // namespace FiniteElementMethod

#endif
