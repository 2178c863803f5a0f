#pragma once

// The settings of one browser's plugin: the keys of its flags, and
// the grants of its profiles. Each set of granted files (a profile, or the
// files a user chose through the dialog) is a slot with a key stem of its
// own; the stem names the grants' keys and their private copies, so that two
// profiles never share a copy.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class TRSettings;
struct TRBrowserProfile;

class TRBrowserSettings
{
public:
    // The files of a slot, as their keys end.
    enum class File { bookmarks, accountBookmarks, history, places, favicons };

    struct Slot
    {
        // Stem of the grants' keys and of the private copies' names.
        QString stem;
        std::optional<QByteArray> bookmarks;
        std::optional<QByteArray> accountBookmarks;
        std::optional<QByteArray> history;
        // A Firefox profile's one database of bookmarks and history.
        std::optional<QByteArray> places;
        // The store of website icons beside them; read only while icons are
        // shown, and never what makes a slot granted.
        std::optional<QByteArray> favicons;
        // The pane's switches of a browser that keeps both in one file.
        bool showsBookmarks = true;
        bool showsHistory = true;
        // The folder of the granted files, resolved now; empty when none of
        // them resolves any more.
        QString folder;

        bool isGranted() const { return bookmarks || accountBookmarks || history || places; }
    };

    // Chrome ("chrome") keeps the keys it always had; another browser's keys
    // are its own, "tr_plugin_<id>_...".
    explicit TRBrowserSettings(const QString &browserId);

    const QString &browserId() const { return m_browserId; }
    // Whether the browser keeps bookmarks and history in one database
    // (Firefox's places.sqlite), granted once and shown by the switches.
    bool keepsPlaces() const { return m_keepsPlaces; }
    QString enabledKey() const { return m_enabled; }
    QString allowBookmarksKey() const { return m_flagStem + QStringLiteral("_allowBookmarks"); }
    QString hasBookmarksDataKey() const { return m_flagStem + QStringLiteral("_hasBookmarksData"); }
    QString allowHistoryKey() const { return m_flagStem + QStringLiteral("_allowHistory"); }
    QString hasHistoryDataKey() const { return m_flagStem + QStringLiteral("_hasHistoryData"); }
    // Whether a switch of a browser that keeps places is on: unset is on,
    // the switches are there to turn a tree off.
    static bool isSwitchOn(const TRSettings &settings, const QString &key);
    // The notification that asks the browser's plugin to read again.
    QString menuNeedsUpdateName() const { return m_menuNeedsUpdate; }

    // The stem of the files chosen through the dialog.
    QString mainStem() const { return m_mainStem; }
    // The stem of a profile's grants, made from its folder's name.
    QString profileStem(const QString &profileFolder) const;
    static QString dataKey(const QString &stem, File file);

    // Every slot with at least one grant: the dialog's first, then the
    // profiles' in the order they were granted. A profile slot whose files
    // lie in the same folder as the dialog's is left out: that folder's
    // files are read once.
    std::vector<Slot> grantedSlots(const TRSettings &settings) const;

    // Grants each present file of profile, as choosing it in the dialog
    // would, and writes the same flags. The dialog's slot takes the profile
    // while it is empty or already holds that folder; otherwise the profile
    // gets a slot of its own. False when no file could be granted.
    bool use(TRSettings &settings, const TRBrowserProfile &profile) const;
    // Grants the icon store in the slot's folder to a slot granted before
    // icons were granted with the profile; the user gave that folder's
    // files. False when there is none.
    bool grantIconStore(TRSettings &settings, Slot &slot) const;
    // The icon store's name in a profile folder of this browser.
    QString iconStoreName() const;
    // Whether a slot reads the profile's folder.
    bool isInUse(const TRSettings &settings, const TRBrowserProfile &profile) const;

private:
    Slot slot(const TRSettings &settings, const QString &stem) const;
    QStringList grantedProfiles(const TRSettings &settings) const;

    QString m_browserId;
    bool m_keepsPlaces = false;
    QString m_enabled;
    QString m_flagStem;
    QString m_mainStem;
    QString m_menuNeedsUpdate;
};
