#pragma once
// One keypad window per application folder: the first start listens on a
// local socket named after the folder; a second start asks it to come to
// the front and ends.
#include <QObject>
#include <QString>
#include <functional>
#include <string>

class QLocalServer;

namespace pm {

// The socket of the window working on dir: in the user's runtime folder,
// named by a hash of dir's canonical path.
QString windowSocketName(const std::string& dir);

// Listens for later starts on the same folder and calls bringToFront for each.
class WindowCalls : public QObject {
public:
    WindowCalls(const std::string& dir, std::function<void()> bringToFront);

private:
    QLocalServer* server_;
    std::function<void()> bringToFront_;
};

// Asks the window working on dir to come to the front; false when none
// answered within the deadline.
bool callRunningWindow(const std::string& dir, int deadlineMs);

} // namespace pm
