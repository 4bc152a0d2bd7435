// A cylinder of radius 1 and height 1 in two layers, "clay" below z = 0.5 and
// "sand" above, with its base, top and curved mantle as physical surfaces.
// Second-order elements follow the curved mantle:
//   gmsh -3 -order 2 -format msh41 cylinder.geo -o cylinder.msh
//   gmsh -3 -order 2 -format msh41 -bin cylinder.geo -o cylinder_binary.msh
r = 1;
h = 0.5;
lc = 0.8;
Point(1) = {0, 0, 0, lc};
Point(2) = {r, 0, 0, lc};
Point(3) = {0, r, 0, lc};
Point(4) = {-r, 0, 0, lc};
Point(5) = {0, -r, 0, lc};
Circle(1) = {2, 1, 3};
Circle(2) = {3, 1, 4};
Circle(3) = {4, 1, 5};
Circle(4) = {5, 1, 2};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
lower[] = Extrude {0, 0, h} { Surface{1}; };
upper[] = Extrude {0, 0, h} { Surface{lower[0]}; };
Physical Volume("clay") = {lower[1]};
Physical Volume("sand") = {upper[1]};
Physical Surface("base") = {1};
Physical Surface("top") = {upper[0]};
Physical Surface("mantle") = {lower[{2:5}], upper[{2:5}]};
