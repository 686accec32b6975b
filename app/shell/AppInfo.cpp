#include "shell/AppInfo.h"

#include <QCoreApplication>

void AppInfo::applyToApplication()
{
    QCoreApplication::setOrganizationName(organizationName());
    QCoreApplication::setOrganizationDomain(organizationDomain());
    QCoreApplication::setApplicationName(applicationName());
    QCoreApplication::setApplicationVersion(version());
}
