#pragma once
#include <string>
#include <vector>

namespace vexilon {

class TCamBase;

// The tree below node in one line: items by name, folders as name{children}.
std::string Outline(const TCamBase& node);

// Lines of a private connection file.
std::string GroupLine(const std::string& name, int flags = 0, const std::string& subGroup = "");
std::string ItemLine(const std::string& name, int videoFlags = 0, const std::string& web = "");
// The header line, then lines, each ended by CR LF.
std::string TextFile(const std::vector<std::string>& lines);

// A published file: header (serial, time), then records (already framed, see Record) zipped.
std::string PublishedFile(const std::string& framedRecords, unsigned serial = 7);
// One framed record, and the end mark.
std::string Record(const std::string& text);
std::string RecordsEnd();

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);

}  // namespace vexilon
