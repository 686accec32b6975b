#pragma once

#include "shell/AppInfo.h"
#include "shell/AppResources.h"
#include "support/TestSandbox.h"

#include <QApplication>
#include <QLocale>
#include <QtTest>

#include <cstdio>

// A test main that enters the sandbox before anything reads a path, gives
// the process the main program's identity (so QStandardPaths resolves the
// same folders, inside the sandbox), fixes the locale, and refuses to run
// when the sandbox could not be entered.
#define QUORVEL_TEST_MAIN(TestClass)                                                                         \
    int main(int argc, char *argv[])                                                                         \
    {                                                                                                        \
        TestSandbox::enter();                                                                                \
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))                                                  \
            qputenv("QT_QPA_PLATFORM", "offscreen");                                                         \
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));                               \
        QApplication app(argc, argv);                                                                        \
        AppInfo::applyToApplication();                                                                       \
        AppResources::initialize();                                                                          \
        if (!TestSandbox::isActive()) {                                                                      \
            std::fprintf(stderr, "Not inside a test sandbox; refusing to run.\n");                           \
            return 2;                                                                                        \
        }                                                                                                    \
        app.setAttribute(Qt::AA_Use96Dpi, true);                                                             \
        TestClass testObject;                                                                                \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&testObject, argc, argv);                                                        \
    }
