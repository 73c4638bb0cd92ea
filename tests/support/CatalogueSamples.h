#pragma once
#include <string>
#include <vector>

namespace vexilon {

class TCamBase;
class TCamRoot;
class TCamGroup;
class TCamItem;

// A small private connection file: a root with an update address, City{Shop{Lobby}} with
// group auth and headers, and "Car Park" with separate audio. Saving it gives the same bytes.
inline constexpr const char* kSampleCatalogue =
    "Vexilon Data File\r\n"
    "TYPE=ROOT NAME=Cameras AUTOUPDATE=http://example.test/cams.vxp\r\n"
    ":TYPE=GROUP NAME=City AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" FLAGS=0 SUBGROUP=\"\" HEADERS=\"\"\r\n"
    "::TYPE=GROUP NAME=Shop AUTH=u:p PREFIX=\"\" SUFFIX=\"\" FLAGS=0 SUBGROUP=\"\" "
    "HEADERS=\"\"\"X-A: 1\"\"\"\r\n"
    ":::TYPE=ITEM NAME=Lobby WEB=cam/video.cgi AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" "
    "FLAGS=1 WIDTH=320 HEIGHT=240 INTERVAL=1000\r\n"
    ":TYPE=ITEM NAME=\"Car Park\" WEB=x AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" HEADERS=\"\" FLAGS=0 "
    "WIDTH=640 HEIGHT=480 INTERVAL=250 AUDIO=(WEB=a.au AUTH=\"\" PREFIX=\"\" SUFFIX=\"\" "
    "HEADERS=\"\" FLAGS=3)\r\n";

// The tree below node in one line: items by name, folders as name{children}.
std::string Outline(const TCamBase& node);
// The outline of file loaded as the main file of a fresh catalogue without a tree view.
std::string LoadedOutline(const std::string& file);

// New last children of parent, shown in parent's tree view.
TCamGroup* AddGroup(TCamRoot& parent, const std::string& name, int flags = 0);
TCamItem* AddItem(TCamRoot& parent, const std::string& name, int videoFlags = 0);

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
