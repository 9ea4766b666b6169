// Prints, one a line, the files the generator writes, for the build to list
// as outputs: "bmp <name>" below app/BMP, "stored <name>" for those also held
// as resources, "log <name>" below app/log. Exits 1 on a name collision.
#include <cstdio>

#include "art_catalog.h"

int main()
{
    const pm::art::Catalog cat = pm::art::editorPictures();
    for (const std::string& e : cat.errors)
        std::printf("error %s\n", e.c_str());
    if (!cat.errors.empty())
        return 1;
    std::printf("bmp %s\nbmp %s\n", pm::art::kReleasedCap.data(), pm::art::kMarkedCap.data());
    for (const auto& p : cat.pictures)
        std::printf("%s %s\n", p.stored ? "stored" : "bmp", p.file.c_str());
    for (const std::string& n : pm::art::macroFileNames())
        std::printf("log %s\n", n.c_str());
    return 0;
}
