#pragma once
// Draws every picture: the editor's key caps and keyboard, the keypad
// window's caps and background, the command button glyphs.
#include <QImage>

#include "art_catalog.h"
#include "image_codec.h"

namespace pm::art {

// The key beds of the editor's keyboard: soft key edges are blended over it.
inline constexpr uint32_t kWellColour = 0x1E2024;
// The keypad window's background, around its opaque caps.
inline constexpr uint32_t kPadBackground = 0xFFFFFF;

enum class PadCap {
    Released, // 1.bmp: no macro, or not held
    Marked,   // 2.bmp: held, or carrying a macro
    Stored,   // the dark cap held with the keypad window
};

QImage paintEditorPicture(const Picture& picture);
QImage paintCapsLock();
QImage paintKeyboard();
QImage paintPadCap(PadCap cap);
QImage paintPadEnter();
QImage paintPadBackground();
QImage paintCommandButton(int number); // 1 Cancel, 2 Program, 3 Delete all, 4 Delete
// The program's own icon, square, at size pixels.
QImage paintAppIcon(int size);
inline constexpr int kAppIconSizes[] = {16, 24, 32, 48, 64, 128, 256};

RgbaImage toRgba(const QImage& image);

} // namespace pm::art
