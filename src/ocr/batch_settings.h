#pragma once
// How many line crops share one model call. Batching only groups lines whose input tensors would have
// exactly the same shape, so every line gets the same input as when read alone, unless padded batches
// are asked for.

#include <cstdint>

namespace vesk {

struct BatchSettings {
  // Most lines read in one recognition call; 1 reads line by line.
  int32_t recognitionBatch = 8;
  // Most input columns of one recognition call, all its lines side by side: eight lines of the
  // narrowest bucket, four of 320, one from 960 on. Wide lines gain nothing from sharing a call on two
  // cores and their calls hold the most memory.
  int32_t recognitionBatchColumns = 1280;
  // Most lines judged in one orientation call (its input shape is the same for every line). Larger
  // batches saved no more time and raised the peak memory of a run.
  int32_t orientationBatch = 4;
  // Lines of neighbouring widths (sorted by the width they need) share a call and are padded with zeros
  // to the bucket of the widest of them. This changes the input of the narrower lines, so it is not the
  // default.
  bool padRecognitionBatches = false;
};

}  // namespace vesk
