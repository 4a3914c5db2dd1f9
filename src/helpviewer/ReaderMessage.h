#pragma once

#include "helpviewer/ChmArchive.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace tarn::help {

// What the help reader program writes about a help file: the number of objects in the file
// (8 bytes), then each object, whole: one byte, 1 for an ordinary file; the path's length
// (4 bytes) and the path; the object's length (8 bytes) and its bytes. Numbers are in this
// machine's byte order, as the reader is built with the program. The reader stops where
// anything fails, so that what it leaves out shows as a message cut short.

void WriteObjectCount(std::FILE* to, std::uint64_t count);
void WriteObject(std::FILE* to, bool ordinary, std::string_view path, std::string_view bytes);

// The archive a message about `helpFile` describes. The receiver trusts nothing in it: a message
// cut short, or one that runs on past its last object, is a damaged file.
ChmArchive ArchiveFromMessage(std::string_view message, const std::string& helpFile);

} // namespace tarn::help
