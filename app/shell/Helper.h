#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

class DataManager;
class QTimer;
class Settings;

// General helpers of the interface: dates in the store's wall-clock scale,
// the recent-projects list, starting again with an empty database, and a few
// questions about the desktop.
class Helper : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool clipboardHasText READ clipboardHasText NOTIFY clipboardHasTextChanged)

public:
    static constexpr int RecentProjectCount = 10;

    static Helper* instance();
    ~Helper() override;

    // The database file of the program's store.
    QString databasePath() const;

    // Wipes all local data: the store replaces its database with an empty
    // one on the data worker (a database it could not open is kept aside,
    // not deleted) and the built-in lists get their initial identifiers
    // back. Returns whether the new database is open.
    Q_INVOKABLE bool recreateDatabase();

    // A wall-clock date-time as the interface shows it: "Today, 9:30 AM"
    // (or Tomorrow, Yesterday), else "March 5, 2024 9:30 AM"; day before
    // month for Russian, and a 24-hour clock where the language uses one.
    Q_INVOKABLE QString toUtcString(const QDateTime& dateTime) const;
    // The wall-clock date and time of dateTime as a local date-time.
    Q_INVOKABLE QDateTime toUtcDateTime(const QDateTime& dateTime) const;

    // newProject goes to the front (an entry with its ID moves there
    // instead); at most RecentProjectCount entries are kept.
    Q_INVOKABLE QVariantList handleRecentProjectList(const QVariantList& list, const QVariantMap& newProject) const;

    // A single-shot timer for the interface, which deletes itself once it
    // has fired.
    Q_INVOKABLE QTimer* getTemporaryTimer();

    Q_INVOKABLE bool hasDefaultMailClient() const;
    // The desktop has no task-count badge on the application icon.
    Q_INVOKABLE void setBadgeLabelTaskCount(int count);
    Q_INVOKABLE bool isTouchDeviceAvailable() const;

    bool clipboardHasText() const;

    // Collaborators. Unset, the process-wide objects and the system clock
    // are used; tests give their own.
    void setDataManager(DataManager* dataManager);
    void setSettings(Settings* settings);
    void setClock(const std::function<QDateTime()>& clock);

signals:
    void clipboardHasTextChanged();

private:
    explicit Helper(QObject* parent = nullptr);

    DataManager* dataManager() const;
    Settings* settings() const;

    DataManager* m_dataManager = nullptr;
    Settings* m_settings = nullptr;
    std::function<QDateTime()> m_clock;
};
