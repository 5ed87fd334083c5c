#pragma once
// Result codes at module borders: 0 success, negative failure, with the values callers compare against.

namespace vm {

inline constexpr int kResultOk = 0;
inline constexpr int kResultFail = static_cast<int>(0x80004005u);        // generic failure
inline constexpr int kResultInvalidArg = static_cast<int>(0x80070057u);  // a required argument is null

}  // namespace vm
