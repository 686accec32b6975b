#pragma once

#include <QObject>
#include <QString>

#include <memory>

// Knows the objects that every user has from the start. For now it holds the
// identifiers of the two built-in lists, the inbox QuorvelBox and the
// one-step actions list: both are projects, and synchronisation may replace
// their identifiers with the ones the server gave them.
class PredefinedDataHelper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString quorvelBoxId READ quorvelBoxId WRITE setQuorvelBoxId NOTIFY quorvelBoxIdChanged)
    Q_PROPERTY(QString oneStepActionsId READ oneStepActionsId WRITE setOneStepActionsId NOTIFY
            oneStepActionsIdChanged)

public:
    static PredefinedDataHelper* instance();
    ~PredefinedDataHelper() override;

    // The identifiers the built-in lists carry until the server names them.
    static QString initialQuorvelBoxId();
    static QString initialOneStepActionsId();

    QString quorvelBoxId() const;
    void setQuorvelBoxId(const QString& id);

    QString oneStepActionsId() const;
    void setOneStepActionsId(const QString& id);

    // Back to the initial identifiers, for a database that starts again empty.
    Q_INVOKABLE void resetBuiltInListIds();

signals:
    void quorvelBoxIdChanged(QString id);
    void oneStepActionsIdChanged(QString id);

private:
    explicit PredefinedDataHelper(QObject* parent = nullptr);

    struct Private;
    std::unique_ptr<Private> d;
};
