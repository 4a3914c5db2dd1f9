#include "helpviewer/ReaderMessage.h"

#include <cstring>
#include <optional>

namespace tarn::help {

namespace {

// A write that fails leaves the message cut short, which its receiver refuses: the writer need
// not look.
template <typename Number> void WriteNumber(std::FILE* to, Number number) {
    static_cast<void>(std::fwrite(&number, sizeof number, 1, to));
}

// Takes the next `size` bytes of the message; nothing past its end.
std::optional<std::string_view> Take(std::string_view& message, std::uint64_t size) {
    if (size > message.size()) {
        return std::nullopt;
    }
    const std::string_view taken = message.substr(0, size);
    message.remove_prefix(size);
    return taken;
}

template <typename Number> bool TakeNumber(std::string_view& message, Number& number) {
    const std::optional<std::string_view> taken = Take(message, sizeof number);
    if (taken) {
        std::memcpy(&number, taken->data(), sizeof number);
    }
    return taken.has_value();
}

} // namespace

void WriteObjectCount(std::FILE* to, std::uint64_t count) {
    WriteNumber(to, count);
}

void WriteObject(std::FILE* to, bool ordinary, std::string_view path, std::string_view bytes) {
    WriteNumber(to, std::uint8_t{ordinary});
    WriteNumber(to, static_cast<std::uint32_t>(path.size()));
    static_cast<void>(std::fwrite(path.data(), 1, path.size(), to));
    WriteNumber(to, std::uint64_t{bytes.size()});
    static_cast<void>(std::fwrite(bytes.data(), 1, bytes.size(), to));
}

ChmArchive ArchiveFromMessage(std::string_view message, const std::string& helpFile) {
    std::uint64_t count = 0;
    if (!TakeNumber(message, count)) {
        return ChmArchive(DamagedFile(helpFile));
    }
    // The count is not believed before the objects are there: no room is made for it.
    std::vector<ArchiveObject> objects;
    for (; count > 0; --count) {
        std::uint8_t ordinary = 0;
        std::uint32_t pathLength = 0;
        std::uint64_t length = 0;
        std::optional<std::string_view> path;
        std::optional<std::string_view> bytes;
        if (!(TakeNumber(message, ordinary) && TakeNumber(message, pathLength) &&
              (path = Take(message, pathLength)) && TakeNumber(message, length) &&
              (bytes = Take(message, length)))) {
            return ChmArchive(DamagedFile(helpFile));
        }
        objects.push_back({std::string(*path), std::string(*bytes), ordinary != 0});
    }
    if (!message.empty()) {
        return ChmArchive(DamagedFile(helpFile));
    }
    return ChmArchive(std::move(objects));
}

} // namespace tarn::help
