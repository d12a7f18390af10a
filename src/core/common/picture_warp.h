#pragma once
// A correction of the picture the view may show instead of the picture as
// the camera gave it (a wide lens's bending straightened).  Positions on the
// picture stay those of the picture as shown: the view maps them to the
// corrected picture to draw them, and its clicks back.
#include "core/common/picture_coord.h"

namespace kinevo {

class IPictureWarp {
 public:
  virtual ~IPictureWarp() = default;
  // Picture fractions (y downwards) of the corrected picture of a position
  // as shown, and back.
  virtual TPictureCoord Corrected(const TPictureCoord& shown) const = 0;
  virtual TPictureCoord Uncorrected(const TPictureCoord& corrected) const = 0;
};

}  // namespace kinevo
