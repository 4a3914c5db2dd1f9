#include "helpviewer/SystemRecords.h"

#include <cstddef>

namespace tarn::help {

namespace {

enum RecordCode : unsigned { kContentsFile = 0, kIndexFile = 1, kDefaultTopic = 2, kTitle = 3 };

unsigned ReadWord(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]) |
           static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

std::string TextOf(std::string_view data) {
    return std::string(data.substr(0, data.find('\0')));
}

} // namespace

SystemRecords ParseSystemRecords(std::string_view bytes) {
    constexpr std::size_t kVersionSize = 4;
    constexpr std::size_t kRecordHeaderSize = 4;
    SystemRecords records;
    std::size_t at = kVersionSize;
    while (at + kRecordHeaderSize <= bytes.size()) {
        const unsigned code = ReadWord(bytes, at);
        const std::size_t length = ReadWord(bytes, at + 2);
        at += kRecordHeaderSize;
        if (length > bytes.size() - at) {
            break;
        }
        const std::string text = TextOf(bytes.substr(at, length));
        switch (code) {
        case kContentsFile:
            records.contentsFile = text;
            break;
        case kIndexFile:
            records.indexFile = text;
            break;
        case kDefaultTopic:
            records.defaultTopic = text;
            break;
        case kTitle:
            records.title = text;
            break;
        default:
            break;
        }
        at += length;
    }
    return records;
}

} // namespace tarn::help
