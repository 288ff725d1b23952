// tool_commands.h -- the content tool's sub-commands. Each takes the
// arguments after its name (the output path first), writes one file and
// throws ToolError for bad arguments or a failed write.
#pragma once

#include "content/media/bytes.h"

#include <string>
#include <vector>

namespace content_tool {

using Args = std::vector<std::string>;

// OUT WxH COLOUR...: vertical stripes of equal width, one per colour.
void writeBmpCommand(const Args& args);
void writeGifCommand(const Args& args);
void writeJpegCommand(const Args& args);
// OUT HZ MS: a sine tone, 16-bit mono 22050 Hz.
void writeWavCommand(const Args& args);
// OUT [NAME=FILE | FILE]...: a pack of the files (none: an empty pack).
void writeZipCommand(const Args& args);
// OUT box HX HY HZ [COLOUR [TEXTURE]] | OUT torus MAJOR MINOR SEGMENTS SIDES [COLOUR [TEXTURE]]
void write3dsCommand(const Args& args);

// Writes the bytes at the host path (its folders are made); throws
// std::runtime_error when that fails.
void saveFile(const std::string& path, const media::Bytes& bytes);

// Runs "COMMAND ARGS..."; 0 when the file was written, 2 for bad arguments,
// 1 when writing failed (the message goes to `errors`).
int runTool(const Args& commandLine, std::string& errors);

} // namespace content_tool
