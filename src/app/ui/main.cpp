// Program entry: the main window first (its creation reads the settings and
// applies the language), then the About window and the key dialog, hidden.
// --help and --version are answered on the console before any window system
// is needed, so they work without a display (the manual page is built from
// --help).
#include "app/ui/about.h"
#include "app/ui/main_window.h"
#include "app/ui/stop_signals.h"
#include "table/ui/enter_aes.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstring>

#ifndef ZELK_VERSION
#define ZELK_VERSION "0"
#endif

namespace {

void SetUpCommandLine(QCommandLineParser& parser)
{
    QCoreApplication::setApplicationName(QStringLiteral("zelk-duv"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZELK_VERSION));
    parser.setApplicationDescription(QStringLiteral(
        "Configuration utility for ZELK wireless M-Bus receivers: programs the receiver's list of\n"
        "meters, their AES-128 keys and media through a serial port, configures the receiver and keeps\n"
        "a hexadecimal activity log. Everything is done in its window; the settings are kept in\n"
        "$XDG_CONFIG_HOME/zelk-duv/zelk-duv.ini (~/.config/zelk-duv/zelk-duv.ini) for an installed\n"
        "program and in zelk-duv.ini beside the program for a copy run from a folder of its own.\n"
        "SIGTERM, SIGHUP and SIGINT close the window as File > Exit does, saving the settings; settings\n"
        "that cannot be written are reported on standard error instead of in a message box."));
    parser.addHelpOption();
    parser.addVersionOption();
}

bool AsksForText(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"-h", "--help", "--help-all", "-v", "--version", "-?"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (AsksForText(argc, argv)) {
        QCoreApplication console(argc, argv);
        QCommandLineParser parser;
        SetUpCommandLine(parser);
        parser.process(console);  // prints the text and ends the program
        return 0;
    }

    QApplication app(argc, argv);
    QCommandLineParser parser;
    SetUpCommandLine(parser);
    parser.process(app);  // an unknown option is reported and ends the program
    QApplication::setApplicationName(QStringLiteral("ZELK-DUV"));
    QGuiApplication::setDesktopFileName(QStringLiteral("zelk-duv"));

    TForm11 form;
    TFAbout about;
    TEnterAES enterAes(form.meterTable(), &form);
    form.setAboutWindow(&about);
    form.setKeyDialog(&enterAes);
    CloseOnStopSignals(&form, [&form] { form.CloseForStopSignal(); });

    form.show();
    return app.exec();
}
