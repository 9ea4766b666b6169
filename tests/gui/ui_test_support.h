#pragma once
// What the window tests share: a temporary application directory and mouse
// events sent to a widget as the window system would deliver them.
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QWidget>

#include <filesystem>
#include <fstream>
#include <string>

#include "editor/key_table.h"
#include "keypad/key_table.h"

namespace pm {
namespace fs = std::filesystem;

inline void touch(const fs::path& path, const std::string& bytes = {})
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// BMP/ with the two key caps and every editor picture (the editor pictures
// need only open; they do not decode, which the view must survive), log/
// with every macro file empty.
inline void makeAppDir(const fs::path& dir)
{
    fs::create_directories(dir / "BMP");
    fs::create_directories(dir / "log");
    QImage released(71, 71, QImage::Format_RGB32);
    released.fill(Qt::lightGray);
    released.save(QString::fromStdString((dir / "BMP" / "1.bmp").string()), "BMP");
    QImage marked(71, 71, QImage::Format_RGB32);
    marked.fill(Qt::red);
    marked.save(QString::fromStdString((dir / "BMP" / "2.bmp").string()), "BMP");
    for (const RecordKey& k : kRecordKeys) {
        touch(dir / "BMP" / (std::string(k.picture) + ".gif"));
        touch(dir / "BMP" / (std::string(k.pressed) + ".gif"));
    }
    for (const ModifierKey& k : kModifierKeys)
        for (const char* literal : {k.pressed, k.locked, k.released, k.onClose})
            touch(dir / "BMP" / fs::path(std::string(literal).substr(5)));
    touch(dir / "BMP" / "NumLock.gif");
    touch(dir / "BMP" / "NumLock_h.gif");
    for (uint8_t n : kDeviceKeyNumbers)
        for (const char* stem : {"KeyNum", "KeyCode", "LineBuf"})
            touch(dir / "log" / (stem + std::to_string(n) + ".txt"));
}

inline void sendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button = Qt::LeftButton)
{
    const QPointF local(w->width() / 2.0, w->height() / 2.0);
    const Qt::MouseButtons held
        = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, local, w->mapToGlobal(local), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

inline void click(QWidget* w, Qt::MouseButton button = Qt::LeftButton)
{
    sendMouse(w, QEvent::MouseButtonPress, button);
    sendMouse(w, QEvent::MouseButtonRelease, button);
}

} // namespace pm
