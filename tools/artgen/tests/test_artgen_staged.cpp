// What the build staged and what padmacro_art holds: every picture loads at
// its control's size, pressed and locked pictures are plainly different from
// released ones, and the resources carry the same bytes as the files.
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "art_catalog.h"
#include "lzw_reference.h"

using namespace pm;
using namespace pm::art;

namespace {

const std::string kBmp = std::string(PADMACRO_STAGE_DIR) + "/BMP/";

QImage load(const std::string& path, QByteArray* format = nullptr)
{
    QImageReader reader(QString::fromStdString(path));
    if (format)
        *format = reader.format();
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

QByteArray bytesOf(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The staged spelling of a table name: the program finds files without
// regard to letter case, and only one spelling is on disk.
std::string onDisk(const std::string& file)
{
    static const Catalog cat = editorPictures();
    for (const Picture& p : cat.pictures)
        if (lowerAscii(p.file) == lowerAscii(file))
            return kBmp + p.file;
    return kBmp + file;
}

// Mean difference per channel over the pixels both pictures show.
double difference(const QImage& a, const QImage& b)
{
    if (a.isNull() || a.size() != b.size())
        return -1;
    double sum = 0;
    long n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (qAlpha(p) == 0 || qAlpha(q) == 0)
                continue;
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q))
                + std::abs(qBlue(p) - qBlue(q));
            n += 3;
        }
    return n ? sum / double(n) : 0;
}

// Every pixel of the picture comes out of a strict reading of its codes.
::testing::AssertionResult decodesStrictly(const QByteArray& file, int width, int height)
{
    const std::string gif(file.constData(), size_t(file.size()));
    int minCode = 0;
    std::vector<uint8_t> codes, pixels;
    ::testing::AssertionResult r = reference::gifCodeStream(gif, minCode, codes);
    if (r)
        r = reference::strictLzwDecode(codes, minCode, pixels);
    if (r && pixels.size() != size_t(width) * size_t(height))
        return ::testing::AssertionFailure() << pixels.size() << " pixels";
    return r;
}

} // namespace

TEST(Staged, EveryEditorPictureIsAGifOfItsSizeWithClearCorners)
{
    const Catalog cat = editorPictures();
    for (const Picture& p : cat.pictures) {
        const std::string path = kBmp + p.file;
        std::ifstream in(path, std::ios::binary);
        char sig[6] = {};
        in.read(sig, 6);
        ASSERT_EQ(std::string(sig, 6), "GIF89a") << path;
        QByteArray format;
        const QImage img = load(path, &format);
        EXPECT_EQ(format, "gif") << path;
        ASSERT_EQ(img.size(), QSize(p.width, p.height)) << path;
        EXPECT_TRUE(decodesStrictly(bytesOf(QString::fromStdString(path)), p.width, p.height)) << path;
        EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << path << ": rounded corner not transparent";
        EXPECT_EQ(qAlpha(img.pixel(p.width / 2, p.height / 2)), 255) << path;
    }
}

TEST(Staged, PressedAndLockedPicturesStandOutFromReleasedOnes)
{
    for (const RecordKey& k : kRecordKeys) {
        const QImage up = load(kBmp + k.picture + ".gif"), down = load(kBmp + k.pressed + ".gif");
        EXPECT_GT(difference(up, down), 25.0) << k.name;
    }
    for (const ModifierKey& m : kModifierKeys) {
        const QImage up = load(onDisk(fileOfLiteral(m.released))), on = load(onDisk(fileOfLiteral(m.locked)));
        EXPECT_GT(difference(up, on), 40.0) << m.name;
        EXPECT_EQ(load(onDisk(fileOfLiteral(m.pressed))), on) << m.name;
    }
    EXPECT_GT(difference(load(kBmp + "NumLock.gif"), load(kBmp + "NumLock_h.gif")), 25.0);

    QByteArray format;
    const QImage released = load(kBmp + std::string(kReleasedCap), &format);
    EXPECT_EQ(format, "bmp");
    const QImage marked = load(kBmp + std::string(kMarkedCap));
    ASSERT_EQ(released.size(), QSize(71, 71));
    ASSERT_EQ(marked.size(), QSize(71, 71));
    EXPECT_GT(difference(released, marked), 25.0);
    const QImage stored(QStringLiteral(":/art/form1_keycap.bmp"));
    ASSERT_EQ(stored.size(), QSize(71, 71));
    EXPECT_GT(difference(released, stored.convertToFormat(QImage::Format_ARGB32)), 25.0);
}

