#pragma once
#include <string>
#include <string_view>

namespace vexilon {

// The base of a capture file name made from a window caption: characters that cannot stand in
// a file name become "-", an empty caption becomes "Capture", and a caption ending in a digit
// gets "-" so that the number that follows stays readable.
std::string CleanCaptureBase(std::string_view caption);

// The number a file name in the capture folder carries after base, or 0: the rest of the
// name after base, cut at its first ".", read as a decimal number. A rest without "." or an
// empty number part counts as nothing (-1).
int CaptureNumberOf(std::string_view fileName, std::string_view base);

// The next free numbered file name in folder: base cleaned as above, then counter + 1 written
// with at least five digits, then extension (with its dot). counter first rises to the highest
// number already in the folder among names that begin with base and end with extension
// (letter case ignored), so numbers go on after what is on disk and never go back. The folder
// is created when missing; the file is not.
std::string NextNumberedFileName(const std::string& folder, std::string_view base,
                                 std::string_view extension, int& counter);

}  // namespace vexilon
