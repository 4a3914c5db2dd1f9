#include "filelist/NotConnectedText.h"

#include "filelist/FileNames.h"

#include <algorithm>

namespace tarn {

std::string RecordKindText(NameJournal::Kind kind, const std::string& chosen) {
    switch (kind) {
    case NameJournal::Kind::OutputStarted:
        return "cut short, to be removed";
    case NameJournal::Kind::Placeholder:
        return "empty, to be removed";
    case NameJournal::Kind::Renamed:
    case NameJournal::Kind::OutputFinished:
        break;
    }
    return "to be " + chosen;
}

std::string NotConnectedText(const std::vector<NameJournal::Entry>& records) {
    std::vector<std::string> folders;
    for (const NameJournal::Entry& record : records) {
        const std::string folder = SplitPath(record.currentPath).folder;
        if (std::ranges::find(folders, folder) == folders.end()) {
            folders.push_back(folder);
        }
    }
    std::string text = "These files are in a folder that is not there now, on a USB stick, a "
                       "memory card or a network folder that is not connected:";
    for (const std::string& folder : folders) {
        text += "\n" + folder;
        for (const NameJournal::Entry& record : records) {
            if (SplitPath(record.currentPath).folder != folder) {
                continue;
            }
            text += "\n    " + SplitPath(record.currentPath).fileName + ", " +
                    RecordKindText(record.kind, SplitPath(record.chosenPath).fileName);
        }
    }
    return text + "\nTheir names come back when the program next starts with it connected.";
}

} // namespace tarn
