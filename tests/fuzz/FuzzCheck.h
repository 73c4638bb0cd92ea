#pragma once
// What a fuzz target asserts: a broken promise stops the run where it was found.

namespace vexilon {

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace vexilon
