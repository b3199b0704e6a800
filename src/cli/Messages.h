#pragma once

#include <QString>

#include <cstdio>

namespace veltroma {

// One message of the program on `stream` (standard error unless told otherwise), as one line
// "veltroma-monitor: <text>", so that a log or a script's output says where it comes from.
// Line breaks in `text` (a value typed on the command line, say) are shown as spaces: a
// message never spills into a second line that could pass for another message. Any thread;
// the line is flushed.
void printMessage(const QString& text, std::FILE* stream = stderr);

} // namespace veltroma
