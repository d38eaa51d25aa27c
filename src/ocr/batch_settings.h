#pragma once
// How many line crops share one model call. Batching only groups lines whose input tensors would have
// exactly the same shape, so every line gets the same input as when read alone, unless padded batches
// are asked for.

#include <cstdint>

namespace vesk {

struct BatchSettings {
  // Most lines of one width bucket read in one recognition call; 1 reads line by line. Four measured
  // fastest on two cores; larger batches were slower and held more memory.
  int32_t recognitionBatch = 4;
  // Most lines judged in one orientation call (its input shape is the same for every line).
  int32_t orientationBatch = 16;
  // Lines of neighbouring widths (sorted by the width they need) share a call and are padded with zeros
  // to the bucket of the widest of them. This changes the input of the narrower lines, so it is not the
  // default.
  bool padRecognitionBatches = false;
};

}  // namespace vesk
