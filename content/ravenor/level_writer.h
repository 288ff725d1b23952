// level_writer.h -- level files ("stgNNN.lev") written from a readable description
//
// The description is text, one statement a line; '#' starts a comment.
// Names stand for the offsets the writer assigns.
//
//   list NAME  x y z  x y z ...          a coordinate list (level units, z up), two points or more
//   node NAME  KEY VALUE ...             a node record; keys below
//   root NAME                            the root node record (every node goes into the node table)
//   route LIST CLASS... [speed N] [spacing N]
//                                        a section-0 entry: up to six classes used in turn
//                                        (fewer repeat in their order to fill six)
//   rule SECTION CONDITION TARGET        sections 1 to 4: two node names
//   trigger SECTION TARGET GROUP...      sections 5 and 6: TARGET is 2, 3 or a node name; each
//                                        GROUP is "a,b,c,d,e" of 1, 0 or node names (unused words 1)
//   pairs COND TARGET ...                section 8: one to five (condition, target) pairs, the
//                                        condition 1, 0 or a node name, the target 2, 3 or a node name
//
// Node keys: class N, behaviour N, path LIST | follow NAME|1, second LIST,
// start "LINE" (up to three), delay N, delay2 N, mode N, count N, value N,
// speed N, startvalue N, word52 N, companion NAME, next NAME|2, child NAME,
// link NAME|1 (up to five), end1 "LINE", end2 "LINE" (up to three each),
// enddelay1 N, enddelay2 N, enddelay3 N, disabled.
//
// The file: a 12-word header, the coordinate lists (each ended by 30271 and
// a converted word of 0), the node records of 160 bytes, the texts, the
// node table, section 0 (ended by an 11-word record of zeros) and the other
// sections, each ended by a full record whose first word is 30271.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ravenor_content {

// The level file of a description; false with "line N: reason" in error.
bool WriteLevel(const std::string& description, std::vector<uint8_t>& out, std::string& error);

} // namespace ravenor_content
