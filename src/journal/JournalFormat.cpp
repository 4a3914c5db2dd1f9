#include "journal/JournalFormat.h"

#include <charconv>
#include <string_view>

namespace tarn {

namespace {

using Entry = NameJournal::Entry;
using Kind = NameJournal::Kind;

constexpr char kSeparator = '\0';
constexpr std::string_view kHeaderStem{"tarnme-journal-"};
constexpr std::string_view kHeader{"tarnme-journal-4\0", 17};
constexpr std::string_view kHeaderWithoutSize{"tarnme-journal-3\0", 17};
constexpr std::string_view kHeaderWithoutIdentity{"tarnme-journal-2\0", 17};

Status Damaged(const std::string& what) {
    return Status::Failure("It is damaged: " + what);
}

bool IsKind(std::string_view field) {
    return field.size() == 1 && (field[0] == static_cast<char>(Kind::Renamed) ||
                                 field[0] == static_cast<char>(Kind::OutputStarted) ||
                                 field[0] == static_cast<char>(Kind::OutputFinished) ||
                                 field[0] == static_cast<char>(Kind::Placeholder));
}

bool IsPath(std::string_view field, Kind kind, bool chosen) {
    // A placeholder has no chosen name, and an MP3 file that keeps its own need not have one.
    if (chosen && kind == Kind::Placeholder) {
        return field.empty();
    }
    return field.starts_with('/') || (chosen && kind == Kind::OutputStarted && field.empty());
}

template <typename Number> bool ReadNumber(std::string_view field, Number& number) {
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), number);
    return !field.empty() && error == std::errc() && end == field.data() + field.size();
}

Result<Entry> ReadEntry(const std::vector<std::string_view>& fields, bool withKind,
                        bool withIdentity, bool withSize) {
    std::size_t next = 0;
    Entry entry;
    if (withKind) {
        if (!IsKind(fields[next])) {
            return Damaged("a record of an unknown kind");
        }
        entry.kind = static_cast<Kind>(fields[next++][0]);
    }
    entry.currentPath = fields[next++];
    entry.chosenPath = fields[next++];
    if (!IsPath(entry.currentPath, entry.kind, false) ||
        !IsPath(entry.chosenPath, entry.kind, true)) {
        return Damaged("a record without its paths");
    }
    if (withIdentity && !(ReadNumber(fields[next], entry.identity.device) &&
                          ReadNumber(fields[next + 1], entry.identity.inode))) {
        return Damaged("a record whose file is not told");
    }
    if (withSize && !(ReadNumber(fields[next + 2], entry.size) &&
                      ReadNumber(fields[next + 3], entry.modified))) {
        return Damaged("a record whose file is not told");
    }
    return entry;
}

} // namespace

Result<std::string> SerializeJournal(const std::vector<Entry>& entries) {
    std::string bytes(kHeader);
    for (const Entry& entry : entries) {
        // What the reader would take for damage is never written: a NUL would end a field early.
        for (const std::string* path : {&entry.currentPath, &entry.chosenPath}) {
            if (path->find(kSeparator) != std::string::npos) {
                return Status::Failure("A path holds a NUL character: " +
                                       path->substr(0, path->find(kSeparator)));
            }
        }
        if (!IsPath(entry.currentPath, entry.kind, false) ||
            !IsPath(entry.chosenPath, entry.kind, true)) {
            return Status::Failure("A path is not a full path: " + entry.currentPath);
        }
        for (const std::string& field :
             {std::string(1, static_cast<char>(entry.kind)), entry.currentPath, entry.chosenPath,
              std::to_string(entry.identity.device), std::to_string(entry.identity.inode),
              std::to_string(entry.size), std::to_string(entry.modified)}) {
            bytes += field;
            bytes += kSeparator;
        }
    }
    return bytes;
}

Result<std::vector<Entry>> ParseJournal(const std::string& bytes) {
    const std::string_view all(bytes);
    // No version writes an empty journal: it removes the file instead.
    if (all.empty()) {
        return Damaged("it is empty");
    }
    const bool withSize = all.starts_with(kHeader);
    const bool withIdentity = withSize || all.starts_with(kHeaderWithoutSize);
    const bool withKind = withIdentity || all.starts_with(kHeaderWithoutIdentity);
    if (!withKind && all.starts_with(kHeaderStem)) {
        return Damaged("it was written in a form this version does not know");
    }
    std::vector<std::string_view> fields;
    std::size_t start = withKind ? kHeader.size() : 0;
    for (std::size_t end = 0; start < all.size(); start = end + 1) {
        end = all.find(kSeparator, start);
        if (end == std::string_view::npos) {
            return Damaged("its last record is cut short");
        }
        fields.push_back(all.substr(start, end - start));
    }
    const std::size_t width = withSize ? 7 : withIdentity ? 5 : withKind ? 3 : 2;
    if (fields.size() % width != 0) {
        return Damaged("its last record is cut short");
    }
    std::vector<Entry> entries;
    for (std::size_t i = 0; i < fields.size(); i += width) {
        Result<Entry> entry = ReadEntry({fields.begin() + static_cast<std::ptrdiff_t>(i),
                                         fields.begin() + static_cast<std::ptrdiff_t>(i + width)},
                                        withKind, withIdentity, withSize);
        if (!entry) {
            return entry.Outcome();
        }
        entries.push_back(std::move(*entry));
    }
    return entries;
}

} // namespace tarn
