#pragma once

#include <exception>
#include <functional>

namespace tarn::gui {

// Runs a model call made from a Qt event. An exception must not unwind through Qt's frames:
// it is handed to the handler set here (the program shows it and ends in order, giving the
// listed files their names back).
void RunGuarded(const std::function<void()>& call);
void SetErrorHandler(std::function<void(const std::exception&)> handler);

} // namespace tarn::gui
