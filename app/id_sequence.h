#ifndef APP_ID_SEQUENCE_H_
#define APP_ID_SEQUENCE_H_

#include <limits>

// Request ids and registration ids grow by one per allocation. A counter that
// has reached the largest int wraps around to the smallest one instead of
// overflowing (which would be undefined behaviour); no render process lives
// long enough for an id to come round again.
inline int NextSequenceId(int id) {
  return id == std::numeric_limits<int>::max() ? std::numeric_limits<int>::min()
                                               : id + 1;
}

#endif  // APP_ID_SEQUENCE_H_
