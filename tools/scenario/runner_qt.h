#pragma once
// Runs script lines against the real program: events go to the windows'
// controls as the toolkit would deliver them, queries print what the cores
// and the widgets hold.
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "script.h"

class QWidget;

namespace pm {
class Application;
class SimulatedKeypad;
} // namespace pm

class QTemporaryDir;

namespace pm::scenario {

// Before the application object: the offscreen platform unless another is
// set, and where the session has no runtime folder (CI, ssh) a private one,
// so Qt warns of nothing on stderr. Keep what it returns while Qt runs.
std::unique_ptr<QTemporaryDir> prepareOffscreen();


class Runner {
public:
    using Print = std::function<void(const std::string&)>;

    Runner(Application& app, SimulatedKeypad& sim, std::string appDir, Print print);

    // Runs one line to its end. Throws ScriptError for a malformed line.
    // Returns false when the program has ended.
    bool run(const ScriptLine& line);

private:
    // A control as a script names it.
    struct Target {
        int window = 0;            // 1: Form1, 2: Form2
        std::string name;          // unqualified name; "Form1"/"Form2" for a window
        QWidget* widget = nullptr; // null for controls that are no widget (Timer1)
        bool isWindow() const { return name == "Form1" || name == "Form2"; }
    };

    QWidget* window(int n) const;
    Target resolve(const std::string& ref) const;
    Target resolveWidget(const std::string& ref) const;

    void mouse(const std::vector<std::string>& words, bool press, bool release);
    void sendPress(QWidget* w, Button button);
    void sendRelease(QWidget* w, Button button);
    bool canReceive(QWidget* w) const;

    void keyboard(const std::vector<std::string>& words);
    std::string accessibleOf(const Target& t) const;
    void deliverPosted();
    void device(const std::vector<std::string>& words);
    void close(const std::vector<std::string>& words);
    void shell(const std::string& command);
    void changeDirectory(const std::string& dir);
    // The control as drawn, with its window's updates let through for it.
    void screenshot(const std::string& ref, const std::string& file);
    void query(const std::vector<std::string>& words);
    // The answers of print that take more than a line.
    void printState();
    void printLines(const std::string& name);
    void printVisible(const std::string& name);
    void printEnabled(const std::string& name);
    void printFill(const std::string& name);
    void printEditor();
    void printTables();
    void printReports();
    void printFile(const std::string& literal);
    void action(const ScriptLine& line);

    std::string textOf(const Target& t) const;
    std::string pictureOf(const Target& t) const;
    std::string widgetText(const QWidget* w) const;

    Application& app_;
    SimulatedKeypad& sim_;
    std::string appDir_; // the working directory the runner started in
    Print print_;
    QPointer<QWidget> pressed_; // the control that got the last press
    Qt::KeyboardModifiers held_; // modifier keys of the keyboard held down
    bool havePress_ = false;    // a press is waiting for its release
    Button pressedButton_ = Button::Left;
    bool ended_ = false;
};

} // namespace pm::scenario
