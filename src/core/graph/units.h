#pragma once
// Units of the quantities a graph shows, and of what is measured on it: the
// slope of a segment drawn on a time graph (m/s), the parameters of a curve
// model (b in m/s for x(t), c in rad/s for a sinusoid ...).  A unit is read
// as a product of named units with integer powers ("m/s²", "kg.m.s-2",
// "rad/s", "s⁻¹") and written back in the program's way: the numerator, a
// "/", the denominator, powers as superscripts ("m/s²"), or negative powers
// when nothing is left above the line ("s⁻¹").  An empty text stands for a
// unit that is not known: what is computed from it is not known either.
#include <string>

namespace kinevo {

// The unit of a quotient a / bⁿ ("" when either is not known; "" too when
// the result has no dimension, as the slope of y(x) in m/m).  Units that
// cannot be read as products of powers are kept whole, in brackets.
std::string UnitRatio(const std::string& numerator, const std::string& denominator, int power = 1);

// The unit of 1 / bⁿ ("s⁻¹" for b = "s").
std::string UnitInverse(const std::string& unit, int power = 1);

}  // namespace kinevo
