// The yardstick for start-up: a bare Qt Widgets program that shows one window
// the size of the keypad window's client area. first_paint.cpp ends it.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setObjectName(QStringLiteral("Form1"));
    window.setFixedSize(301, 532);
    window.show();
    return QApplication::exec();
}
