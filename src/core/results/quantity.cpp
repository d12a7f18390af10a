#include "core/results/quantity.h"

namespace kinevo {

std::string QuantityIdentifier(int q) {
  switch (q) {
    case qtTime:
      return "t";
    case qtX:
      return "x";
    case qtY:
      return "y";
    case qtVx:
      return "vx";
    case qtVy:
      return "vy";
    case qtV:
      return "v";
    case qtAx:
      return "ax";
    case qtAy:
      return "ay";
    case qtA:
      return "a";
    case qtTheta:
      return "O";
    case qtR:
      return "R";
    case qtOmega:
      return "w";
    default:
      return "";
  }
}

std::string QuantityUnit(int q) {
  switch (q) {
    case qtTime:
      return "s";
    case qtX:
    case qtY:
    case qtR:
      return "m";
    case qtVx:
    case qtVy:
    case qtV:
      return "m/s";
    case qtAx:
    case qtAy:
    case qtA:
      return "m/s²";
    case qtTheta:
      return "rad";
    case qtOmega:
      return "rad/s";
    default:
      return "";
  }
}

std::string QuantityDescription(int q) {
  switch (q) {
    case qtTime:
      return "temps";
    case qtX:
      return "Abscisse";
    case qtY:
      return "Ordonnée";
    case qtVx:
      return "Composante selon x de la vitesse";
    case qtVy:
      return "Composante selon y de la vitesse";
    case qtV:
      return "Valeur de la vitesse";
    case qtAx:
      return "Composante selon x de l'accélération";
    case qtAy:
      return "Composante selon y de l'accélération";
    case qtA:
      return "Valeur de l'accélération";
    case qtTheta:
      return "Coordonnée angulaire";
    case qtR:
      return "Coordonnée radiale";
    case qtOmega:
      return "Valeur de la vitesse angulaire";
    default:
      return "";
  }
}

TColor QuantityColour(int q) {
  if (InSet(kPositions, q)) return RGBColor(0xF8, 0xF8, 0xFF);
  if (InSet(kSpeeds, q)) return RGBColor(0xFF, 0xFA, 0xFA);
  if (InSet(kAccelerations, q)) return RGBColor(0xFF, 0xFA, 0xF0);
  if (InSet(kPolar, q)) return RGBColor(0xF5, 0xF5, 0xF5);
  return colors::White;
}

}  // namespace kinevo
