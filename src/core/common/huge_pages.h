#pragma once
// Memory for the big tables of a large analysis (a document's text, lines
// and key index, the columns of its results).  On a system that backs
// memory with small pages, the first write to each page of a table of
// hundreds of megabytes costs a fault; huge pages cut those faults by 512.
#include <cstddef>
#include <iterator>
#include <vector>

namespace kinevo {

// Asks for the memory from `begin` on, `bytes` long, to be backed by huge
// pages where the system offers them on request (Linux transparent huge
// pages).  Only the whole huge pages inside the range are concerned, and
// ranges of a few megabytes are left alone.  Useful only before the memory
// is first written.
void AdviseHugePages(const void* begin, std::size_t bytes);

// Makes room in `v` for `n` elements; a new block, when one is needed, is
// advised to huge pages before anything is written in it.
template <typename T>
void ReserveLarge(std::vector<T>& v, std::size_t n) {
  if (v.capacity() >= n) return;
  std::vector<T> bigger;
  bigger.reserve(n);
  AdviseHugePages(bigger.data(), n * sizeof(T));
  bigger.assign(std::make_move_iterator(v.begin()), std::make_move_iterator(v.end()));
  v.swap(bigger);
}

}  // namespace kinevo
