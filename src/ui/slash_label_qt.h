#pragma once
// A label for counts such as "Restore 2/26": Tahoma's slash carries a wide
// right bearing, which reads as "2/ 26". The figures after the slash are
// drawn as close to it as those before it; text() stays as set.
#include <QLabel>

namespace pm {

class SlashLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace pm
