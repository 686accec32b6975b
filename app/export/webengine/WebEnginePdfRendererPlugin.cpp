#include "WebEnginePdfRendererPlugin.h"

#include "ExportSchemeHandler.h"
#include "WebEnginePdfRenderer.h"

#include <QtGlobal>

#include <unistd.h>

namespace {

void prepareEngine()
{
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    // Chromium refuses to start its sandbox for the root user (containers,
    // build machines). The pages are our own and load nothing from outside.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    ExportSchemeHandler::registerScheme();
}

} // namespace

PdfRenderer* WebEnginePdfRendererPlugin::createRenderer(QObject* parent)
{
    prepareEngine();
    return new WebEnginePdfRenderer(parent);
}
