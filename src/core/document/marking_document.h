#pragma once
// The [Data] section of a document: the marking data with its fixed frame,
// layer, scale and both mark sets, in the order a new file receives them.
#include <cstdint>
#include <vector>

#include "core/common/ini_file.h"
#include "core/common/result.h"

namespace kinevo {

class TData;
class TPolyContainer;

// The image containers of one mark set as plain values, in file order: a
// copy taken on the window thread, which another thread may write out while
// the marking goes on.
struct TContainersCopy {
  struct Mark {
    int32_t system;
    double x, y;         // as the document keeps them (relative to the layer for Layer marks)
    int32_t origin = 0;  // TMarkOrigin: clicked, tracked, tracked while uncertain
  };
  struct Container {
    int32_t frame, rank, marks;  // `marks` entries of `marks` below, in order
  };
  std::vector<Container> containers;
  std::vector<Mark> marks;
};
struct TMarkContainersCopy {
  TContainersCopy grid, layer;
};
TMarkContainersCopy CopyMarkContainers(const TData& data);

// Writes every key of the marking data into [Data].  With `withContainers`
// false the image containers of both sets are left out, for
// SaveMarkContainers to write them from a copy.
void SaveMarkingData(const TData& data, TIniFile& ini, bool withContainers = true);
void SaveMarkContainers(const TMarkContainersCopy& copy, TIniFile& ini);

// What a document announced but did not hold (a truncated file): marks of
// the image containers present, and whole containers.
struct TUnreadMarks {
  int64_t marks = 0;
  int64_t containers = 0;
  int64_t notFinite = 0;  // marks left out: a position that is not a finite number
  bool Any() const { return marks > 0 || containers > 0 || notFinite > 0; }
};

// The program's message for a document whose content cannot be used; the
// failure's cause says which value is wrong.
inline constexpr const char* kDocumentReadFailure = "Erreur de lecture dans le fichier.";

// Reads the marking data back (the data was reset by the opening of the
// video).  Fails, with the data left as far as it was read, when the
// document is unusable: `RequiredDuration` missing or beyond what its
// dialog accepts, a scale length beyond what the length dialog accepts.  Counts are read as stored;
// a count larger than the keys present stops at the first missing item, so that a damaged document
// cannot make the program allocate or loop without bound; what was announced and not read is
// counted in `unread`.  The reading itself is not undoable: the undo histories are empty
// afterwards.
TStatus LoadMarkingData(TData& data, const TIniFile& ini, TUnreadMarks* unread = nullptr);

}  // namespace kinevo
