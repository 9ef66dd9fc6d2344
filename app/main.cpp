// Program entry: the application object and the main window, then the event loop.
#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QString());
    return 0;
}
