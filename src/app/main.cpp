#include "monitor/RunHeadless.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("veltroma-monitor"));

    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption headless(QStringLiteral("headless"),
                                      QStringLiteral("Monitor without a window: record rows on "
                                                     "standard output, link events on standard "
                                                     "error."));
    const QCommandLineOption home(QStringLiteral("home"),
                                  QStringLiteral("Program folder (settings, languages, data)."),
                                  QStringLiteral("DIR"));
    parser.addOption(headless);
    parser.addOption(home);
    parser.process(app);

    if (!parser.isSet(headless)) {
        std::fputs("veltroma-monitor: the window comes with the application module; "
                   "use --headless for now.\n",
                   stderr);
        return 2;
    }
    return veltroma::runHeadless(parser.value(home));
}
