#include "tags/WavTags.h"

#include "tags/InfoText.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <initializer_list>
#include <taglib/attachedpictureframe.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tiostream.h>
#include <taglib/wavfile.h>

namespace tarn {

namespace {

using TagLib::ByteVector;
using TagLib::String;
using Id3Tag = TagLib::ID3v2::Tag;
using InfoTag = TagLib::RIFF::Info::Tag;

// TagLib's walk over the chunks reads their headers 4 bytes at a time, and a pad byte alone: this
// many short reads let it see a thousand chunks or so, and no more. Each read of the run opens the
// file, which takes its time on a network share.
constexpr int kMaxShortReads = 3 * 1024;

// A read-only stream over the run's reads, for TagLib. No read gives more than kMaxTagReadBytes,
// and after kMaxShortReads reads of fewer than 8 bytes such reads give nothing, which ends
// TagLib's walk: a file of millions of empty chunks costs no more than one of a thousand. A
// read that fails gives nothing, as the end of the file does.
class ReadAtStream : public TagLib::IOStream {
public:
    ReadAtStream(const ReadAtFunction& read, std::int64_t length) : read_(read), length_(length) {}

    TagLib::FileName name() const override { return ""; }
    ByteVector readBlock(unsigned long length) override {
        if (length == 0 || (length < 8 && ++shortReads_ > kMaxShortReads) || position_ < 0 ||
            position_ >= length_) {
            return {};
        }
        const auto count = static_cast<unsigned int>(
            std::min<std::int64_t>({static_cast<std::int64_t>(length), length_ - position_,
                                    static_cast<std::int64_t>(kMaxTagReadBytes)}));
        ByteVector block(count, '\0');
        const Result<std::size_t> got = read_(position_, block.data(), count);
        if (!got) {
            return {};
        }
        block.resize(static_cast<unsigned int>(*got));
        position_ += static_cast<std::int64_t>(*got);
        return block;
    }
    void writeBlock(const ByteVector& /*data*/) override {}
    void insert(const ByteVector& /*data*/, unsigned long /*start*/,
                unsigned long /*replace*/) override {}
    void removeBlock(unsigned long /*start*/, unsigned long /*length*/) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }
    void seek(long offset, Position from) override {
        position_ = offset + (from == Beginning ? 0 : from == Current ? position_ : length_);
    }
    long tell() const override { return position_; }
    long length() override { return length_; }
    void truncate(long /*length*/) override {}

private:
    const ReadAtFunction& read_;
    std::int64_t length_;
    std::int64_t position_ = 0;
    int shortReads_ = 0;
};

// The text of the ID3v2 tag's frame, else that of the first of the INFO fields that has one.
String Text(const String& id3Text, const InfoTag* info, std::initializer_list<const char*> fields) {
    if (!id3Text.isEmpty() || info == nullptr) {
        return id3Text;
    }
    for (const char* field : fields) {
        if (!info->fieldText(field).isEmpty()) {
            return info->fieldText(field);
        }
    }
    return {};
}

String FrameText(const Id3Tag* id3, const char* frame) {
    if (id3 == nullptr || id3->frameListMap()[frame].isEmpty()) {
        return {};
    }
    return id3->frameListMap()[frame].front()->toString();
}

// What an ID3v2.3 tag can hold of a date: "YYYY-MM-DD" when it begins so, else its year when it
// begins with one; nothing otherwise.
String Date(const String& date) {
    const auto digits = [&date](int from, int count) {
        for (int i = from; i < from + count; ++i) {
            if (i >= static_cast<int>(date.size()) || date[i] < '0' || date[i] > '9') {
                return false;
            }
        }
        return true;
    };
    if (digits(0, 4) && date.size() >= 10 && date[4] == '-' && digits(5, 2) && date[7] == '-' &&
        digits(8, 2)) {
        return date.substr(0, 10);
    }
    return digits(0, 4) ? date.substr(0, 4) : String();
}

void AddText(Id3Tag& tag, const char* frame, const String& text) {
    if (!text.isEmpty()) {
        auto* added = new TagLib::ID3v2::TextIdentificationFrame(frame, String::Latin1);
        added->setText(text);
        tag.addFrame(added); // the tag owns it from here on
    }
}

// The pictures of the tag, when the tag was read whole and they come to kMaxPictureBytes at most.
void AddPictures(Id3Tag& tag, const Id3Tag& from) {
    const TagLib::ID3v2::FrameList& frames = from.frameListMap()["APIC"];
    std::size_t bytes = 0;
    for (const TagLib::ID3v2::Frame* frame : frames) {
        if (const auto* picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame)) {
            bytes += picture->picture().size();
        }
    }
    if (from.header()->tagSize() > kMaxTagReadBytes || bytes > kMaxPictureBytes) {
        return;
    }
    for (const TagLib::ID3v2::Frame* frame : frames) {
        if (const auto* picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame)) {
            auto* added = new TagLib::ID3v2::AttachedPictureFrame;
            added->setTextEncoding(picture->description().isLatin1() ? String::Latin1
                                                                     : String::UTF16);
            added->setMimeType(picture->mimeType());
            added->setType(picture->type());
            added->setDescription(picture->description());
            added->setPicture(picture->picture());
            tag.addFrame(added);
        }
    }
}

bool IsRiffWave(const ReadAtFunction& read) {
    std::array<char, 12> head{};
    const Result<std::size_t> got = read(0, head.data(), head.size());
    return got && *got == head.size() && std::memcmp(head.data(), "RIFF", 4) == 0 &&
           std::memcmp(head.data() + 8, "WAVE", 4) == 0;
}

} // namespace

std::vector<std::uint8_t> Mp3TagFor(const ReadAtFunction& read, std::int64_t length) {
    if (!IsRiffWave(read)) {
        return {};
    }
    static const InfoTextHandler infoTexts;
    InfoTag::setStringHandler(&infoTexts);
    ReadAtStream stream(read, length);
    const TagLib::RIFF::WAV::File wav(&stream, false);
    const Id3Tag* id3 = wav.hasID3v2Tag() ? wav.ID3v2Tag() : nullptr;
    const InfoTag* info = wav.hasInfoTag() ? wav.InfoTag() : nullptr;

    Id3Tag tag;
    AddText(tag, "TIT2", Text(FrameText(id3, "TIT2"), info, {"INAM"}));
    AddText(tag, "TPE1", Text(FrameText(id3, "TPE1"), info, {"IART"}));
    AddText(tag, "TALB", Text(FrameText(id3, "TALB"), info, {"IPRD"}));
    AddText(tag, "TDRC", Date(Text(FrameText(id3, "TDRC"), info, {"ICRD"})));
    AddText(tag, "TRCK", Text(FrameText(id3, "TRCK"), info, {"ITRK", "IPRT"}));
    // TagLib names the genres an ID3v2 tag gives by number, and picks its comment without a
    // description.
    AddText(tag, "TCON", Text(id3 != nullptr ? id3->genre() : String(), info, {"IGNR"}));
    tag.setComment(Text(id3 != nullptr ? id3->comment() : String(), info, {"ICMT"}));
    if (id3 != nullptr) {
        AddPictures(tag, *id3);
    }
    if (tag.isEmpty()) {
        return {};
    }
    const ByteVector bytes = tag.render(TagLib::ID3v2::v3);
    return {bytes.begin(), bytes.end()};
}

} // namespace tarn
