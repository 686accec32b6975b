#include "data/PredefinedDataHelper.h"

#include <QCoreApplication>
#include <QThread>

struct PredefinedDataHelper::Private
{
    QString quorvelBoxId = PredefinedDataHelper::initialQuorvelBoxId();
    QString oneStepActionsId = PredefinedDataHelper::initialOneStepActionsId();
};

PredefinedDataHelper* PredefinedDataHelper::instance()
{
    // Lives as long as the process: QML and the data worker both hold it.
    static PredefinedDataHelper* helper = new PredefinedDataHelper();
    return helper;
}

PredefinedDataHelper::PredefinedDataHelper(QObject* parent)
    : QObject(parent)
    , d(std::make_unique<Private>())
{
    // The interface binds to these properties, so the helper belongs to the
    // interface thread even when the data worker happens to ask for it first.
    if (QCoreApplication* application = QCoreApplication::instance())
        moveToThread(application->thread());
}

PredefinedDataHelper::~PredefinedDataHelper() = default;

QString PredefinedDataHelper::initialQuorvelBoxId()
{
    return QStringLiteral("f206bbf9-8d12-4482-a142-d02efefe8bbc");
}

QString PredefinedDataHelper::initialOneStepActionsId()
{
    return QStringLiteral("a248f791-d83e-49ca-93df-32d9718cdb91");
}

QString PredefinedDataHelper::quorvelBoxId() const
{
    return d->quorvelBoxId;
}

void PredefinedDataHelper::setQuorvelBoxId(const QString& id)
{
    if (d->quorvelBoxId == id)
        return;
    d->quorvelBoxId = id;
    emit quorvelBoxIdChanged(id);
}

QString PredefinedDataHelper::oneStepActionsId() const
{
    return d->oneStepActionsId;
}

void PredefinedDataHelper::setOneStepActionsId(const QString& id)
{
    if (d->oneStepActionsId == id)
        return;
    d->oneStepActionsId = id;
    emit oneStepActionsIdChanged(id);
}

void PredefinedDataHelper::resetBuiltInListIds()
{
    setQuorvelBoxId(initialQuorvelBoxId());
    setOneStepActionsId(initialOneStepActionsId());
}
