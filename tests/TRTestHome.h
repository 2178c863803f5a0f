#pragma once

// A fresh, temporary home for a test executable: the settings file, the
// runtime folder and the data folders all live there while it lives, so
// tests never touch the user's own files.

#include <QTemporaryDir>

class TRTestHome
{
public:
    TRTestHome();

    bool isValid() const { return m_home.isValid(); }

    // The application's names, as the application sets them; call once the
    // application object exists.
    static void nameApplication();

private:
    QTemporaryDir m_home;
};
