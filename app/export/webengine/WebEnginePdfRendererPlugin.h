#pragma once

#include "export/PdfRenderer.h"

#include <QObject>

// The entry of the renderer module, found by PdfRendererLoader.
class WebEnginePdfRendererPlugin : public QObject, public PdfRendererFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID PdfRendererFactory_iid)
    Q_INTERFACES(PdfRendererFactory)

public:
    PdfRenderer* createRenderer(QObject* parent) override;
};