TEST(Staged, BmpFilesAreTwentyFourBit)
{
    for (const std::string& path : {kBmp + std::string(kReleasedCap), kBmp + std::string(kMarkedCap)}) {
        std::ifstream in(path, std::ios::binary);
        std::string head(30, '\0');
        in.read(head.data(), 30);
        EXPECT_EQ(head.substr(0, 2), "BM") << path;
        EXPECT_EQ(uint8_t(head[28]), 24) << path;
    }
}

TEST(Resources, HeldPicturesMatchTheStagedFilesAndTheWindowsSizes)
{
    const Catalog cat = editorPictures();
    int stored = 0;
    for (const Picture& p : cat.pictures) {
        const QString res = QStringLiteral(":/art/") + QString::fromStdString(p.file);
        if (!p.stored) {
            EXPECT_FALSE(QFile::exists(res)) << p.file;
            continue;
        }
        ++stored;
        const QByteArray held = bytesOf(res);
        ASSERT_FALSE(held.isEmpty()) << p.file;
        EXPECT_EQ(held, bytesOf(QString::fromStdString(kBmp + p.file))) << p.file;
    }
    EXPECT_EQ(stored, 101 + 6 + 1);

    const std::vector<std::pair<const char*, QSize>> windows = {{":/art/form1_background.bmp", {302, 538}},
        {":/art/form1_keycap.bmp", {71, 71}}, {":/art/form1_enter.bmp", {72, 145}},
        {":/art/keyboard.gif", {970, 280}}, {":/art/KeyCap.gif", {73, 41}},
        {":/art/SpeedButton1.png", {120, 33}}, {":/art/SpeedButton2.png", {120, 33}},
        {":/art/SpeedButton3.png", {120, 33}}, {":/art/SpeedButton4.png", {120, 33}}};
    for (const auto& [path, size] : windows) {
        EXPECT_EQ(QImage(QString::fromLatin1(path)).size(), size) << path;
        if (QString::fromLatin1(path).endsWith(".gif")) {
            EXPECT_TRUE(decodesStrictly(bytesOf(QString::fromLatin1(path)), size.width(), size.height()))
                << path;
        }
    }

    const QImage white
        = QImage(QStringLiteral(":/art/form1_background.bmp")).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < white.height(); y += 7)
        for (int x = 0; x < white.width(); x += 7)
            ASSERT_EQ(white.pixel(x, y), 0xFFFFFFFFu) << x << "," << y;
}

TEST(Staged, MacroFilesExistAndStagingKeepsWhatIsThere)
{
    for (const std::string& n : macroFileNames())
        EXPECT_TRUE(std::filesystem::is_regular_file(std::string(PADMACRO_STAGE_DIR) + "/log/" + n)) << n;

    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path()
        / ("artgen-log-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "KeyNum0.txt", std::ios::binary) << "0,41\r\n";
    const std::string cmd = std::string("\"") + PADMACRO_CMAKE + "\" -DLOG_DIR=" + dir.string()
        + " -DNAMES=KeyNum0.txt,KeyCode0.txt -P \"" + PADMACRO_STAGE_SCRIPT + "\"";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(fs::file_size(dir / "KeyNum0.txt"), 6u); // a developer's macro survives
    ASSERT_TRUE(fs::is_regular_file(dir / "KeyCode0.txt"));
    EXPECT_EQ(fs::file_size(dir / "KeyCode0.txt"), 0u);
    fs::remove_all(dir);
}
