#pragma once
// The embedded "MediaData" resources as archive blobs. Apart from the reader so that tools which
// only read archive files (rarpack) need no platform layer.

#include "archive/media_blob.h"

namespace vm {

// Resource type "MediaData" with the given id; {null, 0, 0} when there is none.
MediaBlob loadMediaBlob(int resourceId) noexcept;

}  // namespace vm
