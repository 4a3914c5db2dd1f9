#pragma once

#include <QUrl>
#include <optional>
#include <string>

class QAbstractScrollArea;

namespace tarn {
class frmMain;
}

namespace tarn::gui {

// Lets files be dropped on a list of the file list. Only local files are taken, and only while
// the form accepts dropped files; they are added one by one as the add button adds a chosen file.
void AcceptFileDrops(frmMain& form, QAbstractScrollArea* list);

// The path of a file on this machine that a dropped URL names, or none.
std::optional<std::string> LocalFilePath(const QUrl& url);

} // namespace tarn::gui
