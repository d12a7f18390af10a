#pragma once
// Which result set a change concerns.  Every change that alters computed
// values (marks, systems, scale, origin and axes, directions, time step ...)
// only marks the results stale; the results computation rebuilds them on the
// next request.
namespace kinevo {

enum TResultsTarget : unsigned char {
  rtBoth = 0,    // the Grid and the Layer results
  rtActive = 1,  // the results of the marking mode now active
  rtLayer = 2,
  rtGrid = 3,
};

}  // namespace kinevo
