#include "FuzzSetup.h"

#include "logging/Logger.h"
#include "support/TestSandbox.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

void FuzzSetup::enter(int* argc, char*** argv, Application application)
{
    TestSandbox::enter();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Quorvel and the notifier both run with the graphical types loaded
    // (colours, images), and so does whatever reads their files here. The
    // object is never deleted: a fuzzer ends with exit(), when Qt's own
    // globals may already be gone.
    if (application == Application::Gui)
        new QGuiApplication(*argc, *argv);
    else
        new QCoreApplication(*argc, *argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Velmora"));
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel"));
    if (!TestSandbox::isActive()) {
        std::fprintf(stderr, "Not inside a sandbox; refusing to fuzz.\n");
        std::exit(2);
    }
    Logging::Logger& logger = Logging::Logger::instance();
    logger.setFileDestination(TestSandbox::root() + QStringLiteral("/fuzz.log"));
    logger.setLoggingLevel(Logging::WarnLevel);
}
