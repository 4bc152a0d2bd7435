// The strip footing of the built-in sample, meshed by gmsh: half of a smooth
// strip footing of width 2 (symmetry at x = 0, the footing on 0 <= x <= 1 at
// the surface z = 4) on a plane-strain slice 0.2 thick in y; the soil
// reaches x = 5 and depth 4. The mesh is finer under the footing's edge.
//   gmsh -3 -order 2 -format msh41 footing.geo -o footing.msh
// (finer meshes: -setnumber refine 2, 4, ... divides every element size)
DefineConstant[refine = 1];  // divides every element size
h_fine = 0.12 / refine;   // element size at the footing's edge
h_coarse = 0.8 / refine;  // element size far from it
Point(1) = {0, 0, 0, h_coarse};
Point(2) = {5, 0, 0, h_coarse};
Point(3) = {5, 0, 4, h_coarse};
Point(4) = {1, 0, 4, h_fine};
Point(5) = {0, 0, 4, h_fine};
Line(1) = {1, 2};  // base
Line(2) = {2, 3};  // far side
Line(3) = {3, 4};  // ground surface beside the footing
Line(4) = {4, 5};  // under the footing
Line(5) = {5, 1};  // symmetry plane
Curve Loop(1) = {1, 2, 3, 4, 5};
Plane Surface(1) = {1};
// One layer of elements across the slice: the prisms are split into tetrahedra.
out[] = Extrude {0, 0.2, 0} { Surface{1}; Layers{1}; };
// out[0]: the far face (y = 0.2), out[1]: the volume, out[2..6]: the sides
// swept from lines 1..5.
Physical Volume("soil") = {out[1]};
Physical Surface("base") = {out[2]};
Physical Surface("far") = {out[3]};
Physical Surface("surface") = {out[4]};
Physical Surface("footing") = {out[5]};
Physical Surface("symmetry") = {out[6]};
Physical Surface("slice") = {1, out[0]};
