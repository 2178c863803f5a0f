#pragma once

// Chooses the language of the user interface and installs its translations.

#include <QLocale>
#include <QString>

class TRLanguage
{
public:
    // Where the application's compiled catalogues are ("trellis_de.qm").
    static const QString catalogueDirectory;

    // The locale of the first of system's languages (in uiLanguages order)
    // that Trellis speaks: English or a language with a catalogue. "en_US"
    // when it speaks none of them.
    static QString choose(const QLocale &system);

    // Installs the application's catalogue and Qt's own for the language
    // chosen for system, in place of any installed before, and returns the
    // name of the chosen locale ("de_DE", "en_US").
    static QString install(const QLocale &system = QLocale::system());

    // Removes what install added; the interface speaks English again.
    static void uninstall();

    // The locale of the interface's language, for texts that Qt does not
    // translate (day labels). Safe on any thread.
    static QString localeName();
};
