// The fuzz seeds of the gmsh reader: one 10-node tetrahedron with a physical
// volume, surface and point, in ASCII, binary and with parametric nodes:
//   gmsh -3 -order 2 -format msh41 gmsh_tetrahedron.geo -o gmsh_seeds/tetrahedron.msh
//   gmsh -3 -order 2 -format msh41 -bin gmsh_tetrahedron.geo -o gmsh_seeds/tetrahedron_binary.msh
//   gmsh -3 -order 2 -format msh41 -save_parametric gmsh_tetrahedron.geo -o gmsh_seeds/tetrahedron_parametric.msh
Point(1) = {0, 0, 0, 10};
Point(2) = {1, 0, 0, 10};
Point(3) = {0, 1, 0, 10};
Point(4) = {0, 0, 1, 10};
Line(1) = {1, 2};
Line(2) = {2, 3};
Line(3) = {3, 1};
Line(4) = {1, 4};
Line(5) = {2, 4};
Line(6) = {3, 4};
Curve Loop(1) = {1, 2, 3};
Plane Surface(1) = {1};
Curve Loop(2) = {1, 5, -4};
Plane Surface(2) = {2};
Curve Loop(3) = {2, 6, -5};
Plane Surface(3) = {3};
Curve Loop(4) = {3, 4, -6};
Plane Surface(4) = {4};
Surface Loop(1) = {1, 2, 3, 4};
Volume(1) = {1};
Physical Volume("rock") = {1};
Physical Surface("base") = {1};
Physical Point("apex") = {4};
