#pragma once
// A deterministic stand-in for the scene archive's content, about 21 MB: smooth light-map
// pictures, JPEG-like incompressible textures, X-file model text, binary camera tracks, plain
// text and 16-bit PCM audio.

#include <vector>

#include "rarpack/archive_writer.h"

namespace vm::bench {

std::vector<rarpack::ArchiveEntry> sceneLikeCorpus();

} // namespace vm::bench
