#include "MainWindow.h"
#include "PageWidget.h"
#include "Theme.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    qRegisterMetaType<PageWidget *>();
    Theme::setupApplication(app);

    MainWindow window;
    window.show();
    return app.exec();
}
