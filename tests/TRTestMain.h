#pragma once

// A test main that gives every test executable a fresh, temporary home: the
// settings file, the runtime folder and the data folders all live there, so
// tests never touch the user's own files.

#include "AppDelegate.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#define TRELLIS_TEST_MAIN(TestClass)                                                               \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        QTemporaryDir home;                                                                        \
        if (!home.isValid()) {                                                                     \
            return 1;                                                                              \
        }                                                                                          \
        qputenv("HOME", home.path().toUtf8());                                                     \
        qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());                           \
        qputenv("XDG_DATA_HOME", (home.path() + "/.local/share").toUtf8());                        \
        qputenv("XDG_CACHE_HOME", (home.path() + "/.cache").toUtf8());                             \
        qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());                                          \
        AppDelegate::prepareGraphics();                                                            \
        QApplication app(argc, argv);                                                              \
        QApplication::setApplicationName(QStringLiteral("Trellis"));                               \
        QApplication::setOrganizationDomain(QStringLiteral("kwtlabs.com"));                        \
        QApplication::setApplicationVersion(QStringLiteral(TRELLIS_VERSION));                      \
        QApplication::setQuitOnLastWindowClosed(false);                                            \
        TestClass test;                                                                            \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
