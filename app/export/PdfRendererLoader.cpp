#include "export/PdfRendererLoader.h"

#include "export/PdfRenderer.h"
#include "logging/Log.h"

#include <QCoreApplication>
#include <QPluginLoader>

QString PdfRendererLoader::modulePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/quorvel_pdfrenderer");
}

PdfRenderer* PdfRendererLoader::create(QObject* parent, QString* error)
{
    QPluginLoader loader(modulePath());
    QObject* module = loader.instance();
    auto* factory = qobject_cast<PdfRendererFactory*>(module);
    if (!factory) {
        *error = module ? QStringLiteral("%1 is not a PDF renderer").arg(loader.fileName())
                        : loader.errorString();
        QLOG_ERROR() << "The PDF renderer could not be loaded: " << *error;
        return nullptr;
    }
    QLOG_INFO() << "Starting the web engine for PDF export...";
    return factory->createRenderer(parent);
}
