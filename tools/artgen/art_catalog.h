#pragma once
// Every file the artwork generator produces, derived from the key tables so
// that no picture name is written down twice. Plain C++: the build also runs
// it at configure time to learn the file names.
#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "editor/key_table.h"
#include "keypad/key_table.h"

namespace pm::art {

enum class Look {
    Released,
    Pressed, // a recording key or NumLock while the mouse is down
    Locked,  // a modifier held down or locked: the same file serves both
};

enum class Face {
    Record,   // index into kRecordKeys
    Modifier, // index into kModifierKeys (the first key drawing this file)
    NumLock,
};

struct Picture {
    std::string file; // name under BMP/, the spelling chosen for the disk
    Face face;
    int index;
    Look look;
    int width, height;
    bool stored; // also held with the editor window (a released picture)
    // Two table names that differ only in letter case must draw the same
    // thing; this says what is drawn.
    std::string identity() const
    {
        std::string id;
        switch (face) {
        case Face::Record: id = "record " + std::to_string(index); break;
        case Face::Modifier: id = std::string("modifier ") + modifierName(kModifierKeys[size_t(index)].kind); break;
        case Face::NumLock: id = "numlock"; break;
        }
        id += look == Look::Released ? " released" : look == Look::Pressed ? " pressed" : " locked";
        return id + " " + std::to_string(width) + "x" + std::to_string(height);
    }
};

struct Catalog {
    std::vector<Picture> pictures;
    std::vector<std::string> errors; // name collisions; the generator refuses to run
};

// The keypad window's two key pictures, "\BMP\1.bmp" and "\BMP\2.bmp".
inline constexpr std::string_view kReleasedCap = "1.bmp";
inline constexpr std::string_view kMarkedCap = "2.bmp";

inline std::string lowerAscii(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

// "\BMP\l_ctrl.gif" -> "l_ctrl.gif"
inline std::string fileOfLiteral(std::string_view literal)
{
    const size_t cut = literal.find_last_of("\\/");
    return std::string(cut == std::string_view::npos ? literal : literal.substr(cut + 1));
}

class CatalogBuilder {
public:
    void add(std::string file, Face face, int index, Look look, int width, int height, bool stored)
    {
        Picture p{std::move(file), face, index, look, width, height, stored};
        const std::string key = lowerAscii(p.file);
        auto it = byName_.find(key);
        if (it == byName_.end()) {
            byName_.emplace(key, out_.pictures.size());
            out_.pictures.push_back(std::move(p));
            return;
        }
        Picture& first = out_.pictures[it->second];
        if (first.identity() != p.identity()) {
            out_.errors.push_back("\"" + p.file + "\" (" + p.identity() + ") collides with \"" + first.file
                + "\" (" + first.identity() + ")");
            return;
        }
        first.stored = first.stored || p.stored;
    }
    Catalog take() { return std::move(out_); }

private:
    Catalog out_;
    std::map<std::string, size_t> byName_;
};

// The editor's pictures, each case-insensitively distinct name once, spelt
// as the table first uses it.
inline Catalog editorPictures()
{
    CatalogBuilder b;
    for (size_t i = 0; i < kRecordKeys.size(); ++i) {
        const RecordKey& k = kRecordKeys[i];
        b.add(std::string(k.picture) + ".gif", Face::Record, int(i), Look::Released, k.width, k.height, true);
        b.add(std::string(k.pressed) + ".gif", Face::Record, int(i), Look::Pressed, k.width, k.height, false);
    }
    for (size_t i = 0; i < kModifierKeys.size(); ++i) {
        const ModifierKey& m = kModifierKeys[i];
        const int w = m.width, h = m.height, n = int(i);
        b.add(fileOfLiteral(m.pressed), Face::Modifier, n, Look::Locked, w, h, false);
        b.add(fileOfLiteral(m.locked), Face::Modifier, n, Look::Locked, w, h, false);
        b.add(fileOfLiteral(m.released), Face::Modifier, n, Look::Released, w, h, true);
        b.add(fileOfLiteral(m.onClose), Face::Modifier, n, Look::Released, w, h, false);
    }
    b.add(fileOfLiteral(kNumLockReleased), Face::NumLock, 0, Look::Released, kNumLockKey.width,
        kNumLockKey.height, true);
    b.add(fileOfLiteral(kNumLockPressed), Face::NumLock, 0, Look::Pressed, kNumLockKey.width,
        kNumLockKey.height, false);
    return b.take();
}

// The 78 macro files below log/, all staged empty.
inline std::vector<std::string> macroFileNames()
{
    std::vector<std::string> names;
    for (uint8_t n : kDeviceKeyNumbers)
        for (const char* stem : {"KeyNum", "KeyCode", "LineBuf"})
            names.push_back(stem + std::to_string(unsigned(n)) + ".txt");
    return names;
}

} // namespace pm::art
