#pragma once
// Animation keys: reading AnimationKey data into a frame, and turning a time into the target frame's
// local matrix. Times are ticks of 1/4800 s.

#include "engine/scene_frame.h"
#include "platform/d3dx/xfile/xfile.h"

namespace vm::engine {

// Key types of an AnimationKey object.
enum class KeyType : std::uint32_t { Rotation = 0, Scale = 1, Position = 2, Matrix = 4 };

// Reads one AnimationKey object into frame. A type other than the four, a second block of a type the
// frame already has, or a key whose value count does not match its type fails with kErrInvalidArg;
// truncated data with kErrInvalidData.
int ReadAnimationKey(const d3dx::XDataObject& key, SceneFrame& frame);

// Evaluates frame's keys at time and writes the target's rotation matrix. A period that is not negative
// wraps the time first; a negative one makes each key kind wrap at the time of its own last key.
void EvaluateKeys(SceneFrame& frame, float time, float period);

}  // namespace vm::engine
