// Counts such as "Restore 2/26" must not read as "2/ 26".
#include <QImage>
#include <algorithm>
#include <vector>
#include <gtest/gtest.h>

#include "ui/slash_label_qt.h"
#include "ui/text_qt.h"

namespace pm {
namespace {

// Black on white, so that ink is told from background.
void blackOnWhite(QLabel& label)
{
    QPalette palette = label.palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    label.setPalette(palette);
    label.setAutoFillBackground(true);
}

// The widest run of blank columns between the label's first and last ink.
int widestGap(QLabel& label)
{
    blackOnWhite(label);
    const QImage image = label.grab().toImage().convertToFormat(QImage::Format_Grayscale8);
    std::vector<bool> ink(static_cast<size_t>(image.width()), false);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 160)
                ink[static_cast<size_t>(x)] = true;
    int widest = 0;
    int run = -1; // no ink seen yet
    for (const bool inked : ink) {
        if (inked) {
            widest = std::max(widest, run);
            run = 0;
        } else if (run >= 0) {
            ++run;
        }
    }
    return widest;
}

TEST(SlashLabel, FiguresSitAsCloseAfterTheSlashAsAroundIt)
{
    const QFont font = fittingFont(12, true, {QStringLiteral("Restore 26/26")}, QSize(88, 20));
    SlashLabel label;
    label.setFont(font);
    label.resize(88, 20);
    label.setText(QStringLiteral("226"));
    const int figures = widestGap(label);
    label.setText(QStringLiteral("2/26"));
    EXPECT_LE(widestGap(label), figures + 1) << font.family().toStdString();

    // Without a slash it draws as any label does.
    QLabel plain;
    plain.setFont(font);
    plain.resize(88, 20);
    plain.setText(QStringLiteral("Restore 26"));
    label.setText(plain.text());
    blackOnWhite(plain);
    blackOnWhite(label);
    EXPECT_EQ(label.grab().toImage(), plain.grab().toImage());
}

} // namespace
} // namespace pm
