// padmacro-artgen: draws the key pictures into the staged application
// directory (BMP/) and the pictures held with the windows into a resource
// directory, then reads every file back to prove it decodes.
//
//   padmacro-artgen --app <dir> --res <dir> [--sheet <png>]
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>

#include "art_paint.h"
#include "ui/raw_picture.h"

using namespace pm::art;

namespace {

struct Written {
    std::string path;
    int width, height;
    IndexedImage indexed; // for GIFs: what the file must decode to
    bool gif;
};

std::vector<Written> g_written;

bool writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "padmacro-artgen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

bool writeGif(const std::string& path, const QImage& image, uint32_t matte)
{
    IndexedImage indexed = quantize(toRgba(image), matte);
    if (!writeBytes(path, encodeGif(indexed)))
        return false;
    g_written.push_back({path, image.width(), image.height(), std::move(indexed), true});
    return true;
}

bool writeBmp(const std::string& path, const QImage& image)
{
    if (!writeBytes(path, encodeBmp24(toRgba(image))))
        return false;
    g_written.push_back({path, image.width(), image.height(), {}, false});
    return true;
}

bool writePng(const std::string& path, const QImage& image)
{
    if (!image.save(QString::fromStdString(path), "PNG")) {
        std::fprintf(stderr, "padmacro-artgen: cannot write %s\n", path.c_str());
        return false;
    }
    g_written.push_back({path, image.width(), image.height(), {}, false});
    return true;
}

// Every file must load at its size; a GIF must give back exactly the
// pixels it was encoded from.
bool verify(const Written& w)
{
    QImageReader reader(QString::fromStdString(w.path));
    const QByteArray format = reader.format();
    const QImage img = reader.read();
    if (img.isNull() || img.width() != w.width || img.height() != w.height) {
        std::fprintf(stderr, "padmacro-artgen: %s does not read back as %dx%d (%s)\n", w.path.c_str(),
            w.width, w.height, qPrintable(reader.errorString()));
        return false;
    }
    if (!w.gif)
        return true;
    if (format != "gif") {
        std::fprintf(stderr, "padmacro-artgen: %s is not read as a GIF\n", w.path.c_str());
        return false;
    }
    const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < w.height; ++y)
        for (int x = 0; x < w.width; ++x) {
            const uint8_t idx = w.indexed.indices[size_t(y) * size_t(w.width) + size_t(x)];
            const QRgb got = argb.pixel(x, y);
            const bool clear = int(idx) == w.indexed.transparent;
            const bool ok
                = clear ? qAlpha(got) == 0 : qAlpha(got) == 255 && (got & 0xFFFFFF) == w.indexed.palette[idx];
            if (!ok) {
                std::fprintf(stderr, "padmacro-artgen: %s decodes wrongly at %d,%d\n", w.path.c_str(), x, y);
                return false;
            }
        }
    return true;
}

// One picture of everything, for a person to look at.
QImage contactSheet(const std::string& bmpDir, const std::string& resDir, const Catalog& cat)
{
    auto load = [](const std::string& p) { return QImage(QString::fromStdString(p)); };
    std::map<std::string, const Picture*> byFile;
    for (const Picture& p : cat.pictures)
        byFile[lowerAscii(p.file)] = &p;
    auto file = [](const std::string& literal) { return lowerAscii(fileOfLiteral(literal)); };

    QImage sheet(1000, 1240, QImage::Format_ARGB32);
    sheet.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter p(&sheet);
    for (int row = 0; row < 2; ++row) {
        const QPoint at(10, 10 + row * 300);
        p.drawImage(at, load(resDir + "/keyboard.gif"));
        for (const pm::RecordKey& k : pm::kRecordKeys)
            p.drawImage(at + QPoint(k.left, k.top),
                load(bmpDir + "/"
                    + byFile[lowerAscii(std::string(row ? k.pressed : k.picture) + ".gif")]->file));
        for (const pm::ModifierKey& m : pm::kModifierKeys)
            p.drawImage(at + QPoint(m.left, m.top),
                load(bmpDir + "/" + byFile[file(row ? m.locked : m.released)]->file));
        p.drawImage(at + QPoint(pm::kNumLockKey.left, pm::kNumLockKey.top),
            load(bmpDir + "/" + byFile[file(row ? pm::kNumLockPressed : pm::kNumLockReleased)]->file));
        p.drawImage(at + QPoint(pm::kCapsLockKey.left, pm::kCapsLockKey.top), load(resDir + "/KeyCap.gif"));
    }
    for (int i = 0; i < 4; ++i)
        p.drawImage(
            QPoint(32 + 130 * i, 606), load(resDir + "/SpeedButton" + std::to_string(i + 1) + ".png"));

    // The keypad window: white, the dark stored caps, then 1.bmp and 2.bmp.
    for (int panel = 0; panel < 2; ++panel) {
        const QPoint at(20 + panel * 330, 660);
        p.drawImage(at, load(resDir + "/form1_background.bmp"), QRect(0, 0, 301, 532));
        for (const pm::KeypadKey& k : pm::kKeypadKeys) {
            const std::string pic = panel == 0
                ? resDir + "/form1_keycap.bmp"
                : bmpDir + "/" + std::string((k.left + k.top) % 3 ? kReleasedCap : kMarkedCap);
            p.drawImage(at + QPoint(k.left, k.top), load(pic));
        }
        p.drawImage(at + QPoint(231, 310), load(resDir + "/form1_enter.bmp"));
        QFont f("DejaVu Sans");
        f.setBold(true);
        for (const pm::Legend& l : pm::kLegends) {
            f.setPixelSize(l.height);
            p.setFont(f);
            p.setPen(Qt::white);
            p.drawText(at + QPoint(l.left, l.top + l.height), QString::fromLatin1(l.caption));
        }
    }
    return sheet;
}

