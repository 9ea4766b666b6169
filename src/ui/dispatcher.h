#pragma once
// What the windows ask of the application object: run a handler (showing
// what it raised), move time, close. The windows hold no logic of their own.
#include <cstdint>
#include <functional>

namespace pm {

class Session;

class Dispatcher {
public:
    virtual ~Dispatcher() = default;
    // Runs one handler; a UiError it raises is shown in the error box.
    virtual void dispatch(const std::function<void()>& handler) = 0;
    virtual void tick() = 0;
    virtual void editorTick() = 0;
    virtual void closeKeypadWindow() = 0;
    virtual Session& session() = 0;
    // The program's clock in milliseconds (how long a key is held).
    virtual int64_t clockMs() const = 0;
};

} // namespace pm
