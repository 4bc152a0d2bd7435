// An excavation beside a wall in layered ground, on a plane-strain slice:
// half of a pit 10 wide (symmetry at x = 0) dug 6 deep in three stages of 2
// in clay (z 7 to 15) over sand (z 0 to 7); the wall is 0.4 thick, from the
// surface down to z = 4, in two groups by layer so that the K0 procedure can
// start it as soil ("wished in place"); the ground reaches x = 25.
//   gmsh -3 -order 2 -format msh41 excavation.geo -o excavation.msh
SetFactory("OpenCASCADE");
t = 0.5;  // thickness of the slice (y)
Box(1) = {0, 0, 13, 5, t, 2};      // dig1
Box(2) = {0, 0, 11, 5, t, 2};      // dig2
Box(3) = {0, 0, 9, 5, t, 2};       // dig3
Box(4) = {0, 0, 7, 5, t, 2};       // clay below the pit
Box(5) = {5, 0, 7, 0.4, t, 8};     // wall in the clay
Box(6) = {5, 0, 4, 0.4, t, 3};     // wall in the sand
Box(7) = {5.4, 0, 7, 19.6, t, 8};  // clay behind the wall
Box(8) = {0, 0, 0, 25, t, 7};      // sand
BooleanFragments{ Volume{1:8}; Delete; }{}
Mesh.CharacteristicLengthMax = 1.2;
Mesh.CharacteristicLengthMin = 0.3;
e = 1e-6;
Physical Volume("dig1") = Volume In BoundingBox{-e, -e, 13 - e, 5 + e, t + e, 15 + e};
Physical Volume("dig2") = Volume In BoundingBox{-e, -e, 11 - e, 5 + e, t + e, 13 + e};
Physical Volume("dig3") = Volume In BoundingBox{-e, -e, 9 - e, 5 + e, t + e, 11 + e};
Physical Volume("wall_clay") = Volume In BoundingBox{5 - e, -e, 7 - e, 5.4 + e, t + e, 15 + e};
Physical Volume("wall_sand") = Volume In BoundingBox{5 - e, -e, 4 - e, 5.4 + e, t + e, 7 + e};
clay[] = Volume In BoundingBox{-e, -e, 7 - e, 5 + e, t + e, 9 + e};
clay[] += Volume In BoundingBox{5.4 - e, -e, 7 - e, 25 + e, t + e, 15 + e};
Physical Volume("clay") = {clay[]};
sand[] = Volume In BoundingBox{-e, -e, -e, 25 + e, t + e, 7 + e};
sand[] -= Volume In BoundingBox{5 - e, -e, 4 - e, 5.4 + e, t + e, 7 + e};
Physical Volume("sand") = {sand[]};
Physical Surface("base") = Surface In BoundingBox{-e, -e, -e, 25 + e, t + e, e};
Physical Surface("symmetry") = Surface In BoundingBox{-e, -e, -e, e, t + e, 15 + e};
Physical Surface("far") = Surface In BoundingBox{25 - e, -e, -e, 25 + e, t + e, 15 + e};
Physical Surface("slice") = Surface In BoundingBox{-e, -e, -e, 25 + e, e, 15 + e};
Physical Surface("slice") += Surface In BoundingBox{-e, t - e, -e, 25 + e, t + e, 15 + e};
