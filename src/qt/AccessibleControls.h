#pragma once

#include "forms/Control.h"

#include <QLabel>
#include <QString>
#include <string>

namespace tarn::gui {

// A caption as shown, without the "&" that marks its access key ("&&" stands for "&").
QString WithoutAccessKeys(const std::string& caption);

// What assistive technology calls the control: list boxes, and labels that have a tooltip
// (the time labels and links), by their tooltip; other controls by their caption, then
// tooltip, then name.
QString AccessibleNameOf(const forms::Control& control);

// Assistive tools see `label` as a link they can press, which clicks its control.
void PresentAsLink(QLabel* label);

} // namespace tarn::gui
