#pragma once
// Codes of the result quantities and of the two component frames, shared by
// the results, the formulas, the graphs and the export.
#include <cstdint>
#include <string>

#include "core/common/colour.h"

namespace kinevo {

enum TQuantity : int {
  qtTime = 0,
  qtX = 1,
  qtY = 2,
  qtVx = 3,
  qtVy = 4,
  qtV = 5,
  qtAx = 6,
  qtAy = 7,
  qtA = 8,
  // 9 and 10 are not assigned.
  qtTheta = 11,
  qtR = 12,
  qtOmega = 13,
};

// Positions and vector components along the reference frame's axes (what
// tables, formulas and export show), or along the picture axes in metres
// with y upward (drawing over the picture).
enum TComponentFrame : int { cfAxes = 0, cfPicture = 1 };

// 16-bit sets of quantity codes.
using TQuantitySet = uint16_t;
constexpr TQuantitySet QuantityBit(int q) { return static_cast<TQuantitySet>(1u << q); }
constexpr TQuantitySet kPositions = QuantityBit(qtX) | QuantityBit(qtY);
constexpr TQuantitySet kSpeeds = QuantityBit(qtVx) | QuantityBit(qtVy) | QuantityBit(qtV);
constexpr TQuantitySet kAccelerations = QuantityBit(qtAx) | QuantityBit(qtAy) | QuantityBit(qtA);
constexpr TQuantitySet kPolar = QuantityBit(qtTheta) | QuantityBit(qtR) | QuantityBit(qtOmega);
constexpr bool InSet(TQuantitySet set, int q) {
  return q >= 0 && q < 16 && (set & QuantityBit(q)) != 0;
}

// A code that names a quantity (0..8, 11..13).
constexpr bool IsQuantity(int q) {
  return (q >= qtTime && q <= qtA) || (q >= qtTheta && q <= qtOmega);
}
// Quantities that exist along both component frames.
constexpr bool HasFrames(int q) {
  return q == qtX || q == qtY || q == qtVx || q == qtVy || q == qtAx || q == qtAy;
}

// Identifier letters ("t", "x", "vx", "O", "w" ...), unit ("m/s²") and
// description ("Composante selon x de la vitesse"); empty for a code that
// is not a quantity.
std::string QuantityIdentifier(int q);
std::string QuantityUnit(int q);
std::string QuantityDescription(int q);
// Background colour of the table columns of a quantity; white for the time.
TColor QuantityColour(int q);

}  // namespace kinevo
