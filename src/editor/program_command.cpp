// The editor's Program command: builds the programming image, stores the
// macro in the key's files, raises the job the scheduler sends, and closes.
#include "base/errors.h"
#include "device/report_image.h"
#include "editor/editor_core.h"
#include "storage/macro_files.h"

namespace pm {

void EditorCore::SpeedButton2Click()
{
    AppState& st = ctx_.state;

    // The pair area is cleared inside buildReportImage, before any line is converted.
    if (keypad_)
        keypad_->clearStatusText();

    if (st.KeypadFound == 0) {
        st.DetectCountdown = 16;
        st.StatusCode = 6;
        // Closing here would throw the macro away; keep the editor open so
        // the user can program it once the keypad is found.
        shell_.message("USB Keyboar remove or USB not get device");
        return;
    }

    // Refuses more than 30 strokes and any line that does not convert
    // before the image is touched; nothing is stored then.
    buildReportImage(ctx_.image, s_.KeyNum.lines(), st.CurrentKey);

    storeMacro(ctx_.AppDir, st.CurrentKey, s_.KeyCode, s_.KeyNum, s_.LineBuf, s_.LineLen, s_.LineStrokes);

    st.WritePending = 1;
    st.ProgramState = 1;
    close();
}

} // namespace pm
