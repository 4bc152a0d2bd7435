// The slope of the first example of Griffiths and Lane (1999): height
// H = 10, inclined 2:1 (horizontal:vertical), on a firm base at the level of
// the toe (depth factor D = 1), with level ground 1.2 H wide behind the
// crest; a plane-strain slice `thickness` thick in y (z is up). The toe is
// at x = 0, z = 0, the crest at x = 20, z = 10, the far side at x = 32.
//   gmsh -3 -order 2 -format msh41 slope.geo -o slope.msh
//   gmsh -3 -order 2 -format msh41 -setnumber h 2.5 slope.geo -o slope_coarse.msh
// Variants: -setnumber depth D puts a foundation layer D deep under the toe,
// with level ground 1.2 H wide in front of it (groups "front" and "near"
// besides those below); -setnumber face F makes the elements at the toe and
// the crest F times h.
DefineConstant[h = 0.8];          // element size
DefineConstant[face = 1];         // element size at the toe and the crest over h
DefineConstant[depth = 0];        // foundation below the toe
DefineConstant[thickness = 1.0];  // of the slice
H = 10;
h_face = face * h;
front = (depth > 0) ? 1.2 * H : 0;
crest = front + 2 * H;
far = crest + 1.2 * H;
Point(1) = {far, 0, 0, h};
Point(2) = {far, 0, depth + H, h};
Point(3) = {crest, 0, depth + H, h_face};
Point(4) = {front, 0, depth, h_face};
Line(1) = {1, 2};  // far side
Line(2) = {2, 3};  // ground behind the crest
Line(3) = {3, 4};  // slope face
If (depth > 0)
  Point(5) = {0, 0, depth, h};
  Point(6) = {0, 0, 0, h};
  Line(4) = {4, 5};  // ground in front of the toe
  Line(5) = {5, 6};  // near side
  Line(6) = {6, 1};  // base
  Curve Loop(1) = {1, 2, 3, 4, 5, 6};
Else
  Line(6) = {4, 1};  // base
  Curve Loop(1) = {1, 2, 3, 6};
EndIf
Plane Surface(1) = {1};
// One layer of elements across the slice: the prisms are split into tetrahedra.
out[] = Extrude {0, thickness, 0} { Surface{1}; Layers{1}; };
// out[0]: the face at y = thickness, out[1]: the volume, out[2..]: the
// sides swept from the lines of the loop, in its order.
Physical Volume("soil") = {out[1]};
Physical Surface("far") = {out[2]};
Physical Surface("crest") = {out[3]};
Physical Surface("face") = {out[4]};
If (depth > 0)
  Physical Surface("front") = {out[5]};
  Physical Surface("near") = {out[6]};
  Physical Surface("base") = {out[7]};
Else
  Physical Surface("base") = {out[5]};
EndIf
Physical Surface("slice") = {1, out[0]};
