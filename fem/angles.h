// Internal angle constants and rules: pi, the conversions between degrees
// (the unit of every angle at the interface) and radians, and the polar
// angles of the cylindrical transforms and the node update. Not exported.
#ifndef TH10FEM_FEM_ANGLES_H
#define TH10FEM_FEM_ANGLES_H

namespace FiniteElementMethod {
namespace detail {

// pi and pi/2 rounded to double (the values of acos(-1), 4 atan(1) and
// 2 atan(1)).
constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = 1.5707963267948966;

// Degrees to radians and back, multiplied before divided: angle * pi / 180
// and angle * 180 / pi.
constexpr double radians(double degrees) {
  return degrees * kPi / 180.0;
}
constexpr double degrees(double radians) {
  return radians * 180.0 / kPi;
}

// Polar angle of the point (x, y) in radians, in (-pi, pi]. Exact comparisons
// with zero: (0, 0) gives 0 and the negative x axis gives +pi whatever the
// sign of a zero y. For finite input this is atan2(y, x) apart from that sign.
double polar_angle(double x, double y);

// Angle of the point (x, y) in radians, in [-pi/2, 3pi/2), as the node update
// measures it: points with |x| < 1e-10 (an absolute bound) lie on the y axis
// and give pi/2 when y > 0 and -pi/2 otherwise, the origin included.
double node_angle(double x, double y);

}  // namespace detail
}  // namespace FiniteElementMethod

#endif