// Every picture of both windows, each read back to check it.
bool writePictures(const Catalog& cat, const std::string& bmpDir, const std::string& resDir)
{
    bool ok = writeBmp(bmpDir + "/" + std::string(kReleasedCap), paintPadCap(PadCap::Released))
        && writeBmp(bmpDir + "/" + std::string(kMarkedCap), paintPadCap(PadCap::Marked));
    for (const Picture& pic : cat.pictures)
        ok = ok && writeGif(bmpDir + "/" + pic.file, paintEditorPicture(pic), kWellColour);

    // The editor window's face colour lies under the keyboard's round corners.
    constexpr uint32_t kWindowFace = 0xF0F0F0;
    ok = ok && writeBmp(resDir + "/form1_background.bmp", paintPadBackground())
        && writeBmp(resDir + "/form1_keycap.bmp", paintPadCap(PadCap::Stored))
        && writeBmp(resDir + "/form1_enter.bmp", paintPadEnter())
        && writeGif(resDir + "/keyboard.gif", paintKeyboard(), kWindowFace)
        && writeGif(resDir + "/KeyCap.gif", paintCapsLock(), kWellColour);
    for (int n = 1; n <= 4; ++n)
        ok = ok && writePng(resDir + "/SpeedButton" + std::to_string(n) + ".png", paintCommandButton(n));
    for (const int size : kAppIconSizes)
        ok = ok && writePng(resDir + "/icon_" + std::to_string(size) + ".png", paintAppIcon(size));
    if (!ok)
        return false;

    for (const Written& w : g_written)
        if (!verify(w))
            return false;
    return true;
}

// What start-up shows first, also as the pixels a pixmap keeps.
bool writeRawPictures(const std::string& resDir)
{
    const std::string rawDir = resDir + "/raw";
    QDir().mkpath(QString::fromStdString(rawDir));
    std::vector<std::string> raw = {"form1_background.bmp", "form1_keycap.bmp", "form1_enter.bmp"};
    for (const int size : kAppIconSizes)
        raw.push_back("icon_" + std::to_string(size) + ".png");
    for (const std::string& name : raw) {
        const QImage kept = QPixmap::fromImage(QImage(QString::fromStdString(resDir + "/" + name))).toImage();
        const QByteArray bytes = pm::encodeRawPicture(kept);
        if (kept.isNull() || !writeBytes(rawDir + "/" + name, bytes.toStdString()))
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    std::string appDir, resDir, sheetPath;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string opt = argv[i];
        if (opt == "--app")
            appDir = argv[i + 1];
        else if (opt == "--res")
            resDir = argv[i + 1];
        else if (opt == "--sheet")
            sheetPath = argv[i + 1];
    }
    if (appDir.empty() || resDir.empty()) {
        std::fprintf(stderr, "usage: padmacro-artgen --app <dir> --res <dir> [--sheet <png>]\n");
        return 2;
    }

    const Catalog cat = editorPictures();
    for (const std::string& e : cat.errors)
        std::fprintf(stderr, "padmacro-artgen: picture name collision: %s\n", e.c_str());
    if (!cat.errors.empty())
        return 1;

    const std::string bmpDir = appDir + "/BMP";
    if (!QDir().mkpath(QString::fromStdString(bmpDir)) || !QDir().mkpath(QString::fromStdString(resDir))) {
        std::fprintf(stderr, "padmacro-artgen: cannot create the output directories\n");
        return 1;
    }

    if (!writePictures(cat, bmpDir, resDir) || !writeRawPictures(resDir))
        return 1;

    if (!sheetPath.empty() && !contactSheet(bmpDir, resDir, cat).save(QString::fromStdString(sheetPath))) {
        std::fprintf(stderr, "padmacro-artgen: cannot write %s\n", sheetPath.c_str());
        return 1;
    }
    return 0;
}
