// The editor's Program command: builds the programming image, stores the
// macro in the key's files, raises the job the scheduler sends, and closes.
#include "base/errors.h"
#include "device/report_image.h"
#include "editor/editor_core.h"
#include "storage/macro_files.h"

namespace pm {

int EditorCore::storedDisplayLines() const
{
    // Right after a lock, or after Delete under a lock, the last display line
    // is a placeholder that no stroke stands behind: reopened, it would show
    // as text of its own.
    const bool placeholderPending = s_.ReplaceLast && !s_.KeyCode.empty();
    return s_.KeyCode.count() - (placeholderPending ? 1 : 0);
}

void EditorCore::SpeedButton2Click()
{
    // The pair area is cleared inside buildReportImage, before any line is converted.
    host_.clearStatusText();

    if (!host_.keypadFound()) {
        host_.programWithoutKeypad();
        // Closing here would throw the macro away; keep the editor open so
        // the user can program it once the keypad is found.
        return;
    }

    // Refuses more than 30 strokes and any line that does not convert
    // before the image is touched; nothing is stored then.
    const uint8_t key = host_.currentKey();
    buildReportImage(host_.reportImage(), s_.KeyNum.lines(), key);
    storeMacro(appDir_, key, s_, storedDisplayLines());

    host_.raiseJob();
    close();
}

} // namespace pm
