#pragma once

namespace vexilon {

class TFileTypeRegistry;

// File Associations work on the desktop's registry of file types; tests hand in another one.
// Null goes back to the desktop's.
void SetFileTypeRegistry(TFileTypeRegistry* registry);

}  // namespace vexilon
