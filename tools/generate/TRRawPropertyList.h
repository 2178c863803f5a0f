#pragma once

// Binary property lists put together by hand from encoded objects, for the
// shapes no writer makes: odd widths of references and offsets, shared and
// cyclic objects, nesting deeper than any reader should follow.

#include <QByteArray>
#include <QByteArrayView>

#include <initializer_list>
#include <vector>

namespace TRRawPropertyList {

// value in its width of bytes, most significant first.
void appendBigEndian(QByteArray &bytes, quint64 value, int width);
// The file of objects, with references and offsets of the given widths.
QByteArray assemble(const std::vector<QByteArray> &objects, int referenceSize = 1,
                    int offsetSize = 1, quint64 top = 0);
// A container's marker (0xA array, 0xC set, 0xD dictionary) with its count,
// one-byte references following: a dictionary's keys, then its values.
QByteArray container(unsigned kind, std::initializer_list<int> references);
// An ASCII string of up to 14 bytes, and a UTF-16 one of up to 14 units.
QByteArray ascii(QByteArrayView text);
QByteArray utf16(std::initializer_list<char16_t> units);

// Arrays nested levels deep around a string; with cycle the innermost
// holds the outermost instead.
QByteArray nestedArrays(int levels, bool cycle = false);
// Arrays nested levels deep around an empty one, the first doubled of them
// naming the next twice: a file of a few hundred bytes that unfolds into a
// tree of 2^doubled paths.
QByteArray sharedArrays(int levels, int doubled);
// Safari bookmark folders nested depth levels deep, in XML form.
QByteArray nestedXmlFolders(int depth);

} // namespace TRRawPropertyList
