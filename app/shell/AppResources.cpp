#include "shell/AppResources.h"

#include <QtGlobal>

#include <mutex>

static void registerCompiledResources()
{
    Q_INIT_RESOURCE(qml);
    Q_INIT_RESOURCE(quorvel_data);
    Q_INIT_RESOURCE(translations);
}

void AppResources::initialize()
{
    static std::once_flag once;
    std::call_once(once, registerCompiledResources);
}
