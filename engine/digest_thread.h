// Hashing beside the extraction: a thread of the extraction's own adds bytes
// to a SHA-256 context while the extracting thread writes the file before
// them, so that a bound extraction's hashing hides behind its writes. One
// job at a time, one update or two, posted and collected by the one
// extracting thread.
#pragma once

#include <cstddef>

#include "sha256.h"

// Starts Sha256Update(context, data, length) on the digest thread, or runs it
// before returning where no such thread can run. The caller leaves the bytes
// and the context alone until CollectDigestUpdate has returned.
void PostDigestUpdate(Sha256* context, const void* data, size_t length);
// The same for two updates of two contexts in one job (Sha256UpdateTwo).
void PostDigestUpdates(Sha256* contextA, const void* dataA, size_t lengthA, Sha256* contextB,
                       const void* dataB, size_t lengthB);
// Waits until the job posted last has ended; at once when none is open.
void CollectDigestUpdate();
