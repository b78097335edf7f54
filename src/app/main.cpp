// Typorama: looks through and manages the TrueType fonts of this computer.
#include "app/cli.h"
#include "app/form1.h"
#include "app/qt_services.h"
#include "app/user_settings.h"
#include "catalogue/catalogue_cache.h"
#include "catalogue/catalogue_commands.h"
#include "platform/program_identity.h"
#include "fsys/mod_fonts.h"
#include "office/office_factory.h"
#include "platform/path_codec.h"
#include "platform/platform_factory.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <memory>
#include <system_error>
#include <thread>

namespace {
bool hasDisplay() {
  return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
         !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// The window: its catalogue collected while Qt builds its font database, then shown and run.
int startWindow(AppServices& services, QtPrompts& windowPrompts, QCoreApplication& app) {
  FontSystem& fonts = services.fonts;
  // Without a desktop's settings the standard font is "Sans Serif", which has no face of its own:
  // the first text laid out in it (the filter box does so as it is made) would have every
  // installed face sorted to find one. Named by the face it falls back to, it draws the same.
  QFont standard = QGuiApplication::font();
  // Any text first needs Qt's database of every installed face. A second thread builds it while
  // this one collects the catalogue, and a third asks fontconfig what the standard font and
  // Arial (the window's controls) are drawn in.
  fonts.prepareDrawnFamilies({standard.family(), QStringLiteral("Arial")});
  std::thread database;
  try {
    database = std::thread([family = standard.family()] { QFontDatabase::hasFamily(family); });
  } catch (const std::system_error&) {
    // built when first needed
  }
  std::unique_ptr<EarlyCatalogue> early;
  try {
    early = catalogue::collectEarly(services, savedFontFormats());
  } catch (...) {
    // the window's fill collects it and reports what fails
  }
  if (database.joinable()) database.join();
  // The database's build leaves what it freed in its thread's own memory pool, where the
  // window's allocations cannot reuse it: handed back now, the window's peak stays lower (17 MB
  // at 25,000 installed faces).
  malloc_trim(0);
  if (standard.styleHint() == QFont::AnyStyle && standard.style() == QFont::StyleNormal && !standard.fixedPitch()) {
    const QString drawn = fonts.drawnFamily(standard.family());
    if (drawn != standard.family()) {
      standard.setFamily(drawn);
      QApplication::setFont(standard);
    }
  }

  Form1 form(services);
  form.setEarlyCatalogue(std::move(early));
  windowPrompts.setParentWindow(&form);
  form.Form_Load();
  form.show();
  // For the benchmark: measure start-up to a shown, filled window, then leave.
  if (qEnvironmentVariableIsSet("TYPORAMA_QUIT_WHEN_SHOWN")) QTimer::singleShot(0, &app, &QApplication::quit);
  return QApplication::exec();
}
}  // namespace

int main(int argc, char** argv) {
  QStringList arguments;
  // File names may be any bytes: keep them exactly.
  for (int i = 0; i < argc; ++i) arguments << pathFromBytes(argv[i]);
  // Any mode, the window's too, may be told to read every font file afresh.
  const bool noCache = arguments.removeAll(QStringLiteral("--no-cache")) > 0;
  const bool commandLine = isCommandLineMode(arguments);
  if (commandLine) keepOnlyOwnMessages();
  if (commandLine && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    // The command-line modes draw nothing: they must work without any display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
  } else if (!commandLine && !hasDisplay()) {
    std::fprintf(stderr,
                 "typorama: there is no display to open the window on (DISPLAY is not set).\n"
                 "To list the fonts without a window, run: typorama --list\n");
    return 1;
  }

  // Listing needs no GUI application, whose start-up costs time and whose font database, when
  // it goes, makes fontconfig load every installed face (it destroys fontconfig's current
  // configuration, which builds that configuration's fonts first if nobody had asked for them).
  const std::unique_ptr<QCoreApplication> app = isCoreOnlyMode(arguments)
                                                    ? std::make_unique<QCoreApplication>(argc, argv)
                                                    : std::make_unique<QApplication>(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("Typorama"));
  QCoreApplication::setApplicationVersion(QStringLiteral("0.1.0"));
  // Lets the desktop match the windows to the installed desktop entry and its icon.
  if (!commandLine) QGuiApplication::setDesktopFileName(QStringLiteral("org.typorama.Typorama"));

  QtPrompts windowPrompts;
  StderrPrompts consolePrompts;
  EventLoopYielder yielder;
  ClockRandom random;
  const PlatformServices platform = makePlatformServices();
  FileSystem& fs = *platform.files;
  FontSystem& fonts = *platform.fonts;
  Desktop& desktop = *platform.desktop;
  office::OfficeFactory officeFactory;
  // What the last run read of the font files, read from its file while start-up goes on.
  const QString caches = GetSpecialFolder(fonts, kCsidlLocalAppData);
  CatalogueCache catalogueCache(fs, noCache || caches.isEmpty() ? QString() : caches + QStringLiteral("typorama/catalogue.cache"),
                                QCoreApplication::applicationVersion().toUtf8() + ' ' + programBuild() + ' ' +
                                    readerCredentials());
  catalogueCache.startLoading();

  if (commandLine) {
    NoYield noYield;
    // A command reads the catalogue once: told --no-cache, it keeps no records at all.
    AppServices services{consolePrompts, noYield, random, fs, fonts, desktop, &officeFactory,
                         noCache ? nullptr : &catalogueCache};
    return runCommandLine(arguments, services).value_or(2);
  }

  AppServices services{windowPrompts, yielder, random, fs, fonts, desktop, &officeFactory, &catalogueCache};
  return startWindow(services, windowPrompts, *app);
}
