#include "TRSafariCustomizedBookmarks.h"

#include "TRDiagnostics.h"
#include "TRPrivateFolder.h"
#include "TRPropertyList.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <cstdio>

QByteArray TRSafariCustomizedBookmarks::archiveStringSet(const QSet<QString> &strings)
{
    // NSKeyedArchiver's layout: "$null" first, the set, its class, then
    // the members, which the set names by their place in the list.
    QStringList members(strings.cbegin(), strings.cend());
    members.sort();
    QVariantList references;
    QVariantList objects{QStringLiteral("$null"), QVariant(),
                         QVariantMap{{"$classname", QStringLiteral("NSSet")},
                                     {"$classes", QVariantList{QStringLiteral("NSSet"),
                                                               QStringLiteral("NSObject")}}}};
    for (const QString &member : members) {
        references.append(QVariant::fromValue(TRPropertyList::Uid{quint64(objects.size())}));
        objects.append(member);
    }
    objects[1] = QVariantMap{{"NS.objects", references},
                             {"$class", QVariant::fromValue(TRPropertyList::Uid{2})}};
    return TRPropertyList::toBinary(
        QVariantMap{{"$archiver", QStringLiteral("NSKeyedArchiver")},
                    {"$version", qint64(100000)},
                    {"$top", QVariantMap{{"root", QVariant::fromValue(TRPropertyList::Uid{1})}}},
                    {"$objects", objects}});
}

std::optional<QSet<QString>>
TRSafariCustomizedBookmarks::unarchiveStringSet(const QByteArray &archive)
{
    const auto root = TRPropertyList::dictionary(TRPropertyList::fromData(archive));
    if (!root || TRPropertyList::string(root->value("$archiver")) != u"NSKeyedArchiver") {
        return std::nullopt;
    }
    const QVariant objectsValue = root->value("$objects");
    const auto top = TRPropertyList::dictionary(root->value("$top"));
    if (objectsValue.metaType().id() != QMetaType::QVariantList || !top) {
        return std::nullopt;
    }
    const QVariantList objects = objectsValue.toList();
    // The object a reference names; reference 0 is nil, never an object.
    // An archive in XML form writes a reference as a dictionary holding only
    // "CF$UID", which libplist leaves a dictionary.
    const auto object = [&objects](const QVariant &reference) -> std::optional<QVariant> {
        std::optional<qint64> index;
        if (reference.metaType() == QMetaType::fromType<TRPropertyList::Uid>()) {
            index = static_cast<qint64>(reference.value<TRPropertyList::Uid>().value);
        } else if (const auto written = TRPropertyList::dictionary(reference);
                   written && written->size() == 1) {
            index = TRPropertyList::integer(written->value(QStringLiteral("CF$UID")));
        }
        if (!index || *index <= 0 || *index >= objects.size()) {
            return std::nullopt;
        }
        return objects.at(static_cast<qsizetype>(*index));
    };
    const auto rootObject = object(top->value("root"));
    const auto set = rootObject ? TRPropertyList::dictionary(*rootObject) : std::nullopt;
    if (!set) {
        return std::nullopt;
    }
    const auto classObject = object(set->value("$class"));
    const auto classInfo = classObject ? TRPropertyList::dictionary(*classObject) : std::nullopt;
    const auto className =
        classInfo ? TRPropertyList::string(classInfo->value("$classname")) : std::nullopt;
    if (!className || (*className != u"NSSet" && *className != u"NSMutableSet")) {
        return std::nullopt;
    }
    const QVariant members = set->value("NS.objects");
    if (members.metaType().id() != QMetaType::QVariantList) {
        return std::nullopt;
    }
    QSet<QString> strings;
    for (const QVariant &reference : members.toList()) {
        const auto member = object(reference);
        const auto text = member ? TRPropertyList::string(*member) : std::nullopt;
        if (!text) {
            return std::nullopt;
        }
        // A text holding a NUL names no folder, and the next save could not
        // write it back whole.
        if (!text->contains(QChar(u'\0'))) {
            strings.insert(*text);
        }
    }
    return strings;
}

void TRSafariCustomizedBookmarks::save(const QSet<QString> &disabled)
{
    const std::optional<QString> directory = TRPrivateFolder::path();
    if (!directory) {
        return;
    }
    const QString target = QDir(*directory).filePath(QStringLiteral("customized_bookmarks.plist"));
    const QString temporary = target + QStringLiteral(".partial");
    const QByteArray bytes = archiveStringSet(disabled);
    QFile file(temporary);
    QString error;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size() || !file.flush()) {
        error = file.errorString();
    }
    file.close();
    // Renamed into place, so a reader never meets half an archive.
    if (error.isEmpty() && std::rename(QFile::encodeName(temporary).constData(),
                                       QFile::encodeName(target).constData()) != 0) {
        error = QStringLiteral("The file “customized_bookmarks.plist” couldn’t be saved.");
    }
    if (!error.isEmpty()) {
        QFile::remove(temporary);
        TRDiagnostics::writeLine(QStringLiteral("Could not save customized bookmarks: ") + error);
    }
}

std::optional<QSet<QString>> TRSafariCustomizedBookmarks::load()
{
    const std::optional<QString> directory = TRPrivateFolder::path();
    if (!directory) {
        return std::nullopt;
    }
    QFile file(QDir(*directory).filePath(QStringLiteral("customized_bookmarks.plist")));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return unarchiveStringSet(file.readAll());
}
