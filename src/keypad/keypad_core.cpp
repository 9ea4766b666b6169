#include "keypad/keypad_core.h"

#include <string_view>

#include "base/pictures.h"
#include "storage/macro_files.h"

namespace pm {

std::string keyTooltip(const KeypadKey& key, uint8_t mode, const LineList& text)
{
    std::string legend;
    for (const Legend& l : kLegends)
        if (std::string_view(l.overKey) == key.name)
            legend += (legend.empty() ? "" : " ") + std::string(l.caption);
    std::string tip = key.editorName;
    if (!legend.empty())
        tip += " - legend " + legend; // hidden in "MOD1": this is where to find it
    tip += "\nKey number " + std::to_string(keyNumber(key, mode)) + " in " + layoutName(mode);
    tip += text.empty() ? "\nNo macro stored" : "\nMacro: " + showTextOf(text);
    return tip;
}

std::string keySpokenName(const KeypadKey& key, uint8_t mode, const LineList& text)
{
    std::string name = std::string(key.editorName) + " key, number " + std::to_string(keyNumber(key, mode));
    if (text.empty())
        return name + ", empty";
    std::string holds = showTextOf(text);
    if (!holds.empty() && holds.back() == ' ')
        holds.pop_back();
    return name + ", holds " + holds;
}

void KeypadCore::setKeyPicture(size_t key, const char* literal)
{
    setCheckedPicture(appDir_, s_.keyPictures[key], literal);
}

void KeypadCore::Load_Key()
{
    // The table lists the top row first, then the pad in refresh order. The
    // pad is probed in both layouts but only marked in "MOD1".
    const uint8_t mode = host_.keypadMode();
    // Before the first read: a failed one still shows the keys it renamed.
    ++s_.keysRevision;
    for (size_t i = 0; i < kKeypadKeys.size(); ++i) {
        const KeypadKey& key = kKeypadKeys[i];
        const int lines = probeMacro(appDir_, keyNumber(key, mode), s_.Test_Memo);
        // From the text just read: the tooltip costs no file access of its own.
        s_.keyTooltips[i] = keyTooltip(key, mode, s_.Test_Memo);
        s_.keySpokenNames[i] = keySpokenName(key, mode, s_.Test_Memo);
        if (key.topRow || mode != 0)
            setKeyPicture(i, lines > 0 ? kMarkedPicture : kReleasedPicture);
    }
}

void KeypadCore::BitBtn1Click()
{
    host_.setKeypadMode(host_.keypadMode() == 0 ? 1 : 0);
    // A failed refresh leaves the new mode in place with the old display;
    // the next click switches back to what is shown.
    Load_Key();

    const bool mod1 = host_.keypadMode() == 1;
    s_.bitBtn1Caption = layoutName(host_.keypadMode());
    for (size_t i = 0; i < kKeypadKeys.size(); ++i)
        if (!kKeypadKeys[i].topRow)
            s_.keyEnabled[i] = mod1;
    ++s_.keysRevision;
    if (!mod1) {
        for (size_t i = 0; i < kKeypadKeys.size(); ++i)
            if (!kKeypadKeys[i].topRow)
                setKeyPicture(i, kReleasedPicture);
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

    editor_.resetLineTables();
    setKeyPicture(i, kMarkedPicture);
    const uint8_t number = keyNumber(key, host_.keypadMode());
    host_.setCurrentKey(number);
    editor_.openKey(number, key.editorName);

    shell_.showEditor();
    shell_.hideKeypad();
}

void KeypadCore::keyMouseUp(int index)
{
    setKeyPicture(static_cast<size_t>(index), kReleasedPicture);
}

void KeypadCore::FormClose()
{
    host_.closeKeypad();
}

} // namespace pm
