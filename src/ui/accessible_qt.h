#pragma once
// What a screen reader is told of the controls the toolkit cannot describe
// by itself, and moving the keyboard focus over a window's drawn keys.
#include <QList>
#include <QWidget>

#include "ui/picture_control_qt.h"

namespace pm {

// Drawn keys are buttons (a key with no mouse handler is a picture), with a
// press action; the acknowledgement memo is not presented as a text to type
// into. Once per process.
void installAccessibility();

// The control nearest to from in the direction of an arrow key, among the
// candidates that can take the focus now; nullptr when there is none.
QWidget* neighbourOf(const QList<QWidget*>& candidates, const QWidget* from, int arrowKey);

// A control that draws the keyboard focus clearly over what the toolkit draws.
template <class Base>
class FocusDrawn : public Base {
public:
    using Base::Base;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        Base::paintEvent(event);
        if (this->hasFocus())
            drawFocusRing(this);
    }
};

} // namespace pm
