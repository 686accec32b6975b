#include "shell/WheelEventsRedirector.h"

#include <QCoreApplication>
#include <QWheelEvent>

#include <cstdlib>

WheelEventsRedirector::WheelEventsRedirector(QObject* parent)
    : QObject(parent)
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->installEventFilter(this);
}

WheelEventsRedirector::~WheelEventsRedirector()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

QObject* WheelEventsRedirector::redirectTo() const
{
    return m_redirectTo.data();
}

void WheelEventsRedirector::setRedirectTo(QObject* redirectTo)
{
    if (m_redirectTo == redirectTo)
        return;
    m_redirectTo = redirectTo;
    emit redirectToChanged(redirectTo);
}

bool WheelEventsRedirector::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::Wheel || !m_redirectTo || watched == m_redirectTo)
        return QObject::eventFilter(watched, event);

    const auto* wheel = static_cast<QWheelEvent*>(event);
    // Lists scroll vertically; a sideways swipe scrolls them too, by its
    // larger component.
    const QPoint angle = wheel->angleDelta();
    const int delta = std::abs(angle.x()) > std::abs(angle.y()) ? angle.x() : angle.y();
    QCoreApplication::postEvent(m_redirectTo,
        new QWheelEvent(QPointF(), QPointF(), QPoint(), QPoint(0, delta), wheel->buttons(),
            wheel->modifiers(), Qt::NoScrollPhase, false));
    return true;
}
