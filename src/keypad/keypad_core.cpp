#include "keypad/keypad_core.h"

#include <chrono>
#include <thread>

#include "base/pictures.h"
#include "storage/macro_files.h"

namespace pm {

namespace {

constexpr const char* kReleasedPicture = "\\BMP\\1.bmp";
constexpr const char* kMarkedPicture = "\\BMP\\2.bmp"; // also the pressed key cap

} // namespace

void KeypadCore::create(const std::string& appDir)
{
    ctx_.AppDir = appDir;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Load_Key();
}

void KeypadCore::Load_Key()
{
    // The table lists the top row first, then the pad in refresh order. The
    // pad is probed in both layouts but only marked in "MOD1".
    const uint8_t mode = ctx_.state.KeypadMode;
    for (size_t i = 0; i < kKeypadKeys.size(); ++i) {
        const KeypadKey& key = kKeypadKeys[i];
        const int lines = probeMacro(ctx_.AppDir, keyNumber(key, mode), s_.Test_Memo);
        if (key.topRow || mode != 0)
            loadPicture(ctx_.AppDir, s_.keyPictures[i], lines > 0 ? kMarkedPicture : kReleasedPicture);
    }
}

void KeypadCore::BitBtn1Click()
{
    AppState& st = ctx_.state;
    st.KeypadMode = st.KeypadMode == 0 ? 1 : 0;
    // A failed refresh leaves the new mode in place with the old display;
    // the next click switches back to what is shown.
    Load_Key();

    const bool mod1 = st.KeypadMode == 1;
    s_.bitBtn1Caption = mod1 ? "MOD1" : "MOD0";
    for (size_t i = 0; i < kKeypadKeys.size(); ++i)
        if (!kKeypadKeys[i].topRow)
            s_.keyEnabled[i] = mod1;
    if (!mod1) {
        for (size_t i = 0; i < kKeypadKeys.size(); ++i)
            if (!kKeypadKeys[i].topRow)
                loadPicture(ctx_.AppDir, s_.keyPictures[i], kReleasedPicture);
    }
    for (size_t i = 0; i < kLegends.size(); ++i)
        if (kLegends[i].hiddenInMod1)
            s_.legendVisible[i] = !mod1;

    // The keypad's acknowledgement keystrokes must reach Memo1.
    shell_.focusMemo1();
}

void KeypadCore::keyMouseDown(int index)
{
    const size_t i = static_cast<size_t>(index);
    const KeypadKey& key = kKeypadKeys.at(i);
    EditorState& ed = editor_.state();

    ed.LineLen.fill(0);
    ed.LineStrokes.fill(0);
    loadPicture(ctx_.AppDir, s_.keyPictures[i], kMarkedPicture);
    ctx_.state.CurrentKey = keyNumber(key, ctx_.state.KeypadMode);

    const int n = ctx_.state.CurrentKey;
    readMacroFiles(ctx_.AppDir, n, ed.KeyNum, ed.KeyCode, ed.LineBuf);
    requireDisplayLineLimit(ctx_.AppDir, n, ed.KeyCode);
    ed.TextLines = std::to_string(ed.KeyNum.count());
    parseLineTables(ed.KeyCode, ed.LineBuf, ed.LineLen, ed.LineStrokes);
    editor_.refreshKeyShow();
    ed.KeyNumber = key.editorName;

    shell_.showEditor();
    shell_.hideKeypad();
}

void KeypadCore::keyMouseUp(int index)
{
    loadPicture(ctx_.AppDir, s_.keyPictures.at(static_cast<size_t>(index)), kReleasedPicture);
}

void KeypadCore::FormClose()
{
    ctx_.link.CloseKeypad();
}

} // namespace pm
