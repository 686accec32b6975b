#include "shell/ReminderWindowStack.h"
#include "support/TestMain.h"

#include <QPointer>
#include <QWindow>

#include <memory>

// The stack of reminder windows with real (offscreen) windows on a screen of
// a given size.
class TestReminderWindowStack : public QObject
{
    Q_OBJECT

    std::unique_ptr<ReminderWindowStack> m_stack;
    int m_sounds = 0;

    void useScreen(int width, int height)
    {
        m_stack->setScreenGeometry([width, height] { return QRect(0, 0, width, height); });
    }
    QWindow *pushWindow(const QString &name)
    {
        auto *window = new QWindow();
        window->setObjectName(name);
        window->resize(400, 80);
        m_stack->push(window);
        return window;
    }
    QStringList names() const
    {
        QStringList result;
        for (QWindow *window : m_stack->windows())
            result.append(window->objectName());
        return result;
    }

private slots:
    void init()
    {
        m_sounds = 0;
        m_stack = std::make_unique<ReminderWindowStack>();
        m_stack->setSoundPlayer([this] { ++m_sounds; });
        useScreen(1920, 1080);
    }
    void cleanup()
    {
        for (QWindow *window : m_stack->windows())
            window->hide();
        m_stack.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // clang-format off
    void aScreenHoldsWhatFitsBelowItsTop_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("capacity");
        QTest::newRow("1080") << 1080 << 10;
        QTest::newRow("768") << 768 << 7;
        QTest::newRow("just two") << 240 << 2;
        QTest::newRow("just under two") << 239 << 1;
        QTest::newRow("tiny: still one") << 100 << 1;
    }
    // clang-format on

    void aScreenHoldsWhatFitsBelowItsTop()
    {
        QFETCH(int, height);
        QFETCH(int, capacity);
        QCOMPARE(ReminderWindowStack::capacityFor(height), capacity);
    }

    void theNewestStandsOnTopAndTheOthersMoveDown()
    {
        useScreen(1366, 768);
        pushWindow("first");
        pushWindow("second");
        QWindow *third = pushWindow("third");
        QCOMPARE(names(), (QStringList { "third", "second", "first" }));
        QCOMPARE(third->position(), QPoint(1366 - 420, 20));
        QCOMPARE(m_stack->windows().at(2)->position(), QPoint(946, 220));
        QVERIFY(third->isVisible());
        QCOMPARE(m_sounds, 3);
    }

    void aFullStackClosesItsOldestWindowFirst()
    {
        useScreen(1366, 768);
        QPointer<QWindow> oldest = pushWindow("0");
        for (int i = 1; i <= 7; ++i)
            pushWindow(QString::number(i));
        QCOMPARE(m_stack->count(), 7);
        QVERIFY(!names().contains("0"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(oldest.isNull());
        QCOMPARE(m_stack->windows().last()->objectName(), QString("1"));
        QCOMPARE(m_stack->windows().last()->y(), 20 + 6 * 100);
    }

    void aHiddenWindowLeavesAndTheRestCloseUp()
    {
        pushWindow("bottom");
        QPointer<QWindow> middle = pushWindow("middle");
        pushWindow("top");
        QWindow *bottom = m_stack->windows().at(2);
        QCOMPARE(bottom->y(), 220);
        middle->hide();
        QCOMPARE(names(), (QStringList { "top", "bottom" }));
        QCOMPARE(bottom->y(), 120);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(middle.isNull());
    }

    void aWindowDeletedElsewhereLeavesNoHole()
    {
        pushWindow("bottom");
        QWindow *middle = pushWindow("middle");
        pushWindow("top");
        delete middle;
        QCOMPARE(names(), (QStringList { "top", "bottom" }));
        QCOMPARE(m_stack->windows().at(1)->y(), 120);
    }
};

QUORVEL_TEST_MAIN(TestReminderWindowStack)
#include "tst_reminderwindowstack.moc"
