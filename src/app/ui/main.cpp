// Program entry: the main window first (its creation reads the settings and
// applies the language), then the About window and the key dialog, hidden.
#include "app/ui/about.h"
#include "app/ui/main_window.h"
#include "table/ui/enter_aes.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ZELK-DUV"));
    QGuiApplication::setDesktopFileName(QStringLiteral("zelk-duv"));

    TForm11 form;
    TFAbout about;
    TEnterAES enterAes(form.meterTable(), &form);
    form.setAboutWindow(&about);
    form.setKeyDialog(&enterAes);

    form.show();
    return app.exec();
}
