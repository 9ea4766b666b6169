// Linked into the start-up benchmark's programs only: when the first window
// named Form1 (the keypad window, or the bare window that stands for it) has
// been painted, writes "first-paint NS" (CLOCK_MONOTONIC) to standard output
// and ends the event loop. Nothing in the program itself changes.
#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <cstdio>
#include <ctime>

namespace {

long long monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

class FirstPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!seen_ && event->type() == QEvent::Paint && watched->isWidgetType()
            && static_cast<QWidget*>(watched)->isWindow() && watched->objectName() == QLatin1String("Form1")) {
            seen_ = true;
            // Posted, so it runs once the whole window has been drawn and flushed.
            QMetaObject::invokeMethod(
                this,
                [] {
                    std::printf("first-paint %lld\n", monotonicNs());
                    std::fflush(stdout);
                    QCoreApplication::quit();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool seen_ = false;
};

void watchFirstPaint()
{
    QCoreApplication::instance()->installEventFilter(new FirstPaint(QCoreApplication::instance()));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchFirstPaint)
