#pragma once

// A test main for the tests of core classes: a QCoreApplication, no widgets,
// in a fresh, temporary home (TRTestHome).

#include "TRTestHome.h"

#include <QCoreApplication>
#include <QTest>

#define TRELLIS_CORE_TEST_MAIN(TestClass)                                                          \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        const TRTestHome home;                                                                     \
        if (!home.isValid()) {                                                                     \
            return 1;                                                                              \
        }                                                                                          \
        QCoreApplication app(argc, argv);                                                          \
        TRTestHome::nameApplication();                                                             \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
