// The list of pictures: every name the key tables use is drawn exactly once,
// whatever its letter case, and a clash between different drawings is caught.
#include <gtest/gtest.h>

#include <set>

#include "art_catalog.h"

using namespace pm;
using namespace pm::art;

namespace {

const Picture* find(const Catalog& cat, const std::string& file)
{
    for (const Picture& p : cat.pictures)
        if (lowerAscii(p.file) == lowerAscii(file))
            return &p;
    return nullptr;
}

} // namespace

TEST(Catalog, EveryTableNameResolvesToOnePictureOfTheControlSize)
{
    const Catalog cat = editorPictures();
    ASSERT_TRUE(cat.errors.empty()) << cat.errors.front();
    // 101 recording keys twice, 11 modifier names, NumLock twice.
    EXPECT_EQ(cat.pictures.size(), 215u);

    std::set<std::string> lower;
    for (const Picture& p : cat.pictures)
        EXPECT_TRUE(lower.insert(lowerAscii(p.file)).second) << p.file;

    for (const RecordKey& k : kRecordKeys) {
        for (const char* name : {k.picture, k.pressed}) {
            const Picture* p = find(cat, std::string(name) + ".gif");
            ASSERT_NE(p, nullptr) << name;
            EXPECT_EQ(p->width, k.width) << name;
            EXPECT_EQ(p->height, k.height) << name;
        }
        EXPECT_TRUE(find(cat, std::string(k.picture) + ".gif")->stored) << k.picture;
        EXPECT_FALSE(find(cat, std::string(k.pressed) + ".gif")->stored) << k.pressed;
    }
    // Names are kept exactly as the table writes them.
    EXPECT_EQ(find(cat, "esc_h.gif")->file, "ESC_H.gif");
    EXPECT_EQ(find(cat, "k14_h.gif")->file, "K14_H.gif");
    EXPECT_EQ(find(cat, "num_7_h.gif")->file, "Num_7_h.gif");

    for (const ModifierKey& m : kModifierKeys) {
        for (const char* literal : {m.pressed, m.locked, m.released, m.onClose}) {
            const Picture* p = find(cat, fileOfLiteral(literal));
            ASSERT_NE(p, nullptr) << literal;
            EXPECT_EQ(p->width, m.width) << literal;
            EXPECT_EQ(p->height, m.height) << literal;
            EXPECT_EQ(p->face, Face::Modifier);
        }
        EXPECT_EQ(find(cat, fileOfLiteral(m.locked))->look, Look::Locked);
        EXPECT_EQ(find(cat, fileOfLiteral(m.pressed))->look, Look::Locked);
        EXPECT_EQ(find(cat, fileOfLiteral(m.released))->look, Look::Released);
        // The window holds the released picture under the name the table gives it.
        EXPECT_EQ(find(cat, fileOfLiteral(m.released))->file, fileOfLiteral(m.released));
        EXPECT_TRUE(find(cat, fileOfLiteral(m.released))->stored);
    }
    EXPECT_EQ(find(cat, "NumLock.gif")->look, Look::Released);
    EXPECT_EQ(find(cat, "NumLock_h.gif")->look, Look::Pressed);
    EXPECT_EQ(find(cat, "NumLock_h.gif")->width, kNumLockKey.width);
}

TEST(Catalog, CaseVariantsMergeButDifferentDrawingsClash)
{
    CatalogBuilder same;
    same.add("l_Shift.gif", Face::Modifier, 2, Look::Released, 94, 41, true);
    same.add("l_shift.gif", Face::Modifier, 2, Look::Released, 94, 41, false);
    Catalog merged = same.take();
    EXPECT_TRUE(merged.errors.empty());
    ASSERT_EQ(merged.pictures.size(), 1u);
    EXPECT_EQ(merged.pictures[0].file, "l_Shift.gif"); // the first spelling wins
    EXPECT_TRUE(merged.pictures[0].stored);

    // Left and right Ctrl share one held picture: same drawing, no clash.
    CatalogBuilder shared;
    shared.add("R_ctrl_h.gif", Face::Modifier, 0, Look::Locked, 51, 41, false);
    shared.add("R_ctrl_h.gif", Face::Modifier, 4, Look::Locked, 51, 41, false);
    EXPECT_TRUE(shared.take().errors.empty());

    for (auto clash : {std::make_tuple(Face::Modifier, 2, Look::Locked, 94), // released vs locked
             std::make_tuple(Face::Modifier, 0, Look::Released, 94),         // Shift vs Ctrl
             std::make_tuple(Face::Modifier, 2, Look::Released, 73),         // another size
             std::make_tuple(Face::Record, 2, Look::Released, 94)}) {
        CatalogBuilder b;
        b.add("l_shift.gif", Face::Modifier, 2, Look::Released, 94, 41, true);
        b.add("L_SHIFT.gif", std::get<0>(clash), std::get<1>(clash), std::get<2>(clash), std::get<3>(clash),
            41, false);
        const Catalog c = b.take();
        ASSERT_EQ(c.errors.size(), 1u);
        EXPECT_NE(c.errors[0].find("L_SHIFT.gif"), std::string::npos);
        EXPECT_EQ(c.pictures.size(), 1u);
    }
}

TEST(Catalog, MacroFilesCoverEveryDeviceKeyNumberThreeTimes)
{
    const std::vector<std::string> names = macroFileNames();
    EXPECT_EQ(names.size(), 78u);
    const std::set<std::string> unique(names.begin(), names.end());
    EXPECT_EQ(unique.size(), 78u);
    for (const char* n : {"KeyNum0.txt", "KeyCode0.txt", "LineBuf0.txt", "KeyCode9.txt", "KeyNum43.txt",
             "LineBuf36.txt", "KeyCode2.txt"})
        EXPECT_TRUE(unique.count(n)) << n;
    EXPECT_FALSE(unique.count("KeyCode5.txt"));
    EXPECT_FALSE(unique.count("KeyCode09.txt"));
}

TEST(Catalog, FileOfLiteralAndLowerAscii)
{
    EXPECT_EQ(fileOfLiteral("\\BMP\\l_ctrl.gif"), "l_ctrl.gif");
    EXPECT_EQ(fileOfLiteral("NumLock.gif"), "NumLock.gif");
    EXPECT_EQ(lowerAscii("R_Shift_H.GIF"), "r_shift_h.gif");
}
