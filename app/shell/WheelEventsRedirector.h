#pragma once

#include <QObject>
#include <QPointer>

// While a drag hovers a list, the interface points redirectTo at the list:
// every wheel event then scrolls that list instead of whatever lies under
// the cursor. Installs itself on the application when created.
class WheelEventsRedirector : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QObject* redirectTo READ redirectTo WRITE setRedirectTo NOTIFY redirectToChanged)

public:
    explicit WheelEventsRedirector(QObject* parent = nullptr);
    ~WheelEventsRedirector() override;

    QObject* redirectTo() const;
    void setRedirectTo(QObject* redirectTo);

    bool eventFilter(QObject* watched, QEvent* event) override;

signals:
    void redirectToChanged(QObject* redirectTo);

private:
    // Cleared by itself when the item goes away in the middle of a drag.
    QPointer<QObject> m_redirectTo;
};
