#pragma once

#include "forms/Control.h"

namespace tarn::forms {

// A text label. Change is raised whenever its caption changes, also from code.
class Label : public CaptionedControl {
public:
    explicit Label(std::string name) : CaptionedControl(std::move(name), ControlKind::Label) {}

    Alignment TextAlignment() const { return alignment_; }
    void SetAlignment(Alignment alignment) { alignment_ = alignment; }
    bool Opaque() const { return opaque_; }
    void SetOpaque(bool opaque) { opaque_ = opaque; }
    // A label that acts as a link shows a pointing hand.
    bool HandCursor() const { return handCursor_; }
    void SetHandCursor(bool hand) { handCursor_ = hand; }

    Event<> Change;

protected:
    void CaptionChanged() override { Change.Raise(); }

private:
    Alignment alignment_ = Alignment::Left;
    bool opaque_ = false;
    bool handCursor_ = false;
};

} // namespace tarn::forms
