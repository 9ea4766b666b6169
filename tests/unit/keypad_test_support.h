#pragma once
// What the keypad, storage and scheduler tests share: a throw-away
// application directory with the pictures and the 78 macro files, and a
// shell that records what the handlers asked of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/session.h"
#include "base/errors.h"
#include "base/paths.h"
#include "keypad/key_table.h"

namespace pmtest {

namespace fs = std::filesystem;

class TempAppDir {
public:
    TempAppDir()
    {
        std::random_device rd;
        dir_ = fs::temp_directory_path() / ("padmacro-kp-" + std::to_string(rd()) + std::to_string(rd()));
        fs::create_directories(dir_ / "BMP");
        fs::create_directories(dir_ / "log");
        for (const char* pic : {"1.bmp", "2.bmp", "l_ctrl.gif", "l_alt.gif", "l_shift.gif", "r_alt.gif",
                 "r_ctrl.gif", "r_shift.gif"})
            writeRaw("BMP/" + std::string(pic), "x");
        for (uint8_t n : pm::kDeviceKeyNumbers)
            for (const char* kind : {"KeyNum", "KeyCode", "LineBuf"})
                writeRaw("log/" + std::string(kind) + std::to_string(n) + ".txt", "");
    }
    ~TempAppDir()
    {
        pm::setFileChangeHook(nullptr);
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    TempAppDir(const TempAppDir&) = delete;
    TempAppDir& operator=(const TempAppDir&) = delete;

    std::string path() const { return dir_.string(); }
    // The platform path of AppDir + literal, as error messages show it.
    std::string file(const std::string& literal) const { return pm::platformPath(path(), literal); }

    void write(const std::string& literal, const std::string& bytes) const
    {
        std::ofstream(file(literal), std::ios::binary) << bytes;
    }
    std::string read(const std::string& literal) const
    {
        std::ifstream in(file(literal), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void remove(const std::string& literal) const { fs::remove(file(literal)); }
    // Every file in log/ and its contents, to see that nothing changed.
    std::vector<std::pair<std::string, std::string>> logSnapshot() const
    {
        std::vector<std::pair<std::string, std::string>> out;
        for (const auto& e : fs::directory_iterator(dir_ / "log")) {
            std::ifstream in(e.path(), std::ios::binary);
            out.emplace_back(e.path().filename().string(),
                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
        }
        std::sort(out.begin(), out.end());
        return out;
    }
    // Makes the next replacement of the file fail even for root: the
    // temporary file it is written to cannot be created.
    // Every later replacement of the file fails as on a full disk.
    void blockWrite(const std::string& literal) const
    {
        const fs::path target = file(literal);
        const std::string prefix
            = (target.parent_path() / ("." + target.filename().string() + ".pm")).string();
        pm::setFileChangeHook([prefix](const char* call, const std::string& path) {
            return std::string_view(call) == "create" && path.rfind(prefix, 0) == 0 ? ENOSPC : 0;
        });
    }

private:
    void writeRaw(const std::string& rel, const std::string& bytes) const
    {
        std::ofstream(dir_ / rel, std::ios::binary) << bytes;
    }
    fs::path dir_;
};

class FakeShell : public pm::SessionShell {
public:
    void showKeypad() override { record("showKeypad"); }
    void hideKeypad() override { record("hideKeypad"); }
    void showEditor() override { record("showEditor"); }
    void hideEditor() override { record("hideEditor"); }
    void focusMemo1() override { record("focusMemo1"); }
    void clearMemo1() override { record("clearMemo1"); }
    void message(const std::string& text) override { record("message:" + text); }
    void notice(const std::string& text) override { record("notice:" + text); }

    std::vector<std::string> take() { return std::exchange(events, {}); }
    std::vector<std::string> events;
    std::function<void(const std::string&)> onEvent; // sees the state at each call

private:
    void record(const std::string& e)
    {
        events.push_back(e);
        if (onEvent)
            onEvent(e);
    }
};

// Runs f, which must throw a UiError, and returns its message.
template <typename F>
std::string uiErrorOf(F&& f)
{
    try {
        f();
    } catch (const pm::UiError& e) {
        return e.what();
    }
    ADD_FAILURE() << "no UiError was raised";
    return {};
}

} // namespace pmtest
