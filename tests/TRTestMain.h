#pragma once

// A test main for the tests of the interface: a QApplication in a fresh,
// temporary home (TRTestHome), with the graphics set up as the application
// sets them up.

#include "AppDelegate.h"
#include "TRTestHome.h"

#include <QApplication>
#include <QTest>

#define TRELLIS_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        const TRTestHome home;                                                                     \
        if (!home.isValid()) {                                                                     \
            return 1;                                                                              \
        }                                                                                          \
        AppDelegate::prepareGraphics();                                                            \
        QApplication app(argc, argv);                                                              \
        TRTestHome::nameApplication();                                                             \
        QApplication::setQuitOnLastWindowClosed(false);                                            \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
