// Renders every instrument and drawn control with sample readings into one PNG.
//   veltroma-gallery OUTPUT.png [WIDTH]
#include "ControlSamples.h"
#include "GallerySheet.h"

#include "config/LanguageSettings.h"
#include "config/ProgramPaths.h"
#include "config/Strings.h"
#include "instruments/InstrumentSamples.h"

#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

void Wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: veltroma-gallery OUTPUT.png [WIDTH]\n");
        return 2;
    }
    const QString output = args.at(1);
    const int width = args.size() > 2 ? args.at(2).toInt() : 1280;

    // The texts come from the program's own English language file, written out into a
    // throw-away program folder.
    QTemporaryDir home;
    if (!home.isValid()) {
        std::fprintf(stderr, "cannot make a temporary program folder\n");
        return 1;
    }
    veltroma::setProgramFolder(home.path());
    veltroma::LoadSet(QStringLiteral("English"), veltroma::LoadSetMode::Language);
    if (veltroma::g_LoadString(QStringLiteral("IDOK")) != QStringLiteral("OK")) {
        std::fprintf(stderr, "the English language file could not be set up\n");
        return 1;
    }

    using veltroma::gallery::GalleryItem;
    veltroma::gallery::GallerySheet sheet(width);
    std::vector<GalleryItem> instruments;
    for (const auto& sample : veltroma::makeInstrumentSamples(&sheet))
        instruments.push_back({sample.name, sample.widget, sample.size});
    sheet.AddSection(QStringLiteral("Instruments"), std::move(instruments));
    sheet.AddSection(QStringLiteral("Drawn controls"), veltroma::gallery::MakeControlSamples(&sheet));
    sheet.Finish();

    // Shown without taking the focus, so the open in-place editors stay open side by side.
    sheet.setAttribute(Qt::WA_ShowWithoutActivating);
    sheet.show();
    Wait(300);
    sheet.Settle();
    Wait(300);

    const QImage image = sheet.grab().toImage();
    if (!image.save(output)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(output));
        return 1;
    }
    QTextStream(stdout) << output << ": " << image.width() << " x " << image.height() << "\n";
    return 0;
}
