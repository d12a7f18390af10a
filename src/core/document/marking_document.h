#pragma once
// The [Data] section of a document: the marking data with its fixed frame,
// layer, scale and both mark sets, in the order a new file receives them.
#include "core/common/ini_file.h"

namespace kinevo {

class TData;

// Writes every key of the marking data into [Data].
void SaveMarkingData(const TData& data, TIniFile& ini);

// Reads the marking data back (the data was reset by the opening of the
// video).  False, with the data left as far as it was read, when the
// document is unusable: `RequiredDuration` missing or not a positive
// number.  Counts are read as stored; a count larger than the keys present
// stops at the first missing item, so that a damaged document cannot make
// the program allocate or loop without bound.  The reading itself is not
// undoable: the undo histories are empty afterwards.
bool LoadMarkingData(TData& data, const TIniFile& ini);

}  // namespace kinevo
